#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "app/CliMain.h"
#include "platform/FileSystem.h"
#include "ui/GuiMain.h"
#include "ui/UnattendedWindows.h"
#include "uimodel/Languages.h"

int main(int argc, char** argv) {
    // Before any language file is read, so that a run without windows does not refuse the
    // windows' lines of it.
    tv::AddProgramStrings();
    tv::MainWindowEntry mainWindow;
    tv::RunWindowsEntry runWindows;
    if (tv::DisplayAvailable()) {
        mainWindow = [&](tv::CMirrantApp& app, const std::string& list) {
            return tv::RunMainWindow(argc, argv, app, list);
        };
        runWindows = [&](tv::CMirrantApp& app, const std::function<int(tv::IRunWindows&)>& run) {
            return tv::RunWithWindows(argc, argv, app, run);
        };
    }
    return tv::RunMirrant(tv::LocalFileSystem(), std::vector<std::string>(argv + 1, argv + argc),
                          TWINVALE_VERSION, std::cout, std::cerr, mainWindow, runWindows);
}
