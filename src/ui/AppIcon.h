#pragma once

#include <QIcon>

namespace tv {

// The program's icon in the sizes it is drawn in, from the program's own resources (a desktop
// without the installed icon theme still shows it). GUI thread.
QIcon AppIcon();

}  // namespace tv
