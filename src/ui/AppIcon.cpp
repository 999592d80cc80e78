#include "ui/AppIcon.h"

// The resources live in a static library: naming their initializer keeps the linker from
// dropping them.
static void InitIconResources() {
    Q_INIT_RESOURCE(twinvale);
}

namespace tv {

namespace {

void EnsureResources() {
    static const bool initialized = (InitIconResources(), true);
    (void)initialized;
}

}  // namespace

QIcon AppIcon() {
    EnsureResources();
    QIcon icon;
    icon.addFile(":/icons/twinvale-48.png", QSize(48, 48));
    icon.addFile(":/icons/twinvale-256.png", QSize(256, 256));
    return icon;
}

// The program's own images are PNG renders (rsvg-convert) of the SVG drawings beside them in
// src/ui/icons, in the toolbar's size and twice it for dense screens.
QIcon ActionIcon(const char* name) {
    EnsureResources();
    QIcon own;
    for (const int size : {24, 48}) {
        own.addFile(QString(":/actions/%1-%2.png").arg(name).arg(size), QSize(size, size));
    }
    return QIcon::fromTheme(name, own);
}

}  // namespace tv
