#include "layout/uGridGeometry.h"

#include "settings/uIniOption.h"

#include <cfenv>
#include <cmath>

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

std::int32_t RoundHalfEven(long double v) {
    if (std::isnan(v))
        return 0;
    if (v >= static_cast<long double>(INT32_MAX))
        return INT32_MAX;
    if (v <= static_cast<long double>(INT32_MIN))
        return INT32_MIN;
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const long double r = std::nearbyint(v);
    std::fesetround(saved);
    return static_cast<std::int32_t>(r);
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
    return RoundHalfEven(static_cast<long double>(width) / static_cast<long double>(ratio));
}

std::int32_t CoupledWidth(std::int32_t height, double ratio) {
    return RoundHalfEven(static_cast<long double>(height) * static_cast<long double>(ratio));
}
