#include "engine/TCanvas.h"

#include "engine/TBitmap32.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The store as rows of characters: '.' for the background, '#' for Ink,
// 'o' for Other, '?' for anything else.
std::string Picture(const TBitmap32& B, TColor32 Background, TColor32 Ink, TColor32 Other = 1) {
    std::string S;
    for (int Y = 0; Y < B.Height(); ++Y) {
        for (int X = 0; X < B.Width(); ++X) {
            const TColor32 P = B.Pixel(X, Y);
            S += P == Background ? '.' : P == Ink ? '#' : P == Other ? 'o' : '?';
        }
        S += '\n';
    }
    return S;
}

} // namespace

TEST(TCanvasRectangle, DottedOutlineWithAHollowBrush) {
    TBitmap32 B;
    B.SetSize(8, 5);
    B.Clear(0xFF808080);
    int Changes = 0;
    B.OnChange = [&](TNotifiablePersistent*) { ++Changes; };
    TCanvas& C = B.Canvas();
    C.Pen.Style = psDot;
    C.Pen.Color = clRed;
    C.Brush.Style = bsClear;
    C.Rectangle(1, 0, 8, 5);
    EXPECT_EQ(Changes, 1);
    // Three on, three off, clockwise from the top-left corner; written opaque.
    EXPECT_EQ(Picture(B, 0xFF808080, 0xFFFF0000), ".###...#\n"
                                                  ".#.....#\n"
                                                  ".#.....#\n"
                                                  "........\n"
                                                  "...###..\n");
}

TEST(TCanvasRectangle, SolidBrushFillsInsideAndTheGaps) {
    TBitmap32 B;
    B.SetSize(7, 4);
    B.Clear(0xFF808080);
    TCanvas& C = B.Canvas();
    C.Pen.Style = psDot;
    C.Pen.Color = clBlack;
    C.Brush.Color = clWhite;
    C.Rectangle(0, 0, 7, 4);
    EXPECT_EQ(Picture(B, 0xFF808080, 0xFF000000, 0xFFFFFFFF), "###ooo#\n"
                                                              "oooooo#\n"
                                                              "oooooo#\n"
                                                              "o###ooo\n");
}

TEST(TCanvasRectangle, ClippedAndReleasedBySizeChanges) {
    TBitmap32 B;
    B.SetSize(4, 3);
    B.SetClipRect(TRect(0, 0, 2, 3));
    TCanvas& C = B.Canvas();
    C.Pen.Color = clWhite;
    C.Brush.Style = bsClear;
    C.Rectangle(-1, -1, 10, 2);
    EXPECT_EQ(Picture(B, 0, 0xFFFFFFFF), "....\n"
                                         "##..\n"
                                         "....\n");
    EXPECT_TRUE(B.HasCanvas());
    B.SetSize(2, 2);
    EXPECT_FALSE(B.HasCanvas());
}

TEST(TCanvasLines, LineToSkipsTheEndPoint) {
    TBitmap32 B;
    B.SetSize(4, 4);
    TCanvas& C = B.Canvas();
    C.Pen.Color = clWhite;
    C.MoveTo(0, 0);
    C.LineTo(3, 3);
    C.MoveTo(3, 0);
    C.LineTo(3, 2);
    EXPECT_EQ(Picture(B, 0, 0xFFFFFFFF), "#..#\n"
                                         ".#.#\n"
                                         "..#.\n"
                                         "....\n");
}
