// Fitting pictures into cells: the bilinear resampler and the two ways of fitting.
#include "pictures/uPicLib.h"

#include "pictures/TExtended.h"

#include <cstring>
#include <stdexcept>
#include <utility>

std::int64_t MulDiv(std::int64_t a, std::int64_t b, std::int64_t c) {
    if (c == 0)
        return -1;
    const std::int64_t n = a * b;
    const bool negative = (n < 0) != (c < 0);
    const std::uint64_t un = n < 0 ? 0 - std::uint64_t(n) : std::uint64_t(n);
    const std::uint64_t uc = c < 0 ? 0 - std::uint64_t(c) : std::uint64_t(c);
    const std::uint64_t q = (un + uc / 2) / uc;
    return negative ? -std::int64_t(q) : std::int64_t(q);
}

namespace {

// The weight of the right (or lower) neighbour for a fraction f and a row
// weight w: MulDiv(f, w, 65536) for the non-negative values used here.
inline std::uint32_t Share(std::uint32_t f, std::uint32_t w) {
    return std::uint32_t((std::uint64_t(f) * w + 32768u) >> 16);
}

void CopyRows(const TBitmap& Source, TBitmap& Dest) {
    const std::size_t bytes = std::size_t(Source.Width()) * 3;
    for (int y = 0; y < Source.Height(); ++y)
        std::memcpy(Dest.ScanLine(y), Source.ScanLine(y), bytes);
}

} // namespace

void ResampleBilinear(TBitmap& Source, TBitmap& Dest) {
    Source.SetPixelFormat(pf24bit);
    Dest.SetPixelFormat(pf24bit);
    if (Source.Empty() || Dest.Empty())
        throw std::runtime_error("Cannot resample a picture without pixels.");

    const int sw = Source.Width();
    const int sh = Source.Height();
    const int dw = Dest.Width();
    const int dh = Dest.Height();
    if (sw == dw && sh == dh) {
        CopyRows(Source, Dest);
        return;
    }

    // 16.16 fixed point; 64-bit accumulators keep pictures wider or taller than
    // 65535 pixels exact, and give the same values as 32 bits below that.
    const std::uint64_t xStep = std::uint64_t(MulDiv(sw - 1, 65536, dw));
    const std::uint64_t yStep = std::uint64_t(MulDiv(sh - 1, 65536, dh));

    std::uint64_t yAcc = 0;
    for (int j = 0; j < dh; ++j, yAcc += yStep) {
        int sy = int(yAcc >> 16);
        if (sy > sh - 1)
            sy = sh - 1;
        const std::uint32_t fy = std::uint32_t(yAcc & 0xFFFF);
        const std::uint8_t* up = Source.ScanLine(sy);
        const std::uint8_t* down = Source.ScanLine(sy < sh - 1 ? sy + 1 : sy);
        const std::uint32_t wUp = 65536 - fy;
        const std::uint32_t wDown = fy + 1; // the two add up to 65537
        std::uint8_t* out = Dest.ScanLine(j);

        std::uint64_t xAcc = 0;
        for (int i = 0; i < dw; ++i, xAcc += xStep) {
            int sx = int(xAcc >> 16);
            if (sx > sw - 1)
                sx = sw - 1;
            const std::uint32_t fx = std::uint32_t(xAcc & 0xFFFF);
            const int left = 3 * sx;
            const int right = sx < sw - 1 ? left + 3 : left;
            const std::uint32_t ur = Share(fx, wUp);
            const std::uint32_t ul = wUp - ur;
            const std::uint32_t lr = Share(fx, wDown);
            const std::uint32_t ll = wDown - lr;
            for (int b = 0; b < 3; ++b)
                out[3 * i + b] = std::uint8_t((up[left + b] * ul + up[right + b] * ur +
                                               down[left + b] * ll + down[right + b] * lr) >>
                                              16);
        }
    }
}

TFitSize KeptRatioSize(std::int32_t SourceWidth, std::int32_t SourceHeight, std::int32_t Width,
                       std::int32_t Height) {
    if (SourceWidth == 0 || SourceHeight == 0 || Width == 0 || Height == 0)
        throw std::runtime_error("Division by zero");
    // Each step in extended precision, rounded to it before the next.
    const TExtended sw(SourceWidth), sh(SourceHeight), w(Width), h(Height);
    TFitSize size;
    if (h / w >= sh / sw) {
        size.Width = Width;
        size.Height = (sh / (sw / w)).TruncatedInt32();
    } else {
        size.Height = Height;
        size.Width = (sw / (sh / h)).TruncatedInt32();
    }
    return size;
}

bool FitPicture(TBitmap& Picture, std::int32_t Width, std::int32_t Height, std::int32_t FitType,
                TColor FillColor) {
    return FitPictureFrom(Picture, Picture.Width(), Picture.Height(), Width, Height, FitType,
                          FillColor);
}

TFitSize FittedSize(int OwnWidth, int OwnHeight, std::int32_t Width, std::int32_t Height,
                    std::int32_t FitType) {
    if (FitType == -1 || FitType == -2)
        FitType = 0;
    if (FitType < 0)
        return {};
    TFitSize fitted{Width, Height};
    if (FitType >= 1) {
        try {
            fitted = KeptRatioSize(OwnWidth, OwnHeight, Width, Height);
        } catch (...) {
            return {};
        }
    }
    if (fitted.Width < 1 || fitted.Height < 1)
        return {};
    return fitted;
}

int JpegScaleForFit(int OwnWidth, int OwnHeight, std::int32_t Width, std::int32_t Height,
                    std::int32_t FitType) {
    const TFitSize fitted = FittedSize(OwnWidth, OwnHeight, Width, Height, FitType);
    // A fit that would fail keeps the picture at its own size: read it whole.
    if (fitted.Width < 1 || fitted.Height < 1)
        return 1;
    for (int scale : {8, 4, 2})
        if ((std::int64_t(OwnWidth) + scale - 1) / scale >= fitted.Width &&
            (std::int64_t(OwnHeight) + scale - 1) / scale >= fitted.Height)
            return scale;
    return 1;
}

bool FitPictureFrom(TBitmap& Picture, int OwnWidth, int OwnHeight, std::int32_t Width,
                    std::int32_t Height, std::int32_t FitType, TColor FillColor) {
    if (FitType == -1 || FitType == -2)
        FitType = 0;
    if (FitType < 0)
        return true;
    try {
        TBitmap scaled(pf24bit);
        if (FitType >= 1) {
            const TFitSize size = KeptRatioSize(OwnWidth, OwnHeight, Width, Height);
            if (size.Width > Width || size.Height > Height)
                throw std::runtime_error("The scaled picture does not fit the cell.");
            const int x = (Width - size.Width) / 2;
            const int y = (Height - size.Height) / 2;
            scaled.SetSize(size.Width, size.Height);
            ResampleBilinear(Picture, scaled);

            // The result is built aside, so a failure leaves the picture whole.
            TBitmap result(pf24bit);
            result.SetSize(Width, Height);
            if (result.Empty())
                throw std::runtime_error("Cannot fit a picture into an empty cell.");
            const TColor32 fill = ColorToColor32(FillColor);
            for (int row = 0; row < Height; ++row) {
                std::uint8_t* out = result.ScanLine(row);
                for (int col = 0; col < Width; ++col) {
                    out[3 * col] = BlueComponent(fill);
                    out[3 * col + 1] = GreenComponent(fill);
                    out[3 * col + 2] = RedComponent(fill);
                }
            }
            for (int row = 0; row < size.Height; ++row)
                std::memcpy(result.ScanLine(y + row) + 3 * x, scaled.ScanLine(row),
                            std::size_t(size.Width) * 3);
            Picture = std::move(result);
        } else {
            scaled.SetSize(Width, Height);
            ResampleBilinear(Picture, scaled);
            Picture = std::move(scaled);
        }
        return true;
    } catch (...) {
        return false;
    }
}
