#include "layout/uCanvasLimit.h"

#include "engine/TBitmap32.h"

std::string CanvasSizeRefusal(std::int64_t Width, std::int64_t Height) {
    if (Width <= 0 || Height <= 0)
        return std::string();
    // Width x Height <= the limit, without forming a product that may overflow.
    const std::uint64_t limit = MaxBitmap32Pixels;
    if (std::uint64_t(Width) <= limit / std::uint64_t(Height))
        return std::string();
    return "The new picture would be " + std::to_string(Width) + " x " + std::to_string(Height) +
           " pixels, more than the " + std::to_string(limit) +
           " pixels a picture can hold. Please choose fewer or smaller cells, or a smaller "
           "picture.";
}
