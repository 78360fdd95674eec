#include "main/uWindowSnap.h"

#include <QGuiApplication>

#include <cstdlib>

namespace {

// The new start of a span [Start, Start + Length) that snaps to [AreaStart,
// AreaStart + AreaLength).
int SnapSpan(int Start, int Length, int AreaStart, int AreaLength, int Distance) {
    if (std::abs(Start - AreaStart) <= Distance)
        return AreaStart;
    const int end = Start + Length;
    const int areaEnd = AreaStart + AreaLength;
    if (std::abs(end - areaEnd) <= Distance)
        return areaEnd - Length;
    return Start;
}

} // namespace

QPoint SnapToEdges(const QRect& Frame, const QRect& Area, int Distance) {
    return QPoint(SnapSpan(Frame.x(), Frame.width(), Area.x(), Area.width(), Distance),
                  SnapSpan(Frame.y(), Frame.height(), Area.y(), Area.height(), Distance));
}

bool WindowsCanPlaceThemselves() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}
