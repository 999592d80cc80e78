#pragma once

#include <QIcon>

namespace tv {

// The program's icon in the sizes it is drawn in, from the program's own resources (a desktop
// without the installed icon theme still shows it). GUI thread.
QIcon AppIcon();

// The image of a command named by its freedesktop icon name ("document-open"): the desktop's
// icon theme's, or the program's own drawing where the theme has none (or there is no theme).
// GUI thread.
QIcon ActionIcon(const char* name);

}  // namespace tv
