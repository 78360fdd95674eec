#include "document/uDropPlacement.h"

#include "engine/TViewGeometry.h"

#include <gtest/gtest.h>

namespace {

// The canvas view as the main window sets it up: centred, scaled, no margin,
// a new canvas scrolled to its middle.
TViewGeometry View(std::int32_t vw, std::int32_t vh, std::int32_t bw, std::int32_t bh,
                   float scale = 1.0f) {
    TViewGeometry g;
    g.SetControlSize(vw, vh);
    g.SetViewportSize(vw, vh);
    g.SetScaleMode(smScale);
    g.SetBitmapAlign(baCustom);
    g.ViewportResized();
    g.SetBitmapSize(bw, bh);
    g.BitmapResized();
    g.SetScale(scale);
    g.ScaleChanged();
    return g;
}

const TGridLayout kDefaultGrid = TGridLayout::Of(4, 2, 240, 220, 2); // canvas 486 x 890

TPoint Landing(TPoint CanvasPoint, bool Grid, const TGridLayout& Layout = kDefaultGrid, int W = 486,
               int H = 890) {
    const TDropPlacement p = PlaceDrop(CanvasPoint, Grid, Layout, W, H);
    EXPECT_TRUE(p.Accepted);
    return p.TopLeft;
}

TEST(DropPlacement, WorkedExamplesAtFullSizeWithoutScrolling) {
    // A grid canvas taller than the view, scrolled to its middle as a new one is.
    const TViewGeometry grid = View(624, 472, 486, 890);
    const TPoint p = grid.ViewToBitmap(TPoint{200, 100});
    EXPECT_EQ(p, (TPoint{131, 309}));
    EXPECT_EQ(Landing(p, true), (TPoint{2, 224})) << "column 0, row 1";

    // An empty canvas smaller than the view: its centre under the view's.
    const TViewGeometry empty = View(624, 472, 400, 300);
    const TPoint c = empty.ViewToBitmap(TPoint{312, 236});
    EXPECT_EQ(c, (TPoint{200, 150}));
    EXPECT_EQ(Landing(c, false, kDefaultGrid, 400, 300), c);
}

TEST(DropPlacement, ThePictureLandsWhereItIsDroppedAtAnyZoomAndScroll) {
    // Zoomed to 200 %, the view shows a part of the canvas; canvas pixel
    // (300, 500) lies in column 1, row 2 wherever the view shows it.
    for (float scale : {0.5f, 2.0f, 3.0f}) {
        const TViewGeometry g = View(624, 472, 486, 890, scale);
        const TPoint onScreen = g.BitmapToView(TPoint{300, 500});
        const TPoint back = g.ViewToBitmap(TPoint{onScreen.X + 1, onScreen.Y + 1});
        EXPECT_EQ(Landing(back, true), (TPoint{244, 446})) << "scale " << scale;
    }
}

TEST(DropPlacement, BesideTheCanvas) {
    const struct {
        TPoint Point;
        TPoint Grid;
        const char* Where;
    } cases[] = {
        {{-30, 100}, {2, 2}, "left of the canvas: column 0"},
        {{-500, -500}, {2, 2}, "far above and left: the first cell"},
        {{531, 100}, {244, 2}, "right of the canvas: the last column, no wrap to the left"},
        {{485, 889}, {244, 668}, "the gap right of and below the last cell: that cell"},
        {{100000, 100000}, {244, 668}, "far below and right: the last cell"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Landing(c.Point, true), c.Grid) << c.Where;
        // On an empty canvas the corner goes where the drop was, off the
        // canvas included.
        EXPECT_EQ(Landing(c.Point, false), c.Point) << c.Where;
    }
}

TEST(DropPlacement, IgnoredWithoutCanvasOrCells) {
    const struct {
        TGridLayout Grid;
        int W, H;
        bool GridMode;
        const char* Why;
    } cases[] = {
        {kDefaultGrid, 0, 890, true, "no canvas width"},
        {kDefaultGrid, 486, -1, false, "no canvas height"},
        {TGridLayout::Of(4, 2, -2, 220, 2), 486, 890, true, "a horizontal pitch of 0"},
        {TGridLayout::Of(4, 2, 240, -300, 2), 486, 890, true, "a negative vertical pitch"},
        {TGridLayout::Of(0, 2, 240, 220, 2), 486, 890, true, "no rows"},
        {TGridLayout::Of(4, -1, 240, 220, 2), 486, 890, true, "no columns"},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(PlaceDrop(TPoint{10, 10}, c.GridMode, c.Grid, c.W, c.H).Accepted) << c.Why;
    // A grid without cells is no concern of an empty canvas.
    EXPECT_TRUE(PlaceDrop(TPoint{10, 10}, false, TGridLayout::Of(0, 0, 0, 0, 0), 5, 5).Accepted);
}

TEST(DropPlacement, LargeValuesDoNotWrap) {
    // Pitches beyond 32 bits: the one cell starts at the gap, saturated.
    const TGridLayout huge = TGridLayout::Of(3, 3, INT32_MAX, INT32_MAX, INT32_MAX);
    EXPECT_EQ(Landing(TPoint{INT32_MAX, INT32_MIN}, true, huge, 100, 100),
              (TPoint{INT32_MAX, INT32_MAX}));
    EXPECT_EQ(Landing(TPoint{5, 5}, true, TGridLayout::Of(2, 2, INT32_MAX - 1, 10, 1), 100, 100),
              (TPoint{1, 1}));
}

TEST(DropPlacement, SeveralFilesFanOut) {
    EXPECT_EQ(FannedDropPoint(TPoint{10, -5}, 0), (TPoint{10, -5}));
    EXPECT_EQ(FannedDropPoint(TPoint{10, -5}, 2),
              (TPoint{10 + 2 * kDropFanStep, -5 + 2 * kDropFanStep}));
    EXPECT_EQ(FannedDropPoint(TPoint{INT32_MAX - 1, 0}, 3), (TPoint{INT32_MAX, 3 * kDropFanStep}));
}

} // namespace
