#pragma once

#include <string>

namespace tv {

class CMirrantApp;

// Whether windows can be shown: a display to draw on, or a Qt platform chosen explicitly
// (tests draw offscreen).
bool DisplayAvailable();

// Names the program to the desktop: its name, the desktop entry it is started from
// (share/applications/twinvale.desktop) and its icon. GUI thread, once the QApplication exists.
void NameApplication();

// Runs the main window on a started application until the user leaves it; returns the exit
// code. `listToOpen` is the list named on the command line, or empty for the last one. Main
// thread; creates the QApplication.
int RunMainWindow(int& argc, char** argv, CMirrantApp& app, const std::string& listToOpen);

}  // namespace tv
