// The program's own icon: a tilted frame holding four tiles of a grid, drawn in
// code at any size (the window, the desktop's menus, the icon theme).
#pragma once

#include <QImage>

// The icon at Size x Size pixels on a transparent ground.
QImage ProgramIconImage(int Size);
