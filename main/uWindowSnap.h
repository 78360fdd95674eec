// Snapping a window to the edges of the screen's work area while it is moved.
#pragma once

#include <QPoint>
#include <QRect>

// The distance, in pixels, within which a moved window snaps to an edge.
constexpr int kSnapDistance = 30;

// The top-left corner Frame (the window's outer rectangle) should take inside
// Area: each side that lies within Distance pixels of the matching edge of Area
// moves onto that edge, the left and top edges winning over the right and
// bottom ones. Frame's own corner when nothing is near.
QPoint SnapToEdges(const QRect& Frame, const QRect& Area, int Distance = kSnapDistance);

// Whether the window system lets a window place itself (not so on Wayland).
bool WindowsCanPlaceThemselves();
