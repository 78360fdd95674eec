#include "CommUnit/TThumbnailLayout.h"

#include <algorithm>
#include <cstdint>

namespace {

// Division rounding toward minus infinity (b > 0).
int FloorDiv(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

} // namespace

void TThumbnailLayout::SetCellSize(QSize value) {
    FCellSize = QSize(std::max(1, value.width()), std::max(1, value.height()));
    ClampScroll();
}

void TThumbnailLayout::SetSpacing(int value) {
    FSpacing = std::max(0, value);
    ClampScroll();
}

void TThumbnailLayout::SetMaxColumns(int value) {
    FMaxColumns = std::max(0, value);
    ClampScroll();
}

void TThumbnailLayout::SetImageMargin(int value) {
    FImageMargin = std::max(0, value);
}

void TThumbnailLayout::SetCaptionHeight(int value) {
    FCaptionHeight = std::max(0, value);
}

void TThumbnailLayout::SetViewportSize(QSize value) {
    FViewportSize = QSize(std::max(0, value.width()), std::max(0, value.height()));
    ClampScroll();
}

void TThumbnailLayout::SetCount(int value) {
    FCount = std::max(0, value);
    ClampScroll();
}

int TThumbnailLayout::Columns() const {
    const int fit = (FViewportSize.width() - FSpacing) / (FCellSize.width() + FSpacing);
    const int columns = std::max(1, fit);
    return FMaxColumns > 0 ? std::min(columns, FMaxColumns) : columns;
}

int TThumbnailLayout::Rows() const {
    const int columns = Columns();
    return (FCount + columns - 1) / columns;
}

int TThumbnailLayout::ContentHeight() const {
    const int rows = Rows();
    return rows == 0 ? 0 : FSpacing + rows * RowStep();
}

int TThumbnailLayout::MaxScrollY() const {
    return std::max(0, ContentHeight() - FViewportSize.height());
}

void TThumbnailLayout::SetScrollY(int value) {
    FScrollY = std::clamp(value, 0, MaxScrollY());
}

void TThumbnailLayout::ClampScroll() {
    SetScrollY(FScrollY);
}

QRect TThumbnailLayout::CellRect(int Index) const {
    const int columns = Columns();
    const int row = FloorDiv(Index, columns);
    const int column = Index - row * columns;
    return QRect(FSpacing + column * (FCellSize.width() + FSpacing),
                 FSpacing + row * RowStep() - FScrollY, FCellSize.width(), FCellSize.height());
}

QRect TThumbnailLayout::ImageBox(int Index) const {
    const QRect cell = CellRect(Index);
    const int m = FImageMargin;
    return QRect(cell.x() + m, cell.y() + m, std::max(0, cell.width() - 2 * m),
                 std::max(0, cell.height() - 2 * m - FCaptionHeight));
}

QRect TThumbnailLayout::CaptionRect(int Index) const {
    const QRect cell = CellRect(Index);
    const int m = FImageMargin;
    const int height = std::min(FCaptionHeight, std::max(0, cell.height() - 2 * m));
    return QRect(cell.x() + m, cell.y() + cell.height() - m - height,
                 std::max(0, cell.width() - 2 * m), height);
}

int TThumbnailLayout::IndexAt(QPoint P) const {
    const int x = P.x() - FSpacing;
    const int y = P.y() + FScrollY - FSpacing;
    if (x < 0 || y < 0)
        return -1;
    const int stepX = FCellSize.width() + FSpacing;
    const int column = x / stepX;
    const int row = y / RowStep();
    if (x % stepX >= FCellSize.width() || y % RowStep() >= FCellSize.height())
        return -1;
    const int columns = Columns();
    if (column >= columns)
        return -1;
    const std::int64_t index = std::int64_t(row) * columns + column;
    return index < FCount ? int(index) : -1;
}

TThumbnailRange TThumbnailLayout::VisibleRange() const {
    if (FCount == 0 || FViewportSize.height() <= 0)
        return {};
    const int step = RowStep();
    // Row r covers FSpacing + r * step .. + cell height (exclusive) in the content.
    const int firstRow = std::max(0, FloorDiv(FScrollY - FSpacing - FCellSize.height(), step) + 1);
    const int bottom = FScrollY + FViewportSize.height() - FSpacing; // content y, exclusive
    const int lastRow = std::min(Rows() - 1, FloorDiv(bottom - 1, step));
    if (lastRow < firstRow)
        return {};
    const int columns = Columns();
    const int first = firstRow * columns;
    const int last = std::min(FCount - 1, lastRow * columns + columns - 1);
    if (first > last)
        return {};
    return {first, last};
}

int TThumbnailLayout::ScrollToShow(int Index) const {
    const QRect cell = CellRect(Index);
    const int top = cell.y() + FScrollY - FSpacing;
    const int bottom = cell.y() + FScrollY + cell.height() + FSpacing;
    int position = FScrollY;
    if (bottom > position + FViewportSize.height())
        position = bottom - FViewportSize.height();
    if (top < position)
        position = top;
    return std::clamp(position, 0, MaxScrollY());
}

int TThumbnailLayout::MoveTarget(int Current, TThumbnailMove Move) const {
    if (FCount == 0)
        return -1;
    const int last = FCount - 1;
    if (Current < 0 || Current > last)
        return Move == tmEnd ? last : 0;
    const int columns = Columns();
    const int pageRows = std::max(1, FViewportSize.height() / RowStep());
    const int column = Current % columns;
    const int lastRow = Rows() - 1;
    switch (Move) {
    case tmLeft:
        return std::max(0, Current - 1);
    case tmRight:
        return std::min(last, Current + 1);
    case tmUp:
        return Current >= columns ? Current - columns : Current;
    case tmDown:
        // Into the shorter last row: its last item when the column has none.
        if (Current / columns == lastRow)
            return Current;
        return std::min(last, Current + columns);
    case tmPageUp: {
        const int target = Current - pageRows * columns;
        return target >= 0 ? target : column;
    }
    case tmPageDown: {
        const std::int64_t target = std::int64_t(Current) + std::int64_t(pageRows) * columns;
        if (target <= last)
            return int(target);
        return std::min(last, lastRow * columns + column);
    }
    case tmHome:
        return 0;
    case tmEnd:
        return last;
    }
    return Current;
}

QRect TThumbnailLayout::FitRect(QSize Image, const QRect& Box) {
    const int bw = Box.width(), bh = Box.height();
    const int w = Image.width(), h = Image.height();
    if (w <= 0 || h <= 0 || bw <= 0 || bh <= 0)
        return QRect(Box.x(), Box.y(), 0, 0);
    int nw = w, nh = h;
    if (w > bw || h > bh) {
        // The side that overflows more fills the box; the other follows the
        // ratio, rounded to the nearest pixel and never below one.
        if (std::int64_t(w) * bh >= std::int64_t(h) * bw) {
            nw = bw;
            nh = int((2 * std::int64_t(h) * bw + w) / (2 * std::int64_t(w)));
        } else {
            nh = bh;
            nw = int((2 * std::int64_t(w) * bh + h) / (2 * std::int64_t(h)));
        }
        nw = std::max(1, nw);
        nh = std::max(1, nh);
    }
    return QRect(Box.x() + (bw - nw) / 2, Box.y() + (bh - nh) / 2, nw, nh);
}
