#include "engine/TViewGeometry.h"

#include <gtest/gtest.h>

namespace {

// A control of the given size whose viewport is the whole control.
TViewGeometry Image(std::int32_t cw, std::int32_t ch, std::int32_t bw, std::int32_t bh,
                    TScaleMode mode, TBitmapAlign align = baTopLeft, float scale = 1.0f) {
    TViewGeometry g;
    g.SetControlSize(cw, ch);
    g.SetViewportSize(cw, ch);
    g.SetBitmapSize(bw, bh);
    g.SetScaleMode(mode);
    g.SetBitmapAlign(align);
    g.SetScale(scale);
    return g;
}

// The zoomable view: custom alignment, scaled, centred, bars following the viewport.
TViewGeometry View(std::int32_t vw, std::int32_t vh, std::int32_t bw, std::int32_t bh,
                   float scale = 1.0f) {
    TViewGeometry g;
    g.SetControlSize(vw + 16, vh + 16);
    g.SetViewportSize(vw, vh);
    g.SetScaleMode(smScale);
    g.SetBitmapAlign(baCustom);
    g.ViewportResized();
    g.SetScale(scale);
    g.ScaleChanged();
    g.SetBitmapSize(bw, bh);
    g.BitmapResized();
    return g;
}

TEST(ViewArithmetic, RoundingHelpers) {
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
    // Far ends stop at +-2^29, so that any width made of two results fits.
    EXPECT_EQ(RoundHalfEven(1e12), 1 << 29);
    EXPECT_EQ(RoundHalfEven(-1e12), -(1 << 29));

    EXPECT_EQ(MulDiv(1, 1, 2), 1);   // 0.5 away from zero
    EXPECT_EQ(MulDiv(-1, 1, 2), -1); // -0.5 away from zero
    EXPECT_EQ(MulDiv(3, 65536, 2), 98304);
    EXPECT_EQ(MulDiv(200, 65536, 3), 4369067); // 4369066.67
    EXPECT_EQ(MulDiv(5, 1, -2), -3);
    EXPECT_EQ(MulDiv(400, 65536, 0), 0);
    EXPECT_EQ(MulDiv(100000, 65536, 1), INT32_MAX);
}

TEST(ViewArithmetic, ShownBitmapSizePerMode) {
    struct Case {
        TScaleMode mode;
        std::int32_t cw, ch, bw, bh;
        float scale;
        TSize shown;
    } cases[] = {
        {smNormal, 300, 200, 100, 50, 3.0f, {100, 50}},
        {smStretch, 300, 200, 100, 50, 3.0f, {300, 200}},
        {smScale, 300, 200, 100, 50, 1.5f, {150, 75}},
        {smScale, 300, 200, 5, 5, 0.5f, {2, 2}},      // 2.5 -> 2
        {smScale, 300, 200, 7, 3, 0.5f, {4, 2}},      // 3.5 -> 4, 1.5 -> 2
        {smScale, 300, 200, 400, 50, 0.001f, {0, 0}}, // 0.4 and 0.05 vanish
        {smResize, 98, 168, 100, 50, 1.0f, {98, 49}},
        {smResize, 98, 168, 20, 20, 1.0f, {98, 98}},
        {smResize, 300, 100, 50, 50, 1.0f, {100, 100}},
        {smOptimal, 300, 200, 100, 50, 1.0f, {100, 50}},  // fits: as it is
        {smOptimal, 300, 200, 600, 100, 1.0f, {300, 50}}, // too wide: fitted
        {smOptimalScaled, 300, 200, 100, 50, 2.0f, {200, 100}},
        {smOptimalScaled, 300, 200, 100, 50, 4.0f, {300, 150}},
    };
    for (const Case& c : cases) {
        const TViewGeometry g = Image(c.cw, c.ch, c.bw, c.bh, c.mode, baTopLeft, c.scale);
        EXPECT_EQ(g.ShownBitmapSize(), c.shown) << "mode " << c.mode << " " << c.bw << "x" << c.bh;
    }
    // Nothing is shown for an empty picture or a control without area.
    EXPECT_EQ(Image(0, 100, 10, 10, smNormal).ShownBitmapSize(), TSize{});
    EXPECT_EQ(Image(100, 100, 10, 0, smNormal).ShownBitmapSize(), TSize{});
}

TEST(ViewArithmetic, BitmapRectAlignment) {
    EXPECT_EQ(Image(98, 168, 100, 50, smResize, baCenter).BitmapRect(), (TRect{0, 59, 98, 108}));
    EXPECT_EQ(Image(99, 10, 10, 4, smNormal, baCenter).BitmapRect(), (TRect{44, 3, 54, 7}));
    // A picture larger than the control moves up and left, the division truncating.
    EXPECT_EQ(Image(10, 10, 15, 15, smNormal, baCenter).BitmapRect(), (TRect{-2, -2, 13, 13}));
    EXPECT_EQ(Image(50, 50, 10, 10, smNormal, baTile).BitmapRect(), (TRect{0, 0, 10, 10}));

    TViewGeometry g = Image(50, 50, 10, 10, smNormal, baCustom);
    g.SetOffsetX(2.5f);
    g.SetOffsetY(-3.5f);
    EXPECT_EQ(g.BitmapRect(), (TRect{2, -4, 12, 6}));
    EXPECT_EQ(Image(50, 50, 0, 0, smNormal, baCenter).BitmapRect(), TRect{});
}

TEST(ViewArithmetic, TransformAndPointMapping) {
    TViewGeometry g = Image(500, 500, 400, 300, smScale, baCustom, 0.5f);
    g.SetOffsetX(30);
    g.SetOffsetY(40);
    const TViewTransform& t = g.Transform();
    EXPECT_EQ(t.BitmapRect, (TRect{30, 40, 230, 190}));
    EXPECT_EQ(t.ScaleX, 32768);
    EXPECT_EQ(t.RevScaleX, 131072);
    EXPECT_EQ(t.ShiftX, 30);
    EXPECT_EQ(t.ShiftY, 40);
    EXPECT_EQ(g.ViewToBitmap({30, 40}), (TPoint{0, 0}));
    EXPECT_EQ(g.ViewToBitmap({31, 40}), (TPoint{2, 0}));
    EXPECT_EQ(g.ViewToBitmap({29, 39}), (TPoint{-2, -2}));
    EXPECT_EQ(g.BitmapToView({3, 3}), (TPoint{31, 41})); // 1.5 truncated
    float sx, sy, dx, dy;
    g.ViewScale(sx, sy);
    g.ViewShift(dx, dy);
    EXPECT_FLOAT_EQ(sx, 0.5f);
    EXPECT_FLOAT_EQ(dx, 30.0f);

    // The top-left corner maps to (0, 0) at any scale; MulDiv rounds the fixed-point scales.
    for (float scale : {0.37f, 1.0f, 1.1f, 3.0f, 7.5f}) {
        g.SetScale(scale);
        EXPECT_EQ(g.ViewToBitmap({30, 40}), (TPoint{0, 0})) << scale;
    }
    g.SetScale(1.0f / 3.0f); // 400 -> 133 wide
    EXPECT_EQ(g.Transform().ScaleX, MulDiv(133, 65536, 400));
    EXPECT_EQ(g.Transform().RevScaleX, 197101); // 197100.75 rounded up

    // An empty picture maps one to one.
    TViewGeometry e = Image(100, 100, 0, 0, smScale, baCustom, 2.0f);
    EXPECT_EQ(e.ViewToBitmap({7, 9}), (TPoint{7, 9}));

    // A render rectangle replaces the control's mapping until invalidated.
    g.SetTransformFromRect({0, 0, 400, 300});
    EXPECT_EQ(g.Transform().ScaleX, 65536);
    EXPECT_EQ(g.ViewToBitmap({17, 5}), (TPoint{17, 5}));
    g.SetTransformFromRect({0, 0, 0, 300});
    EXPECT_EQ(g.Transform().ScaleY, 65536); // degenerate rectangle: identity
    g.InvalidateTransform();
    EXPECT_EQ(g.Transform().ScaleX, MulDiv(133, 65536, 400));
}

TEST(ViewArithmetic, ScaleLimits) {
    TViewGeometry g;
    EXPECT_FALSE(g.SetScale(1.0f));
    EXPECT_TRUE(g.SetScale(0.0f));
    EXPECT_FLOAT_EQ(g.Scale(), 0.001f);
    EXPECT_FLOAT_EQ(g.ScaleY(), 0.001f);
    EXPECT_FALSE(g.SetScale(-4.0f));
    EXPECT_TRUE(g.SetScale(2.0f));
    EXPECT_FLOAT_EQ(g.ScaleY(), 2.0f);
}

TEST(RangeBar, KeepsRelativeMiddleAndClamps) {
    TRangeBar b;
    b.SetVisibleLength(100);
    b.SetRange(400); // from an empty range: the middle, 0.5
    EXPECT_FLOAT_EQ(b.Position(), 150.0f);
    b.SetPosition(50); // middle at 100 of 400 = 0.25
    b.SetRange(800);   // 800 x 0.25 - 50
    EXPECT_FLOAT_EQ(b.Position(), 150.0f);
    b.SetVisibleLength(200); // middle 200/800 kept: 200 - 100
    EXPECT_FLOAT_EQ(b.Position(), 100.0f);
    b.SetPosition(10000);
    EXPECT_FLOAT_EQ(b.Position(), 600.0f);
    b.SetPosition(-5);
    EXPECT_FLOAT_EQ(b.Position(), 0.0f);
    b.SetRange(150); // nothing to scroll
    EXPECT_FLOAT_EQ(b.Position(), 0.0f);
    EXPECT_FLOAT_EQ(b.MaxPosition(), 0.0f);
}

TEST(ImgViewArithmetic, SmallPictureCentredLargeOneScrolls) {
    TViewGeometry g = View(600, 500, 400, 300);
    EXPECT_EQ(g.BitmapRect(), (TRect{100, 100, 500, 400}));
    EXPECT_EQ(g.HorzBar().Range(), 400);
    EXPECT_FLOAT_EQ(g.HorzBar().MaxPosition(), 0.0f);
    EXPECT_FLOAT_EQ(g.VertBar().MaxPosition(), 0.0f);

    g.SetScale(2.0f);
    g.ScaleChanged();
    EXPECT_EQ(g.ShownBitmapSize(), (TSize{800, 600}));
    EXPECT_EQ(g.HorzBar().Range(), 800);
    EXPECT_EQ(g.VertBar().Range(), 600);
    EXPECT_FLOAT_EQ(g.HorzBar().MaxPosition(), 200.0f);
    // The picture fills the viewport, its middle in the middle.
    EXPECT_EQ(g.BitmapRect(), (TRect{-100, -50, 700, 550}));
    EXPECT_EQ(g.ViewToBitmap({300, 250}), (TPoint{200, 150}));

    g.SetScrollPosition(1000, -20); // clamped to the ranges
    EXPECT_EQ(g.BitmapRect(), (TRect{-200, 0, 600, 600}));
}

TEST(ImgViewArithmetic, ZoomKeepsTheMiddlePoint) {
    TViewGeometry g = View(500, 400, 2000, 1600);
    g.CenterOn(700, 500);
    EXPECT_EQ(g.ViewToBitmap({250, 200}), (TPoint{700, 500}));
    for (float scale : {2.0f, 4.0f, 0.5f}) {
        g.SetScale(scale);
        g.ScaleChanged();
        EXPECT_EQ(g.ViewToBitmap({250, 200}), (TPoint{700, 500})) << scale;
    }
    // Zoomed out below the viewport: centred.
    g.SetScale(0.2f);
    g.ScaleChanged();
    EXPECT_EQ(g.BitmapRect(), (TRect{50, 40, 450, 360}));
    // Zooming back in from a centred picture lands on its middle.
    g.SetScale(1.0f);
    g.ScaleChanged();
    EXPECT_EQ(g.ViewToBitmap({250, 200}), (TPoint{1000, 800}));
}

TEST(ImgViewArithmetic, CenterOnAndOverSize) {
    TViewGeometry g = View(200, 100, 1000, 1000);
    // A new picture is scrolled to its middle.
    EXPECT_FLOAT_EQ(g.HorzBar().Position(), 400.0f);
    EXPECT_FLOAT_EQ(g.VertBar().Position(), 450.0f);
    g.CenterOn(0, 0); // as far as the ranges allow
    EXPECT_EQ(g.BitmapRect().Left, 0);
    g.CenterOn(5000, 5000);
    EXPECT_EQ(g.BitmapRect(), (TRect{-800, -900, 200, 100}));

    // A margin of OverSize x Scale can be scrolled past each edge.
    g.SetScale(2.0f);
    g.ScaleChanged();
    g.SetOverSize(10);
    EXPECT_EQ(g.HorzBar().Range(), 2040);
    g.CenterOn(0, 0);
    EXPECT_EQ(g.BitmapRect().Left, 20);
    EXPECT_EQ(g.BitmapRect().Top, 20);

    // Not centred: a small picture sits at the margin, top-left.
    TViewGeometry s = View(600, 500, 100, 100);
    EXPECT_EQ(s.BitmapRect().Left, 250);
    s.SetCentered(false);
    s.BitmapResized();
    EXPECT_EQ(s.BitmapRect(), (TRect{0, 0, 100, 100}));
}

TEST(ImgViewArithmetic, ViewportResizeKeepsMiddle) {
    TViewGeometry g = View(200, 200, 1000, 1000);
    g.CenterOn(300, 700);
    g.SetControlSize(416, 316);
    g.SetViewportSize(400, 300);
    g.ViewportResized();
    EXPECT_EQ(g.ViewToBitmap({200, 150}), (TPoint{300, 700}));
}

} // namespace
