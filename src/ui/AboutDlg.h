#pragma once

#include <QDialog>

namespace tv {

// The about box: the program's icon, name, version and what it is for. GUI thread.
class CAboutDlgNew : public QDialog {
    Q_OBJECT
  public:
    explicit CAboutDlgNew(QWidget* parent = nullptr);
};

// Shows the about box modally. GUI thread; blocks until it is closed.
void ShowAbout(QWidget* parent);

}  // namespace tv
