#include "document/uLayerGeometry.h"

#include <cmath>

namespace {

float RoundHalfEven(float v) {
    return std::nearbyint(v); // the default rounding mode: halves to even
}

} // namespace

TRectF RectAboutCentre(float CentreX, float CentreY, float Width, float Height) {
    const float left = RoundHalfEven(CentreX - Width / 2);
    const float top = RoundHalfEven(CentreY - Height / 2);
    return TRectF{left, top, left + Width, top + Height};
}

TRectF SymmetricResize(const TRectF& Old, const TRectF& New, TRBDragState DragState,
                       TShiftState Shift) {
    if (DragState == DragMove || DragState == DragNone || !(Shift & ssCtrl))
        return New;
    const float cx = (Old.Left + Old.Right) / 2;
    const float cy = (Old.Top + Old.Bottom) / 2;
    float hw = (Old.Right - Old.Left) / 2;
    float hh = (Old.Bottom - Old.Top) / 2;
    switch (DragState) {
    case DragLeft:
        hw = cx - New.Left;
        break;
    case DragTop:
        hh = cy - New.Top;
        break;
    case DragRight:
        hw = New.Right - cx;
        break;
    case DragBottom:
        hh = New.Bottom - cy;
        break;
    case DragTopLeft:
        hw = cx - New.Left;
        hh = cy - New.Top;
        break;
    case DragTopRight:
        hw = New.Right - cx;
        hh = cy - New.Top;
        break;
    case DragBottomLeft:
        hw = cx - New.Left;
        hh = New.Bottom - cy;
        break;
    case DragBottomRight:
        hw = New.Right - cx;
        hh = New.Bottom - cy;
        break;
    default:
        break;
    }
    if (!(hw >= 2.0f))
        hw = 2.0f;
    if (!(hh >= 2.0f))
        hh = 2.0f;
    return RectAboutCentre(cx, cy, 2 * hw, 2 * hh);
}

TRectF QuarterTurnedLocation(const TRectF& Location) {
    const float cx = (Location.Left + Location.Right) / 2;
    const float cy = (Location.Top + Location.Bottom) / 2;
    return RectAboutCentre(cx, cy, Location.Bottom - Location.Top, Location.Right - Location.Left);
}
