#include "layout/uGridGeometry.h"

#include "pictures/TExtended.h"
#include "settings/uIniOption.h"

namespace {

std::int32_t Saturate(std::int64_t v) {
    if (v > INT32_MAX)
        return INT32_MAX;
    if (v < INT32_MIN)
        return INT32_MIN;
    return static_cast<std::int32_t>(v);
}

// count x size + (count + 1) x gap; the largest dialog values stay far inside 64 bits.
std::int32_t Extent(std::int32_t count, std::int32_t size, std::int32_t gap) {
    return Saturate(std::int64_t(count) * size + (std::int64_t(count) + 1) * gap);
}

// index x size + (index + 1) x gap, the start of a cell along one axis.
std::int32_t Offset(std::int32_t index, std::int32_t size, std::int32_t gap) {
    return Extent(index, size, gap);
}

std::int32_t IndexAt(std::int32_t coordinate, std::int32_t size, std::int32_t gap) {
    const std::int64_t pitch = std::int64_t(size) + gap;
    if (pitch == 0)
        return 0;
    return Saturate(std::int64_t(coordinate) / pitch); // truncates toward zero
}

// The nearest integer to an extended-precision value, halves to even; the ends
// of the 32-bit range for values at or beyond them, 0 for a NaN.
std::int32_t RoundHalfEven(const TExtended& v) {
    if (v.IsNaN())
        return 0;
    if (v >= TExtended(INT32_MAX))
        return INT32_MAX;
    if (v <= TExtended(INT32_MIN))
        return INT32_MIN;
    return static_cast<std::int32_t>(v.NearestInt64());
}

// v in [min, max], halves to even; min for a NaN.
std::int32_t RoundWithin(const TExtended& v, std::int32_t min, std::int32_t max) {
    if (v.IsNaN() || v <= TExtended(min))
        return min;
    if (v >= TExtended(max))
        return max;
    return static_cast<std::int32_t>(v.NearestInt64());
}

// count x size + (count + 1) x gap without saturation. Each product of two
// 32-bit values is at most 2^62 in size and the two never reach 2^63 together.
std::int64_t Extent64(std::int32_t count, std::int32_t size, std::int32_t gap) {
    return std::int64_t(count) * size + (std::int64_t(count) + 1) * gap;
}

} // namespace

TGridLayout TGridLayout::FromOption(const TIniOption& option) {
    TGridLayout l;
    l.RowNumber = option.RowNumber;
    l.ColNumber = option.ColNumber;
    l.ResizeWidth = option.ResizeWidth;
    l.ResizeHeight = option.ResizeHeight;
    l.Space = option.Space;
    return l;
}

TGridSize GridCanvasSize(const TGridLayout& layout) {
    return {Extent(layout.ColNumber, layout.ResizeWidth, layout.Space),
            Extent(layout.RowNumber, layout.ResizeHeight, layout.Space)};
}

TCanvasExtent GridCanvasExtent(const TGridLayout& layout) {
    return {Extent64(layout.ColNumber, layout.ResizeWidth, layout.Space),
            Extent64(layout.RowNumber, layout.ResizeHeight, layout.Space)};
}

TGridPoint CellOrigin(const TGridLayout& layout, std::int32_t row, std::int32_t column) {
    return {Offset(column, layout.ResizeWidth, layout.Space),
            Offset(row, layout.ResizeHeight, layout.Space)};
}

TGridCell CellAtPoint(const TGridLayout& layout, std::int32_t x, std::int32_t y) {
    return {IndexAt(y, layout.ResizeHeight, layout.Space),
            IndexAt(x, layout.ResizeWidth, layout.Space)};
}

TGridCell CellOfIndex(const TGridLayout& layout, std::int32_t index) {
    if (layout.ColNumber <= 0)
        return {0, 0};
    return {index / layout.ColNumber, index % layout.ColNumber};
}

std::int64_t CellCount(const TGridLayout& layout) {
    if (layout.RowNumber <= 0 || layout.ColNumber <= 0)
        return 0;
    return std::int64_t(layout.RowNumber) * layout.ColNumber;
}

std::string DimensionText(std::int32_t width, std::int32_t height) {
    return " " + std::to_string(width) + " x " + std::to_string(height) + " (px)";
}

std::int32_t CoupledHeight(std::int32_t width, double ratio) {
    return RoundHalfEven(TExtended(width) / TExtended::FromDouble(ratio));
}

std::int32_t CoupledWidth(std::int32_t height, double ratio) {
    return RoundHalfEven(TExtended(height) * TExtended::FromDouble(ratio));
}

std::int32_t CoupledHeightWithin(std::int32_t width, double ratio, std::int32_t min,
                                 std::int32_t max) {
    return RoundWithin(TExtended(width) / TExtended::FromDouble(ratio), min, max);
}

std::int32_t CoupledWidthWithin(std::int32_t height, double ratio, std::int32_t min,
                                std::int32_t max) {
    return RoundWithin(TExtended(height) * TExtended::FromDouble(ratio), min, max);
}
