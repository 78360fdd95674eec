#include "layout/uGridGeometry.h"

#include "layout/uCanvasLimit.h"
#include "settings/uIniOption.h"

#include <gtest/gtest.h>

namespace {

TGridLayout Layout(std::int32_t rows, std::int32_t cols, std::int32_t w, std::int32_t h,
                   std::int32_t space) {
    return TGridLayout::Of(rows, cols, w, h, space);
}

TEST(GridGeometry, CanvasSize) {
    struct Case {
        TGridLayout layout;
        TGridSize size;
    } cases[] = {
        {Layout(4, 2, 240, 220, 2), {486, 890}},
        {Layout(1, 1, 240, 220, 0), {240, 220}},
        {Layout(3, 5, 10, 20, 0), {50, 60}},
        // The largest dialog values: 999 x 9999 + 1000 x 999 on each side.
        {Layout(999, 999, 9999, 9999, 999), {10988001, 10988001}},
        // Values no dialog allows, from an edited file, saturate instead of wrapping.
        {Layout(INT32_MAX, 2, 240, 220, 2), {486, INT32_MAX}},
        {Layout(4, -3, 240, 220, 2), {-724, 890}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GridCanvasSize(c.layout), c.size)
            << c.layout.RowNumber << "x" << c.layout.ColNumber;
}

TEST(GridGeometry, CellOrderAndOrigins) {
    const TGridLayout l = Layout(4, 2, 240, 220, 2);
    EXPECT_EQ(CellOfIndex(l, 5), (TGridCell{2, 1}));
    EXPECT_EQ(CellOrigin(l, 2, 1), (TGridPoint{244, 446}));
    EXPECT_EQ(CellOrigin(l, 0, 0), (TGridPoint{2, 2}));
    EXPECT_EQ(CellCount(l), 8);
    EXPECT_EQ(CellCount(Layout(0, 2, 1, 1, 0)), 0);

    const TGridLayout abut = Layout(3, 3, 50, 40, 0);
    EXPECT_EQ(CellOrigin(abut, 2, 1), (TGridPoint{50, 80}));

    const TGridLayout big = Layout(999, 999, 9999, 9999, 999);
    EXPECT_EQ(CellOrigin(big, 998, 998),
              (TGridPoint{998 * 9999 + 999 * 999, 998 * 9999 + 999 * 999}));
}

TEST(GridGeometry, CellUnderAPointOwnsTheGapBeforeIt) {
    const TGridLayout l = Layout(4, 2, 240, 220, 2);
    struct Case {
        std::int32_t x, y;
        TGridCell cell;
    } cases[] = {
        {0, 0, {0, 0}},   {241, 221, {0, 0}}, {242, 222, {1, 1}}, {483, 0, {0, 1}},
        {484, 0, {0, 2}}, {485, 0, {0, 2}},   {0, 888, {4, 0}},   {-1, -300, {-1, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CellAtPoint(l, c.x, c.y), c.cell) << c.x << "," << c.y;
    // A pitch of zero (cell size and gap cancel out) cannot divide.
    EXPECT_EQ(CellAtPoint(Layout(1, 1, 2, 2, -2), 100, 100), (TGridCell{0, 0}));
}

TEST(GridGeometry, DimensionText) {
    EXPECT_EQ(DimensionText(486, 890), " 486 x 890 (px)");
    EXPECT_EQ(DimensionText(10988001, -4), " 10988001 x -4 (px)");
}

TEST(GridGeometry, CouplingRoundsHalvesToEven) {
    struct Case {
        std::int32_t value;
        double ratio;
        std::int32_t height, width;
    } cases[] = {
        {245, 2.0, 122, 490},
        {247, 2.0, 124, 494},
        {240, 240.0 / 220.0, 220, 262},
        {3, 0.5, 6, 2},  // 1.5 -> 2
        {5, 0.5, 10, 2}, // 2.5 -> 2
        {9999, 1.0 / 9999.0, 99980001, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CoupledHeight(c.value, c.ratio), c.height) << c.value << " / " << c.ratio;
        EXPECT_EQ(CoupledWidth(c.value, c.ratio), c.width) << c.value << " * " << c.ratio;
    }
    EXPECT_EQ(CoupledHeight(5, 0.0), INT32_MAX);
    EXPECT_EQ(CoupledHeight(0, 0.0), 0);
}

TEST(GridGeometry, CouplingWithinAFieldsRange) {
    struct Case {
        std::int32_t value;
        double ratio;
        std::int32_t height, width;
    } cases[] = {
        {245, 2.0, 122, 490},
        {9999, 2.0 / 999999.0, 9999, 2}, // a 2 x 999,999 sample: far beyond both ends
        {3, 0.5, 6, 2},                  // 1.5 stays 2 at the lower end
        {0, 0.0, 2, 2},                  // 0 / 0 is no number: the lower end
        {5, 0.0, 9999, 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CoupledHeightWithin(c.value, c.ratio, 2, 9999), c.height) << c.value;
        EXPECT_EQ(CoupledWidthWithin(c.value, c.ratio, 2, 9999), c.width) << c.value;
    }
}

TEST(GridGeometry, CanvasExtentIsExactIn64Bits) {
    const TCanvasExtent big = GridCanvasExtent(Layout(999, 999, 9999, 9999, 999));
    EXPECT_EQ(big.Width, 10988001);
    EXPECT_EQ(big.Width, big.Height);
    // The farthest any 32-bit parameters reach, both ways, without overflow.
    const TCanvasExtent far =
        GridCanvasExtent(Layout(INT32_MAX, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN));
    EXPECT_EQ(far.Width, 9223372034707292160);   // 2^63 - 2^31
    EXPECT_EQ(far.Height, -9223372034707292160); // -(2^63 - 2^31)
}

TEST(CanvasLimit, RefusesWhatThePixelStoreCannotHold) {
    const std::int64_t limit = std::int64_t(1) << 30;
    struct Case {
        std::int64_t width, height;
        bool fits;
    } cases[] = {
        {486, 890, true},
        {9999, 9999, true},
        {limit, 1, true},
        {limit / 2, 2, true},
        {limit + 1, 1, false},
        {32769, 32768, false},
        {10988001, 10988001, false},
        {INT64_MAX, INT64_MAX, false}, // no product is formed that could overflow
        {0, INT64_MAX, true},          // an empty canvas
        {-5, 10, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CanvasSizeRefusal(c.width, c.height).empty(), c.fits)
            << c.width << " x " << c.height;
    EXPECT_EQ(CanvasSizeRefusal(10988001, 890),
              "The new picture would be 10988001 x 890 pixels, more than the 1073741824 pixels "
              "a picture can hold. Please choose fewer or smaller cells, or a smaller picture.");
}

} // namespace
