#include "ui/AppIcon.h"

// The resources live in a static library: naming their initializer keeps the linker from
// dropping them.
static void InitIconResources() {
    Q_INIT_RESOURCE(twinvale);
}

namespace tv {

QIcon AppIcon() {
    static const bool initialized = (InitIconResources(), true);
    (void)initialized;
    QIcon icon;
    icon.addFile(":/icons/twinvale-48.png", QSize(48, 48));
    icon.addFile(":/icons/twinvale-256.png", QSize(256, 256));
    return icon;
}

}  // namespace tv
