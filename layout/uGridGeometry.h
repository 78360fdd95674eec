// The grid of a merged picture: canvas size, cell order and origins, the cell
// under a point, the dialogs' dimension text and the cell-size coupling.
#pragma once

#include <cstdint>
#include <string>

struct TIniOption;

// The layout parameters that the geometry reads.
struct TGridLayout {
    std::int32_t RowNumber = 4;
    std::int32_t ColNumber = 2;
    std::int32_t ResizeWidth = 240;
    std::int32_t ResizeHeight = 220;
    std::int32_t Space = 2;

    static TGridLayout FromOption(const TIniOption& option);
    static TGridLayout Of(std::int32_t rows, std::int32_t cols, std::int32_t cellWidth,
                          std::int32_t cellHeight, std::int32_t space) {
        TGridLayout l;
        l.RowNumber = rows;
        l.ColNumber = cols;
        l.ResizeWidth = cellWidth;
        l.ResizeHeight = cellHeight;
        l.Space = space;
        return l;
    }
};

struct TGridSize {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    bool operator==(const TGridSize& o) const { return Width == o.Width && Height == o.Height; }
};

struct TGridPoint {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    bool operator==(const TGridPoint& o) const { return X == o.X && Y == o.Y; }
};

struct TGridCell {
    std::int32_t Row = 0;
    std::int32_t Column = 0;
    bool operator==(const TGridCell& o) const { return Row == o.Row && Column == o.Column; }
};

// Results are exact for every value the dialogs allow. Values from an edited
// settings file that would leave the 32-bit range saturate at its ends instead
// of wrapping around.
TGridSize GridCanvasSize(const TGridLayout& layout);
// The canvas of a grid in 64 bits: exact for every 32-bit parameter, for the
// checks that must see a size before it is clamped into 32 bits.
struct TCanvasExtent {
    std::int64_t Width = 0;
    std::int64_t Height = 0;
};
TCanvasExtent GridCanvasExtent(const TGridLayout& layout);
TGridPoint CellOrigin(const TGridLayout& layout, std::int32_t row, std::int32_t column);
// The row and column owning a canvas point; each cell owns the gap to its left and
// above it, and the result is not limited to the grid. A zero pitch (cell size plus
// gap) gives 0 on that axis.
TGridCell CellAtPoint(const TGridLayout& layout, std::int32_t x, std::int32_t y);
// Row and column of cell index i, counted row by row.
TGridCell CellOfIndex(const TGridLayout& layout, std::int32_t index);
// The number of cells, RowNumber x ColNumber (0 when either is not positive).
std::int64_t CellCount(const TGridLayout& layout);

// " <width> x <height> (px)".
std::string DimensionText(std::int32_t width, std::int32_t height);

// width / ratio and height x ratio in extended precision, to the nearest integer
// with halves to even. Results beyond the 32-bit range (a zero ratio) saturate at
// its ends; a result that is no number (0 / 0) gives 0.
std::int32_t CoupledHeight(std::int32_t width, double ratio);
std::int32_t CoupledWidth(std::int32_t height, double ratio);
// The same brought into [min, max] before the value becomes an integer, as a
// number field of that range shows it; a result that is no number gives min.
std::int32_t CoupledHeightWithin(std::int32_t width, double ratio, std::int32_t min,
                                 std::int32_t max);
std::int32_t CoupledWidthWithin(std::int32_t height, double ratio, std::int32_t min,
                                std::int32_t max);
