// A drawing surface with pen and brush over the pixels of a TBitmap32.
#pragma once

#include "engine/TColor32.h"
#include "engine/TRect.h"

#include <functional>

class TBitmap32;

enum TPenStyle {
    psSolid,
    psDash,       // 18 on, 6 off
    psDot,        // 3 on, 3 off
    psDashDot,    // 9 on, 6 off, 3 on, 6 off
    psDashDotDot, // 9 on, 3 off, 3 on, 3 off, 3 on, 3 off
    psClear,
};

enum TBrushStyle {
    bsSolid,
    bsClear,
};

struct TPen {
    TColor Color = clBlack;
    TPenStyle Style = psSolid;
    int Width = 1; // lines are one pixel wide whatever the width
};

struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;
};

// Lines and outlines are one pixel wide. A styled pen runs its pattern on
// along a whole outline or polyline; the gaps take the brush colour when the
// brush is solid and are left alone when it is clear. Pixels are written
// opaque and clipped to the bitmap's ClipRect. Each drawing call ends with the
// bitmap's Changed.
class TCanvas {
public:
    explicit TCanvas(TBitmap32& Bitmap) : FBitmap(Bitmap) {}
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    TPen Pen;
    TBrush Brush;

    // The outline over columns X1..X2-1 and rows Y1..Y2-1 in the pen, the
    // inside filled with the brush. Nothing when X2 <= X1 or Y2 <= Y1.
    void Rectangle(int X1, int Y1, int X2, int Y2);
    void Rectangle(const TRect& R) { Rectangle(R.Left, R.Top, R.Right, R.Bottom); }
    // Fills R with the brush (nothing with a clear brush).
    void FillRect(const TRect& R);
    // Lines from the pen position; the end point itself is not drawn.
    void MoveTo(int X, int Y);
    void LineTo(int X, int Y);
    TPoint PenPos() const { return FPenPos; }

private:
    void StyledPixel(int X, int Y, TColor32 PenColor, TColor32 GapColor, bool DrawGaps);
    void Notify();

    TBitmap32& FBitmap;
    TPoint FPenPos;
    int FStylePos = 0;
};
