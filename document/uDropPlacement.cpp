#include "document/uDropPlacement.h"

#include <algorithm>

namespace {

std::int32_t Saturate(std::int64_t v) {
    return std::int32_t(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

} // namespace

TDropPlacement PlaceDrop(TPoint CanvasPoint, bool GridMode, const TGridLayout& Grid,
                         std::int32_t CanvasWidth, std::int32_t CanvasHeight) {
    TDropPlacement result;
    if (CanvasWidth <= 0 || CanvasHeight <= 0)
        return result;
    if (!GridMode) {
        result.Accepted = true;
        result.TopLeft = CanvasPoint;
        return result;
    }
    if (std::int64_t(Grid.ResizeWidth) + Grid.Space <= 0 ||
        std::int64_t(Grid.ResizeHeight) + Grid.Space <= 0 || CellCount(Grid) == 0)
        return result;
    TGridCell cell = CellAtPoint(Grid, CanvasPoint.X, CanvasPoint.Y);
    cell.Row = std::clamp(cell.Row, 0, Grid.RowNumber - 1);
    cell.Column = std::clamp(cell.Column, 0, Grid.ColNumber - 1);
    const TGridPoint origin = CellOrigin(Grid, cell.Row, cell.Column);
    result.Accepted = true;
    result.TopLeft = TPoint{origin.X, origin.Y};
    return result;
}

TPoint FannedDropPoint(TPoint CanvasPoint, std::int64_t Index) {
    const std::int64_t shift = Index * kDropFanStep;
    return TPoint{Saturate(CanvasPoint.X + shift), Saturate(CanvasPoint.Y + shift)};
}
