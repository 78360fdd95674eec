#include "CommUnit/TThumbnailLayout.h"

#include <gtest/gtest.h>

namespace {

// The picture list's cells: 80 x 60, 4 pixels apart.
TThumbnailLayout ListLayout(int width, int height, int count, int scroll = 0) {
    TThumbnailLayout l;
    l.SetCellSize({80, 60});
    l.SetSpacing(4);
    l.SetViewportSize({width, height});
    l.SetCount(count);
    l.SetScrollY(scroll);
    return l;
}

TEST(ThumbnailLayout, ColumnsFromTheWidth) {
    struct Case {
        int width, maxColumns, columns;
    } cases[] = {
        {105, 0, 1}, // the picture list's width
        {171, 0, 1}, // one pixel short of a second column and its spacing
        {172, 0, 2}, // just wide enough for two
        {600, 0, 7}, // 596 / 84
        {30, 0, 1},  // narrower than a cell: still one
        {0, 0, 1},   // no width at all: still one
        {600, 1, 1}, // capped, as in a one-column list
        {600, 3, 3}, // capped below what fits
        {171, 3, 1}, // the cap never adds columns
    };
    for (const Case& c : cases) {
        TThumbnailLayout l = ListLayout(c.width, 100, 10);
        l.SetMaxColumns(c.maxColumns);
        EXPECT_EQ(l.Columns(), c.columns) << c.width << " wide, cap " << c.maxColumns;
    }
}

TEST(ThumbnailLayout, CellsPicturesAndCaptions) {
    // Three columns; row pitch 64.
    TThumbnailLayout l = ListLayout(300, 150, 7);
    EXPECT_EQ(l.CellRect(0), QRect(4, 4, 80, 60));
    EXPECT_EQ(l.CellRect(2), QRect(172, 4, 80, 60));
    EXPECT_EQ(l.CellRect(4), QRect(88, 68, 80, 60));
    EXPECT_EQ(l.ContentHeight(), 4 + 3 * 64);
    EXPECT_EQ(l.RowStep(), 64);
    l.SetScrollY(10);
    EXPECT_EQ(l.CellRect(4), QRect(88, 58, 80, 60));

    // The explorer's cells: 140 x 120, a 2-pixel margin, a caption band under the picture.
    TThumbnailLayout e;
    e.SetCellSize({140, 120});
    e.SetSpacing(4);
    e.SetMaxColumns(1);
    e.SetImageMargin(2);
    e.SetCaptionHeight(15);
    e.SetViewportSize({400, 300});
    e.SetCount(5);
    EXPECT_EQ(e.CellRect(1), QRect(4, 128, 140, 120));
    EXPECT_EQ(e.ImageBox(1), QRect(6, 130, 136, 101));
    EXPECT_EQ(e.CaptionRect(1), QRect(6, 231, 136, 15)); // ends 2 above the cell's bottom
    // A cell too small for its margin and caption leaves empty boxes, never negative ones.
    e.SetCellSize({3, 10});
    EXPECT_EQ(e.ImageBox(0).size(), QSize(0, 0));
    EXPECT_EQ(e.CaptionRect(0).size(), QSize(0, 6));
}

TEST(ThumbnailLayout, IndexAtPoints) {
    // Three columns of 80 x 60 at x 4, 88, 172; rows at y 4, 68, 132; 7 items.
    struct Case {
        int x, y, scroll, index;
    } cases[] = {
        {4, 4, 0, 0},      // first pixel of the first cell
        {83, 63, 0, 0},    // its last pixel
        {84, 10, 0, -1},   // the gap between columns
        {87, 10, 0, -1},   // its last pixel
        {88, 10, 0, 1},    // the next column begins
        {10, 64, 0, -1},   // the gap between rows
        {10, 68, 0, 3},    // the next row
        {3, 10, 0, -1},    // the left margin
        {10, 3, 0, -1},    // the top margin
        {-5, -5, 0, -1},   // outside the viewport
        {260, 10, 0, -1},  // right of the last column
        {100, 140, 0, -1}, // beside the last item, in its row
        {10, 200, 0, -1},  // below the last row
        {200, 132, 0, -1}, // column 2 of the last row: past the items
        {10, 140, 0, 6},   // the last item
        {10, 40, 30, 3},   // scrolled: content y 70 is in row 1
        {10, 0, 30, 0},    // scrolled: content y 30 is in row 0
    };
    for (const Case& c : cases) {
        const TThumbnailLayout l = ListLayout(300, 150, 7, c.scroll);
        EXPECT_EQ(l.IndexAt({c.x, c.y}), c.index) << c.x << "," << c.y << " scrolled " << c.scroll;
    }
}

TEST(ThumbnailLayout, ScrollRangeAndVisibleItems) {
    // 20 items in 3 columns: 7 rows, content 4 + 7 * 64 = 452 high in a 150-high viewport.
    TThumbnailLayout l = ListLayout(300, 150, 20);
    EXPECT_EQ(l.MaxScrollY(), 302);
    struct Case {
        int height, scroll, first, last;
    } cases[] = {
        {150, 0, 0, 8},     // rows 0..2; row 3 begins at 196
        {150, 59, 0, 11},   // row 0 still shows its last 5 pixels
        {150, 64, 3, 11},   // row 0 ends exactly at the viewport's top
        {150, 302, 12, 19}, // the end: the last row is partly empty
        {150, 999, 12, 19}, // clamped to the end
        {150, -5, 0, 8},    // clamped to the top
        {4, 64, -1, -1},    // a viewport showing only the gap between two rows
        {5, 64, 3, 5},      // one pixel more reaches row 1
        {0, 0, -1, -1},     // no viewport
    };
    for (const Case& c : cases) {
        l.SetViewportSize({300, c.height});
        l.SetScrollY(c.scroll);
        const TThumbnailRange r = l.VisibleRange();
        EXPECT_EQ(r.First, c.first) << "height " << c.height << " scroll " << c.scroll;
        EXPECT_EQ(r.Last, c.last) << "height " << c.height << " scroll " << c.scroll;
    }
    EXPECT_TRUE(ListLayout(300, 150, 0).VisibleRange().Empty());

    // Fewer items or a wider viewport pull the scroll position back into range.
    l.SetViewportSize({300, 150});
    l.SetScrollY(302);
    l.SetCount(9);
    EXPECT_EQ(l.ScrollY(), 4 + 3 * 64 - 150);
    l.SetViewportSize({1000, 150}); // one row of 11 columns fits
    EXPECT_EQ(l.ScrollY(), 0);
}

TEST(ThumbnailLayout, ScrollToShowAnItem) {
    struct Case {
        int height, scroll, index, result;
    } cases[] = {
        {150, 0, 5, 0},    // row 1 is in view already
        {150, 0, 12, 174}, // row 4 (260..320) with its spacing at the bottom: 324 - 150
        {150, 302, 0, 0},  // back to the top, margin included
        {150, 100, 3, 64}, // row 1 partly above: its spacing at the top
        {150, 0, 19, 302}, // the last row: the end
        {40, 0, 3, 64},    // a viewport lower than a cell shows the cell's top
    };
    for (const Case& c : cases) {
        TThumbnailLayout l = ListLayout(300, c.height, 20, c.scroll);
        EXPECT_EQ(l.ScrollToShow(c.index), c.result) << "item " << c.index << " from " << c.scroll;
    }
}

TEST(ThumbnailLayout, SelectionKeys) {
    // 8 items in 3 columns (rows 0-2, 3-5, 6-7); a page is two rows.
    const TThumbnailLayout l = ListLayout(300, 150, 8);
    struct Case {
        int current;
        TThumbnailMove move;
        int target;
    } cases[] = {
        {-1, tmDown, 0},    // from no selection: the first item
        {-1, tmEnd, 7},     // or the last one for End
        {1, tmLeft, 0},     // back along the row
        {0, tmLeft, 0},     // nothing before the first
        {2, tmRight, 3},    // from the end of a row to the next row
        {7, tmRight, 7},    // nothing after the last
        {4, tmUp, 1},       // a row up, same column
        {1, tmUp, 1},       // already in the first row
        {4, tmDown, 7},     // a row down, same column
        {5, tmDown, 7},     // column 2 has no item in the last row: its last item
        {6, tmDown, 6},     // already in the last row
        {7, tmPageUp, 1},   // two rows up
        {4, tmPageUp, 1},   // less than a page above: the top of its column
        {0, tmPageDown, 6}, // two rows down
        {2, tmPageDown, 7}, // past the end: the last item
        {6, tmPageDown, 6}, // already in the last row
        {5, tmHome, 0},     // the first item
        {2, tmEnd, 7},      // the last item
        {8, tmUp, 0},       // an index past the items counts as none
    };
    for (const Case& c : cases)
        EXPECT_EQ(l.MoveTarget(c.current, c.move), c.target)
            << "from " << c.current << " move " << c.move;
    EXPECT_EQ(ListLayout(300, 150, 0).MoveTarget(-1, tmHome), -1);
}

TEST(ThumbnailLayout, FitPictureInBox) {
    struct Case {
        QSize image;
        QRect box, result;
    } cases[] = {
        {{70, 50}, {0, 0, 80, 60}, {5, 5, 70, 50}},       // smaller: 1:1, centred
        {{80, 60}, {0, 0, 80, 60}, {0, 0, 80, 60}},       // exactly the box
        {{160, 60}, {0, 0, 80, 60}, {0, 15, 80, 30}},     // too wide: width fills
        {{60, 240}, {0, 0, 80, 60}, {32, 0, 15, 60}},     // too high: height fills
        {{81, 61}, {0, 0, 80, 60}, {0, 0, 80, 60}},       // 80.17 rounds to 80
        {{1000, 1}, {0, 0, 80, 60}, {0, 29, 80, 1}},      // never thinner than a pixel
        {{400, 300}, {6, 6, 136, 101}, {6, 6, 135, 101}}, // an explorer box: 135.2 wide
        {{0, 0}, {4, 4, 80, 60}, {4, 4, 0, 0}},           // no picture
        {{10, 10}, {4, 4, 0, 60}, {4, 4, 0, 0}},          // no box
    };
    for (const Case& c : cases)
        EXPECT_EQ(TThumbnailLayout::FitRect(c.image, c.box), c.result)
            << c.image.width() << "x" << c.image.height();
}

} // namespace
