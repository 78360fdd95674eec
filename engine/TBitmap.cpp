#include "engine/TBitmap.h"

#include "engine/TBitmap32.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {

void CheckSize(int Width, int Height) {
    if (std::uint64_t(Width) * std::uint64_t(Height) > MaxBitmap32Pixels)
        throw std::runtime_error("Can't allocate the DIB handle");
}

QImage MakeImage(int Width, int Height, QImage::Format Format) {
    if (Width <= 0 || Height <= 0)
        return QImage();
    QImage Image(Width, Height, Format);
    if (Image.isNull())
        throw std::runtime_error("Can't allocate the DIB handle");
    Image.fill(0);
    return Image;
}

} // namespace

QImage::Format TBitmap::ImageFormat() const {
    return FPixelFormat == pf32bit ? QImage::Format_ARGB32 : QImage::Format_BGR888;
}

void TBitmap::SetSize(int Width, int Height) {
    Width = std::max(Width, 0);
    Height = std::max(Height, 0);
    if (Width == FWidth && Height == FHeight)
        return;
    CheckSize(Width, Height);
    QImage Image = MakeImage(Width, Height, ImageFormat());
    const int Rows = std::min(Height, FHeight);
    const int Bytes = std::min(Width, FWidth) * BytesPerPixel();
    for (int Y = 0; Y < Rows && Bytes > 0; ++Y)
        std::memcpy(Image.scanLine(Y), FImage.constScanLine(Y), std::size_t(Bytes));
    FImage = Image;
    FWidth = Width;
    FHeight = Height;
}

void TBitmap::SetPixelFormat(TPixelFormat Format) {
    if (Format == FPixelFormat)
        return;
    FPixelFormat = Format;
    if (!FImage.isNull()) {
        // Format_BGR888 to Format_ARGB32 gives alpha 255; the reverse drops it.
        FImage = FImage.convertToFormat(ImageFormat());
        if (FImage.isNull())
            throw std::runtime_error("Can't allocate the DIB handle");
    }
}

void TBitmap::AssignImage(const QImage& Image) {
    FPixelFormat = Image.hasAlphaChannel() ? pf32bit : pf24bit;
    CheckSize(Image.width(), Image.height());
    if (Image.isNull()) {
        FImage = QImage();
    } else {
        FImage = Image.convertToFormat(ImageFormat());
        if (FImage.isNull())
            throw std::runtime_error("Can't allocate the DIB handle");
    }
    FWidth = Image.width();
    FHeight = Image.height();
}

void TBitmap::Assign(const TBitmap32& Source) {
    Source.AssignTo(*this);
}
