// The pictures of the main tool bar, drawn in code: ten coloured pictures of
// 24 x 24 pixels and grey forms of the first eight for disabled buttons.
#pragma once

#include <QIcon>
#include <QImage>

constexpr int kToolbarPictureSize = 24;
constexpr int kToolbarPictureCount = 10;
constexpr int kToolbarDisabledCount = 8;

// Pictures by index: 0 New, 1 Reset, 2 Save, 3 Cut selected, 4 Add text, 5 Up,
// 6 Down, 7 Edit picture, 8 Options, 9 Exit. An index outside 0..9 gives a
// transparent picture. Scale draws the same picture at that many device pixels
// per pixel, for high-density screens (its device pixel ratio says so).
QImage ToolbarPicture(int Index, int Scale = 1);
// The grey form of picture Index (0..7), same alpha; null for other indexes.
QImage ToolbarDisabledPicture(int Index, int Scale = 1);
// Picture Index at scales 1 to 3, with its grey forms as the disabled state
// where there is one.
QIcon ToolbarIcon(int Index);
