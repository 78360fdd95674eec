#include "engine/TRubberbandLayer.h"

#include <gtest/gtest.h>

namespace {

TEST(RubberbandZones, NineZonesInOrder) {
    // Rounded (10, 20, 110, 70); the handles sit on 10/109 and 20/69, middles 59 and 44.
    const TRectF r{10.4f, 19.6f, 110.0f, 70.0f};
    struct Case {
        int x, y;
        TRBDragState state;
    } cases[] = {
        {10, 20, DragTopLeft},      {109, 20, DragTopRight},    {10, 69, DragBottomLeft},
        {109, 69, DragBottomRight}, {113, 73, DragBottomRight}, // 4 outside still grabs
        {114, 69, DragNone},        {109, 74, DragNone},        {59, 20, DragTop},
        {63, 16, DragTop},          {64, 20, DragMove},         {59, 69, DragBottom},
        {10, 44, DragLeft},         {109, 48, DragRight},       {109, 49, DragNone},
        {60, 45, DragMove},         {15, 25, DragMove},         {108, 68, DragBottomRight},
        {104, 64, DragMove},        {14, 30, DragMove},         {5, 30, DragNone},
        {60, 16, DragTop},          {60, 15, DragNone},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RubberbandDragStateAt(r, 3, AllRBHandles, c.x, c.y), c.state)
            << c.x << "," << c.y;
}

TEST(RubberbandZones, SmallFramesAndDisabledHandles) {
    // Less than 9 pixels wide: the middle is a handle zone, not a move.
    const TRectF narrow{100, 100, 108, 200};
    EXPECT_EQ(RubberbandDragStateAt(narrow, 3, AllRBHandles, 104, 150), DragRight);
    // Corners win over sides even where both hold.
    const TRectF tiny{0, 0, 4, 4};
    EXPECT_EQ(RubberbandDragStateAt(tiny, 3, AllRBHandles, 1, 1), DragBottomRight);

    const TRectF r{0, 0, 100, 100};
    EXPECT_EQ(RubberbandDragStateAt(r, 3, rhCenter | rhSides, -2, -2), DragNone);
    EXPECT_EQ(RubberbandDragStateAt(r, 3, rhCenter, -1, 49), DragNone);
    EXPECT_EQ(RubberbandDragStateAt(r, 3, rhCenter, 0, 49), DragMove);
    EXPECT_EQ(RubberbandDragStateAt(r, 3, rhCorners | rhSides, 50, 50), DragNone);
    // A larger handle size widens the zones.
    EXPECT_EQ(RubberbandDragStateAt(r, 6, AllRBHandles, 106, 106), DragBottomRight);
}

TEST(RubberbandDrag, MoveAndResizeWithLimits) {
    const TRectF old{10, 10, 50, 30};
    TRBSizeLimits lim;
    lim.MinWidth = 1;
    lim.MinHeight = 1;
    struct Case {
        TRBDragState state;
        float mx, my;
        bool resizable;
        TRectF expected;
    } cases[] = {
        {DragMove, 15, 12, true, {15, 12, 55, 32}},
        {DragMove, 15, 12, false, {15, 12, 55, 32}}, // moving ignores Resizable
        {DragRight, 70, 99, true, {10, 10, 70, 30}},
        {DragRight, 70, 99, false, old},
        {DragLeft, 80, 0, true, {49, 10, 50, 30}}, // stops at width 1, no flip
        {DragRight, -5, 0, true, {10, 10, 11, 30}},
        {DragTop, 0, 45, true, {10, 29, 50, 30}},
        {DragBottom, 0, 40, true, {10, 10, 50, 40}},
        {DragTopLeft, 0, 5, true, {0, 5, 50, 30}},
        {DragBottomRight, 20, 12, true, {10, 10, 20, 12}},
        {DragTopRight, 60, 29.5f, true, {10, 29, 60, 30}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RubberbandDragLocation(old, c.state, c.mx, c.my, c.resizable, lim), c.expected)
            << c.state << " " << c.mx << "," << c.my;

    // A maximum counts only when it is not below the minimum.
    lim.MinWidth = 10;
    lim.MaxWidth = 25;
    EXPECT_EQ(RubberbandDragLocation(old, DragRight, 90, 0, true, lim), (TRectF{10, 10, 35, 30}));
    EXPECT_EQ(RubberbandDragLocation(old, DragLeft, 45, 0, true, lim), (TRectF{40, 10, 50, 30}));
    lim.MaxWidth = 5;
    EXPECT_EQ(RubberbandDragLocation(old, DragRight, 90, 0, true, lim), (TRectF{10, 10, 90, 30}));
}

} // namespace
