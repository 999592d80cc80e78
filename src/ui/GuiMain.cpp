#include "ui/GuiMain.h"

#include <QApplication>
#include <cstdlib>

namespace tv {

bool DisplayAvailable() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return true;
        }
    }
    return false;
}

int RunMainWindow(int& argc, char** argv, CMirrantApp& /*app*/, const std::string& /*listToOpen*/) {
    QApplication application(argc, argv);
    return 0;
}

}  // namespace tv
