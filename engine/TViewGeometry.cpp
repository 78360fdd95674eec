#include "engine/TViewGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

std::int32_t RoundHalfEven(double v) {
    // Results stay within +-2^29, so that the width of any rectangle made of
    // two of them, and sums of such widths, still fit in 32 bits.
    constexpr double kLimit = double(1 << 29);
    if (std::isnan(v))
        return 0;
    const double r = std::nearbyint(v); // the default rounding mode: halves to even
    if (r >= kLimit)
        return 1 << 29;
    if (r <= -kLimit)
        return -(1 << 29);
    return static_cast<std::int32_t>(r);
}

std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t c) {
    if (c == 0)
        return 0;
    std::int64_t num = static_cast<std::int64_t>(a) * b;
    std::int64_t den = c;
    if (den < 0) {
        num = -num;
        den = -den;
    }
    // Halves away from zero: floor(|num| / den + 1/2) with the sign put back.
    const bool negative = num < 0;
    const std::int64_t mag = negative ? -num : num;
    const std::int64_t q = (2 * mag + den) / (2 * den);
    const std::int64_t r = negative ? -q : q;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        r, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// ---------------------------------------------------------------------------
// TRangeBar

float TRangeBar::MaxPosition() const {
    return static_cast<float>(
        std::max<std::int64_t>(0, static_cast<std::int64_t>(FRange) - FVisibleLength));
}

float TRangeBar::MiddleFraction() const {
    if (FVisibleLength < FRange && FRange != 0)
        return (FVisibleLength / 2.0f + FPosition) / static_cast<float>(FRange);
    return 0.5f;
}

void TRangeBar::Reframe(std::int32_t range, std::int32_t length) {
    const bool changed = range != FRange || length != FVisibleLength;
    const float f = MiddleFraction();
    FRange = range;
    FVisibleLength = length;
    if (changed && length < range)
        FPosition = static_cast<float>(range) * f - length / 2.0f;
    SetPosition(FPosition);
}

void TRangeBar::SetRange(std::int32_t range) {
    Reframe(range, FVisibleLength);
}

void TRangeBar::SetVisibleLength(std::int32_t length) {
    Reframe(FRange, length);
}

void TRangeBar::SetPosition(float position) {
    if (std::isnan(position))
        position = 0;
    FPosition = std::clamp(position, 0.0f, MaxPosition());
}

// ---------------------------------------------------------------------------
// TViewGeometry

void TViewGeometry::SetControlSize(std::int32_t width, std::int32_t height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width != FControlWidth || height != FControlHeight) {
        FControlWidth = width;
        FControlHeight = height;
        FTransformValid = false;
    }
}

void TViewGeometry::SetViewportSize(std::int32_t width, std::int32_t height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width != FViewportWidth || height != FViewportHeight) {
        FViewportWidth = width;
        FViewportHeight = height;
        FTransformValid = false;
    }
}

void TViewGeometry::SetBitmapSize(std::int32_t width, std::int32_t height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width != FBitmapWidth || height != FBitmapHeight) {
        FBitmapWidth = width;
        FBitmapHeight = height;
        FTransformValid = false;
    }
}

bool TViewGeometry::SetScale(float value) {
    if (!(value >= 0.001f)) // also catches NaN
        value = 0.001f;
    if (value == FScale && value == FScaleY)
        return false;
    FTransformValid = false;
    FScale = value;
    FScaleY = value;
    return true;
}

bool TViewGeometry::SetScaleMode(TScaleMode mode) {
    if (mode == FScaleMode)
        return false;
    FScaleMode = mode;
    FTransformValid = false;
    return true;
}

bool TViewGeometry::SetBitmapAlign(TBitmapAlign align) {
    if (align == FBitmapAlign)
        return false;
    FBitmapAlign = align;
    FTransformValid = false;
    return true;
}

bool TViewGeometry::SetOffsetX(float value) {
    if (value == FOffsetX)
        return false;
    FOffsetX = value;
    FTransformValid = false;
    return true;
}

bool TViewGeometry::SetOffsetY(float value) {
    if (value == FOffsetY)
        return false;
    FOffsetY = value;
    FTransformValid = false;
    return true;
}

TSize TViewGeometry::ShownBitmapSize() const {
    TSize s;
    if (BitmapEmpty() || FControlWidth == 0 || FControlHeight == 0)
        return s;
    const std::int32_t vw = FViewportWidth, vh = FViewportHeight;
    const std::int32_t w = FBitmapWidth, h = FBitmapHeight;
    TScaleMode mode = FScaleMode;
    if (mode == smOptimal)
        mode = (vw < w || vh < h) ? smResize : smNormal;
    else if (mode == smOptimalScaled)
        mode = (RoundHalfEven(static_cast<double>(w) * FScale) > vw ||
                RoundHalfEven(static_cast<double>(h) * FScaleY) > vh)
                   ? smResize
                   : smScale;
    switch (mode) {
    case smNormal:
        s = {w, h};
        break;
    case smStretch:
        s = {vw, vh};
        break;
    case smResize: {
        const float sx = static_cast<float>(vw) / static_cast<float>(w);
        const float sy = static_cast<float>(vh) / static_cast<float>(h);
        if (sx >= sy)
            s = {RoundHalfEven(static_cast<double>(sy) * w), vh};
        else
            s = {vw, RoundHalfEven(static_cast<double>(h) * sx)};
        break;
    }
    default:
        s = {RoundHalfEven(static_cast<double>(w) * FScale),
             RoundHalfEven(static_cast<double>(h) * FScaleY)};
        break;
    }
    if (s.cx < 1)
        s.cx = 0;
    if (s.cy < 1)
        s.cy = 0;
    return s;
}

TRect TViewGeometry::BitmapRect() const {
    if (BitmapEmpty())
        return TRect{};
    const TSize s = ShownBitmapSize();
    TRect r{0, 0, s.cx, s.cy};
    std::int32_t dx = 0, dy = 0;
    if (FBitmapAlign == baCenter) {
        dx = (FControlWidth - s.cx) / 2;
        dy = (FControlHeight - s.cy) / 2;
    } else if (FBitmapAlign == baCustom) {
        dx = RoundHalfEven(FOffsetX);
        dy = RoundHalfEven(FOffsetY);
    }
    r.Left += dx;
    r.Right += dx;
    r.Top += dy;
    r.Bottom += dy;
    return r;
}

const TViewTransform& TViewGeometry::Transform() const {
    if (!FTransformValid) {
        TViewTransform t;
        t.BitmapRect = BitmapRect();
        if (!BitmapEmpty()) {
            t.ShiftX = t.BitmapRect.Left;
            t.ShiftY = t.BitmapRect.Top;
            t.ScaleX = MulDiv(t.BitmapRect.Width(), 65536, FBitmapWidth);
            t.ScaleY = MulDiv(t.BitmapRect.Height(), 65536, FBitmapHeight);
            t.RevScaleX = MulDiv(FBitmapWidth, 65536, t.BitmapRect.Width());
            t.RevScaleY = MulDiv(FBitmapHeight, 65536, t.BitmapRect.Height());
        }
        FTransform = t;
        FTransformValid = true;
    }
    return FTransform;
}

void TViewGeometry::SetTransformFromRect(const TRect& r) {
    TViewTransform t;
    t.BitmapRect = r;
    if (r.Width() >= 1 && r.Height() >= 1 && !BitmapEmpty()) {
        t.ShiftX = r.Left;
        t.ShiftY = r.Top;
        t.ScaleX = MulDiv(r.Width(), 65536, FBitmapWidth);
        t.ScaleY = MulDiv(r.Height(), 65536, FBitmapHeight);
        t.RevScaleX = MulDiv(FBitmapWidth, 65536, r.Width());
        t.RevScaleY = MulDiv(FBitmapHeight, 65536, r.Height());
    }
    FTransform = t;
    FTransformValid = true;
}

namespace {
std::int32_t Saturate(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}
} // namespace

TPoint TViewGeometry::ViewToBitmap(TPoint p) const {
    const TViewTransform& t = Transform();
    // The 64-bit intermediate keeps large views from wrapping; '/' truncates toward zero.
    return {Saturate((static_cast<std::int64_t>(p.X) - t.ShiftX) * t.RevScaleX / 65536),
            Saturate((static_cast<std::int64_t>(p.Y) - t.ShiftY) * t.RevScaleY / 65536)};
}

TPoint TViewGeometry::BitmapToView(TPoint p) const {
    const TViewTransform& t = Transform();
    return {Saturate(static_cast<std::int64_t>(p.X) * t.ScaleX / 65536 + t.ShiftX),
            Saturate(static_cast<std::int64_t>(p.Y) * t.ScaleY / 65536 + t.ShiftY)};
}

void TViewGeometry::ViewScale(float& sx, float& sy) const {
    const TViewTransform& t = Transform();
    sx = static_cast<float>(t.ScaleX / 65536.0);
    sy = static_cast<float>(t.ScaleY / 65536.0);
}

void TViewGeometry::ViewShift(float& dx, float& dy) const {
    const TViewTransform& t = Transform();
    dx = static_cast<float>(t.ShiftX);
    dy = static_cast<float>(t.ShiftY);
}

// ---------------------------------------------------------------------------
// Scrolling and centring

void TViewGeometry::SetCentered(bool value) {
    if (value == FCentered)
        return;
    FCentered = value;
    UpdateImageOffset();
}

void TViewGeometry::SetOverSize(std::int32_t value) {
    if (value == FOverSize)
        return;
    FOverSize = value;
    UpdateScrollRanges();
    UpdateImageOffset();
}

void TViewGeometry::UpdateScrollRanges() {
    const std::int32_t margin = RoundHalfEven(2.0 * FOverSize * FScale);
    const TSize s = ShownBitmapSize();
    FHorzBar.SetRange(margin + s.cx);
    FVertBar.SetRange(margin + s.cy);
}

void TViewGeometry::UpdateImageOffset() {
    const std::int32_t ov = RoundHalfEven(static_cast<double>(FOverSize) * FScale);
    const TSize s = ShownBitmapSize();
    float ox, oy;
    if (FCentered && 2 * static_cast<std::int64_t>(ov) + s.cx < FViewportWidth)
        ox = (FViewportWidth - s.cx) / 2.0f;
    else
        ox = static_cast<float>(ov) - FHorzBar.Position();
    if (FCentered && 2 * static_cast<std::int64_t>(ov) + s.cy < FViewportHeight)
        oy = (FViewportHeight - s.cy) / 2.0f;
    else
        oy = static_cast<float>(ov) - FVertBar.Position();
    FOffsetX = ox;
    FOffsetY = oy;
    FTransformValid = false;
}

void TViewGeometry::CenterOn(float x, float y) {
    const std::int32_t ov = RoundHalfEven(static_cast<double>(FOverSize) * FScale);
    FHorzBar.SetPosition(
        static_cast<float>(static_cast<double>(x) * FScale - FViewportWidth / 2.0 + ov));
    FVertBar.SetPosition(
        static_cast<float>(static_cast<double>(y) * FScale - FViewportHeight / 2.0 + ov));
    UpdateImageOffset();
}

void TViewGeometry::SetScrollPosition(float horz, float vert) {
    FHorzBar.SetPosition(horz);
    FVertBar.SetPosition(vert);
    UpdateImageOffset();
}

void TViewGeometry::BitmapResized() {
    FTransformValid = false;
    UpdateScrollRanges();
    if (FCentered) {
        CenterOn(static_cast<float>(FBitmapWidth / 2), static_cast<float>(FBitmapHeight / 2));
    } else {
        FHorzBar.SetPosition(0);
        FVertBar.SetPosition(0);
        UpdateImageOffset();
    }
}

void TViewGeometry::ScaleChanged() {
    FTransformValid = false;
    UpdateScrollRanges();
    UpdateImageOffset();
}

void TViewGeometry::ScaleModeChanged() {
    UpdateScrollRanges();
    UpdateImageOffset();
    if (FCentered)
        CenterOn(static_cast<float>(FBitmapWidth / 2), static_cast<float>(FBitmapHeight / 2));
    else
        CenterOn(0, 0);
}

void TViewGeometry::ViewportResized() {
    FHorzBar.SetVisibleLength(FViewportWidth);
    FVertBar.SetVisibleLength(FViewportHeight);
    FTransformValid = false;
    UpdateScrollRanges();
    UpdateImageOffset();
}
