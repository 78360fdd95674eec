// The arithmetic of the image controls, kept apart from any window: the
// on-screen size and rectangle of the base picture, the 16.16 fixed-point
// mapping between view and picture pixels, and the scroll bars and centring of
// the zoomable view.
#pragma once

#include "engine/TRect.h"

#include <cstdint>

enum TScaleMode { smNormal, smStretch, smScale, smResize, smOptimal, smOptimalScaled };
enum TBitmapAlign { baTopLeft, baCenter, baTile, baCustom };

// The integer nearest to v, halves to the even neighbour; saturates at the ends
// of the 32-bit range (a NaN gives 0).
std::int32_t RoundHalfEven(double v);

// a x b / c with a 64-bit intermediate, to the nearest integer with halves away
// from zero. A zero divisor gives 0 and a result beyond the 32-bit range
// saturates at its ends.
std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t c);

// The mapping between view and picture coordinates; scales are 16.16 fixed point.
struct TViewTransform {
    TRect BitmapRect;
    std::int32_t ScaleX = 65536;
    std::int32_t ScaleY = 65536;
    std::int32_t RevScaleX = 65536;
    std::int32_t RevScaleY = 65536;
    std::int32_t ShiftX = 0;
    std::int32_t ShiftY = 0;
};

// One range bar: a range in pixels, the bar's own (visible) length and a
// position kept within 0..Range - VisibleLength.
class TRangeBar {
public:
    std::int32_t Range() const { return FRange; }
    std::int32_t VisibleLength() const { return FVisibleLength; }
    float Position() const { return FPosition; }
    // The largest position, never below 0.
    float MaxPosition() const;

    // A new range or length keeps the bar's relative middle while the visible
    // length is smaller than the range; the position is clamped either way.
    void SetRange(std::int32_t range);
    void SetVisibleLength(std::int32_t length);
    void SetPosition(float position);

private:
    float MiddleFraction() const;
    void Reframe(std::int32_t range, std::int32_t length);

    std::int32_t FRange = 0;
    std::int32_t FVisibleLength = 0;
    float FPosition = 0;
};

class TViewGeometry {
public:
    // Sizes of the control, of its viewport (the control without the scroll
    // bars) and of the base picture.
    void SetControlSize(std::int32_t width, std::int32_t height);
    void SetViewportSize(std::int32_t width, std::int32_t height);
    void SetBitmapSize(std::int32_t width, std::int32_t height);
    std::int32_t ControlWidth() const { return FControlWidth; }
    std::int32_t ControlHeight() const { return FControlHeight; }
    std::int32_t ViewportWidth() const { return FViewportWidth; }
    std::int32_t ViewportHeight() const { return FViewportHeight; }
    std::int32_t BitmapWidth() const { return FBitmapWidth; }
    std::int32_t BitmapHeight() const { return FBitmapHeight; }
    bool BitmapEmpty() const { return FBitmapWidth <= 0 || FBitmapHeight <= 0; }

    float Scale() const { return FScale; }
    float ScaleY() const { return FScaleY; }
    // Below 0.001 becomes 0.001; returns true when the value changed.
    bool SetScale(float value);
    TScaleMode ScaleMode() const { return FScaleMode; }
    bool SetScaleMode(TScaleMode mode);
    TBitmapAlign BitmapAlign() const { return FBitmapAlign; }
    bool SetBitmapAlign(TBitmapAlign align);
    float OffsetX() const { return FOffsetX; }
    float OffsetY() const { return FOffsetY; }
    bool SetOffsetX(float value);
    bool SetOffsetY(float value);

    TSize ShownBitmapSize() const;
    TRect BitmapRect() const;

    // The cached mapping, rebuilt on first use after a change.
    const TViewTransform& Transform() const;
    void InvalidateTransform() { FTransformValid = false; }
    bool TransformValid() const { return FTransformValid; }
    // Sets the cache from a render rectangle instead of the control and marks it valid.
    void SetTransformFromRect(const TRect& r);

    TPoint ViewToBitmap(TPoint p) const;
    TPoint BitmapToView(TPoint p) const;
    void ViewScale(float& sx, float& sy) const;
    void ViewShift(float& dx, float& dy) const;

    // --- Scrolling and centring of the zoomable view ---
    bool Centered() const { return FCentered; }
    void SetCentered(bool value);
    std::int32_t OverSize() const { return FOverSize; }
    void SetOverSize(std::int32_t value);
    const TRangeBar& HorzBar() const { return FHorzBar; }
    const TRangeBar& VertBar() const { return FVertBar; }

    // Ranges from the shown size and the margin; the bars keep their middles.
    void UpdateScrollRanges();
    // OffsetX/OffsetY from the centring rule or the bar positions.
    void UpdateImageOffset();
    // Scrolls so that picture point (x, y) lies in the middle of the viewport.
    void CenterOn(float x, float y);
    // The user moved a bar.
    void SetScrollPosition(float horz, float vert);

    // The reactions of the view to its own changes.
    void BitmapResized();
    void ScaleChanged();
    void ScaleModeChanged();
    void ViewportResized();

private:
    std::int32_t FControlWidth = 0;
    std::int32_t FControlHeight = 0;
    std::int32_t FViewportWidth = 0;
    std::int32_t FViewportHeight = 0;
    std::int32_t FBitmapWidth = 0;
    std::int32_t FBitmapHeight = 0;
    float FScale = 1.0f;
    float FScaleY = 1.0f;
    TScaleMode FScaleMode = smNormal;
    TBitmapAlign FBitmapAlign = baTopLeft;
    float FOffsetX = 0;
    float FOffsetY = 0;

    mutable TViewTransform FTransform;
    mutable bool FTransformValid = false;

    bool FCentered = true;
    std::int32_t FOverSize = 0;
    TRangeBar FHorzBar;
    TRangeBar FVertBar;
};
