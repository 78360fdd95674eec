// The arithmetic of the thumbnail viewer, kept apart from any widget: how many
// cells fit in a row, where each cell, its picture and its caption lie, which
// item is under a point, which items are in view, how far the view scrolls and
// where the keys move the selection.
//
// Cells sit in rows from the top-left corner, Spacing pixels apart and Spacing
// pixels in from the left and top edges; the content ends Spacing pixels below
// the last row. All rectangles are in viewport coordinates (the content moved
// up by the scroll position).
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// The items in view, First..Last; both -1 when none is.
struct TThumbnailRange {
    int First = -1;
    int Last = -1;
    bool Empty() const { return First < 0; }
    bool operator==(const TThumbnailRange& o) const { return First == o.First && Last == o.Last; }
    bool operator!=(const TThumbnailRange& o) const { return !(*this == o); }
};

// The moves of the selection keys.
enum TThumbnailMove { tmLeft, tmRight, tmUp, tmDown, tmPageUp, tmPageDown, tmHome, tmEnd };

class TThumbnailLayout {
public:
    // Each setter keeps the scroll position within the new range.

    QSize CellSize() const { return FCellSize; }
    // Sides below 1 become 1.
    void SetCellSize(QSize value);
    int Spacing() const { return FSpacing; }
    // Below 0 becomes 0.
    void SetSpacing(int value);
    // The most columns a row may have; 0 is as many as fit.
    int MaxColumns() const { return FMaxColumns; }
    void SetMaxColumns(int value);
    // The blank border inside a cell around its picture and caption.
    int ImageMargin() const { return FImageMargin; }
    void SetImageMargin(int value);
    // The height of the caption band at the bottom of every cell; 0 for none.
    int CaptionHeight() const { return FCaptionHeight; }
    void SetCaptionHeight(int value);
    QSize ViewportSize() const { return FViewportSize; }
    void SetViewportSize(QSize value);
    int Count() const { return FCount; }
    // Below 0 becomes 0.
    void SetCount(int value);

    // The distance from one row's top to the next: the vertical scroll step.
    int RowStep() const { return FCellSize.height() + FSpacing; }
    // Cells per row: as many as fit the viewport width, at least one, at most MaxColumns.
    int Columns() const;
    int Rows() const;
    // The height of everything there is to scroll through.
    int ContentHeight() const;
    int MaxScrollY() const;
    int ScrollY() const { return FScrollY; }
    // Kept within 0..MaxScrollY.
    void SetScrollY(int value);

    // Where item Index lies; the results for an index outside 0..Count-1 follow
    // the same grid.
    QRect CellRect(int Index) const;
    // The part of the cell the picture is fitted into: the cell less the margin
    // and the caption band.
    QRect ImageBox(int Index) const;
    QRect CaptionRect(int Index) const;
    // The item under viewport point P, or -1 over the gaps, the margins, right
    // of the last column and below the last item.
    int IndexAt(QPoint P) const;
    // The items any part of whose cell is in the viewport.
    TThumbnailRange VisibleRange() const;
    // The scroll position that shows the whole cell of Index with the spacing
    // around it, moving as little as possible; the top wins when the viewport
    // is lower than that.
    int ScrollToShow(int Index) const;
    // Where a selection key moves the selection from Current: -1 when there are
    // no items; from no selection the first item (the last for End).
    int MoveTarget(int Current, TThumbnailMove Move) const;

    // A picture of size Image centred in Box, shrunk with its aspect ratio kept
    // when it is larger than Box and left at its own size otherwise.
    static QRect FitRect(QSize Image, const QRect& Box);

private:
    void ClampScroll();

    QSize FCellSize{80, 60};
    int FSpacing = 4;
    int FMaxColumns = 0;
    int FImageMargin = 0;
    int FCaptionHeight = 0;
    QSize FViewportSize{0, 0};
    int FCount = 0;
    int FScrollY = 0;
};
