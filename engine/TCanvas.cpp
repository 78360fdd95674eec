#include "engine/TCanvas.h"

#include "engine/TBitmap32.h"

#include <algorithm>
#include <cstdlib>

namespace {

// On and off lengths of the styled pens, starting with a dash.
struct TStylePattern {
    int Count;
    int Lengths[6];
};

const TStylePattern* PatternOf(TPenStyle Style) {
    static const TStylePattern Dash = {2, {18, 6}};
    static const TStylePattern Dot = {2, {3, 3}};
    static const TStylePattern DashDot = {4, {9, 6, 3, 6}};
    static const TStylePattern DashDotDot = {6, {9, 3, 3, 3, 3, 3}};
    switch (Style) {
    case psDash:
        return &Dash;
    case psDot:
        return &Dot;
    case psDashDot:
        return &DashDot;
    case psDashDotDot:
        return &DashDotDot;
    default:
        return nullptr;
    }
}

// True when position Pos of the pattern is a dash (not a gap).
bool IsDash(const TStylePattern& P, int Pos) {
    int Total = 0;
    for (int I = 0; I < P.Count; ++I)
        Total += P.Lengths[I];
    Pos %= Total;
    for (int I = 0; I < P.Count; ++I) {
        if (Pos < P.Lengths[I])
            return I % 2 == 0;
        Pos -= P.Lengths[I];
    }
    return true;
}

} // namespace

void TCanvas::StyledPixel(int X, int Y, TColor32 PenColor, TColor32 GapColor, bool DrawGaps) {
    const TStylePattern* P = PatternOf(Pen.Style);
    const bool Dash = P == nullptr || IsDash(*P, FStylePos);
    ++FStylePos;
    if (!FBitmap.ClipRect().Contains(X, Y))
        return;
    if (Dash)
        FBitmap.SetPixel(X, Y, PenColor);
    else if (DrawGaps)
        FBitmap.SetPixel(X, Y, GapColor);
}

void TCanvas::Notify() {
    FBitmap.Changed();
}

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2) {
    if (X2 < X1)
        std::swap(X1, X2);
    if (Y2 < Y1)
        std::swap(Y1, Y2);
    if (X1 == X2 || Y1 == Y2 || FBitmap.IsEmpty())
        return;
    const TColor32 BrushColor = ColorToColor32(Brush.Color);
    const bool Fill = Brush.Style == bsSolid;
    if (Pen.Style == psClear) {
        if (Fill)
            FBitmap.FillRectClipped(X1, Y1, X2 - 1, Y2 - 1, BrushColor);
        Notify();
        return;
    }
    if (Fill && X2 - X1 > 2 && Y2 - Y1 > 2)
        FBitmap.FillRectClipped(X1 + 1, Y1 + 1, X2 - 1, Y2 - 1, BrushColor);
    const TColor32 PenColor = ColorToColor32(Pen.Color);
    const int R = X2 - 1;
    const int B = Y2 - 1;
    FStylePos = 0;
    const auto Put = [&](int X, int Y) { StyledPixel(X, Y, PenColor, BrushColor, Fill); };
    if (X1 == R) {
        for (int Y = Y1; Y <= B; ++Y)
            Put(X1, Y);
    } else if (Y1 == B) {
        for (int X = X1; X <= R; ++X)
            Put(X, Y1);
    } else {
        // Clockwise from the top-left corner, each pixel once.
        for (int X = X1; X < R; ++X)
            Put(X, Y1);
        for (int Y = Y1; Y < B; ++Y)
            Put(R, Y);
        for (int X = R; X > X1; --X)
            Put(X, B);
        for (int Y = B; Y > Y1; --Y)
            Put(X1, Y);
    }
    Notify();
}

void TCanvas::FillRect(const TRect& R) {
    if (Brush.Style == bsSolid && !FBitmap.IsEmpty())
        FBitmap.FillRectClipped(R.Left, R.Top, R.Right, R.Bottom, ColorToColor32(Brush.Color));
    Notify();
}

void TCanvas::MoveTo(int X, int Y) {
    FPenPos = TPoint{X, Y};
    FStylePos = 0;
}

void TCanvas::LineTo(int X, int Y) {
    if (Pen.Style != psClear && !FBitmap.IsEmpty()) {
        const TColor32 PenColor = ColorToColor32(Pen.Color);
        const TColor32 BrushColor = ColorToColor32(Brush.Color);
        const bool Gaps = Brush.Style == bsSolid;
        // Bresenham; the end point is not drawn.
        int X0 = FPenPos.X;
        int Y0 = FPenPos.Y;
        const int DX = std::abs(X - X0);
        const int DY = -std::abs(Y - Y0);
        const int SX = X0 < X ? 1 : -1;
        const int SY = Y0 < Y ? 1 : -1;
        int Err = DX + DY;
        while (X0 != X || Y0 != Y) {
            StyledPixel(X0, Y0, PenColor, BrushColor, Gaps);
            const int E2 = 2 * Err;
            if (E2 >= DY) {
                Err += DY;
                X0 += SX;
            }
            if (E2 <= DX) {
                Err += DX;
                Y0 += SY;
            }
        }
    }
    FPenPos = TPoint{X, Y};
    Notify();
}
