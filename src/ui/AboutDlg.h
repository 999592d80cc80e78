#pragma once

#include <string>

#include <QDialog>

namespace tv {

// The about box: the program's icon, name, version and what it is for. GUI thread.
class CAboutDlgNew : public QDialog {
    Q_OBJECT
  public:
    explicit CAboutDlgNew(QWidget* parent = nullptr);
};

// The version this program is: the one the application object was given, else the one this
// build was made as. Any thread.
std::string ProgramVersion();

// Shows the about box modally. GUI thread; blocks until it is closed.
void ShowAbout(QWidget* parent);

}  // namespace tv
