#include "pictures/uLoadSteps.h"

#include "codecs/ECodecError.h"
#include "codecs/TDecodeBudget.h"
#include "codecs/uCodecCommon.h"
#include "codecs/uCodecRegistry.h"
#include "pictures/uPicLib.h"

#include <QImage>

#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

using TPixels = std::vector<std::uint32_t>;

// The memory of an image made by AdoptImage, freed with the image's last copy.
void FreePixels(void* Pixels) {
    delete static_cast<TPixels*>(Pixels);
}

// Dest takes Pixels as the memory of a Width x Height image of Format whose
// rows are Stride bytes apart. A bitmap keeps an image of its own format as it
// is: shared, not copied, and the only copy once the local one goes.
void AdoptImage(TPixels& Pixels, int Width, int Height, qsizetype Stride, QImage::Format Format,
                TBitmap& Dest) {
    auto owned = std::make_unique<TPixels>(std::move(Pixels));
    const QImage image(reinterpret_cast<uchar*>(owned->data()), Width, Height, Stride, Format,
                       FreePixels, owned.get());
    if (image.isNull())
        throw std::runtime_error("Can't allocate the DIB handle");
    owned.release(); // the image frees it now
    Dest.AssignImage(image);
}

void ClearPixels(TDecodedPicture& Picture) {
    Picture.Pixels = TPixels();
    Picture.Width = Picture.Height = 0;
}

// Straight alpha over white, per channel, rounded to nearest.
std::uint8_t OverWhite(std::uint8_t c, std::uint8_t a) {
    return std::uint8_t((unsigned(c) * a + 255u * (255u - a) + 127u) / 255u);
}

} // namespace

TColor32 ComposeOntoWhite(std::uint32_t Pixel) {
    const std::uint8_t a = std::uint8_t(Pixel >> 24);
    if (a == 255)
        return Pixel;
    return MakeColor32(OverWhite(std::uint8_t(Pixel >> 16), a),
                       OverWhite(std::uint8_t(Pixel >> 8), a), OverWhite(std::uint8_t(Pixel), a));
}

void MoveToBitmap(TDecodedPicture& Picture, TBitmap& Dest, TBitmapDepth Depth) {
    const int width = Picture.Width, height = Picture.Height;
    if (Picture.Pixels.empty()) {
        Dest.AssignImage(QImage());
        return;
    }
    const bool keepAlpha = Depth == TBitmapDepth::Codec && !Picture.Drawn && Picture.HasAlpha;
    if (keepAlpha) {
        // The decoded bytes are those of a 32-bit bitmap already.
        AdoptImage(Picture.Pixels, width, height, qsizetype(width) * 4, QImage::Format_ARGB32,
                   Dest);
        ClearPixels(Picture);
        return;
    }
    // Three bytes per pixel, rows padded to four bytes as the bitmap's own. Each
    // row starts no later than its 32-bit original and each pixel is read before
    // its bytes are written, so the rows are packed front to back in place.
    const std::size_t w = std::size_t(width);
    const std::size_t stride = (w * 3 + 3) & ~std::size_t(3);
    const std::uint32_t* in = Picture.Pixels.data();
    std::uint8_t* bytes = reinterpret_cast<std::uint8_t*>(Picture.Pixels.data());
    for (std::size_t y = 0; y < std::size_t(height); ++y) {
        const std::uint32_t* row = in + y * w;
        std::uint8_t* out = bytes + y * stride;
        for (std::size_t x = 0; x < w; ++x) {
            const TColor32 c = Picture.Drawn ? ComposeOntoWhite(row[x]) : row[x];
            out[3 * x] = std::uint8_t(c);
            out[3 * x + 1] = std::uint8_t(c >> 8);
            out[3 * x + 2] = std::uint8_t(c >> 16);
        }
        for (std::size_t i = 3 * w; i < stride; ++i)
            out[i] = 0;
    }
    AdoptImage(Picture.Pixels, width, height, qsizetype(stride), QImage::Format_BGR888, Dest);
    ClearPixels(Picture);
}

void MoveToBitmap32(TDecodedPicture& Picture, TBitmap32& Dest) {
    if (Picture.Drawn) {
        for (std::uint32_t& p : Picture.Pixels)
            p = ComposeOntoWhite(p);
    } else if (!Picture.HasAlpha) {
        for (std::uint32_t& p : Picture.Pixels)
            p |= 0xFF000000u;
    }
    Dest.AdoptPixels(std::move(Picture.Pixels), Picture.Width, Picture.Height);
    ClearPixels(Picture);
}

void MovePngToBitmap32(TDecodedPicture& Png, TBitmap32& Dest) {
    switch (Png.Png.Transparency) {
    case TPngTransparency::Partial:
        // Only a real alpha channel carries over; translucent palette entries
        // leave the picture opaque.
        if (Png.Png.ColorType == 4 || Png.Png.ColorType == 6)
            break;
        [[fallthrough]];
    case TPngTransparency::None:
        for (std::uint32_t& p : Png.Pixels)
            p |= 0xFF000000u;
        break;
    case TPngTransparency::SingleColor: {
        const TColor32 key = ColorToColor32(static_cast<TColor>(Png.Png.TransparentColor));
        for (std::uint32_t& p : Png.Pixels) {
            p |= 0xFF000000u;
            if (p == key)
                p &= 0x00FFFFFFu;
        }
        break;
    }
    }
    Dest.AdoptPixels(std::move(Png.Pixels), Png.Width, Png.Height);
    ClearPixels(Png);
}

void DecodeFileToBitmap32(const std::string& FileName, TBitmap32& Dest, TBudgetClaim& Claim) {
    TDecodeOptions options;
    options.Claim = &Claim;
    TDecodedPicture picture = DecodePictureFile(FileName, options);
    // A PNG read by the PNG codec already carries its transparency; only a PNG
    // that another codec accepted needs the PNG codec's second look, for which
    // the first picture is only discarded.
    if (picture.IsPng) {
        MovePngToBitmap32(picture, Dest);
    } else if (IsPngFile(FileName)) {
        ClearPixels(picture);
        const std::vector<std::uint8_t> data = ReadPictureFileBytes(FileName, &Claim);
        TDecodedPicture png = DecodeWithCodec(data.data(), data.size(), TCodecKind::Png, options);
        MovePngToBitmap32(png, Dest);
    } else {
        MoveToBitmap32(picture, Dest);
    }
}

bool TryLoadPicture(const std::string& FileName, std::string* Why,
                    const std::function<void()>& Load) {
    const auto setWhy = [&](const std::string& Text) {
        if (Why)
            *Why = Text;
    };
    try {
        CheckRegularFile(FileName);
        Load();
        return true;
    } catch (const EClaimMustWait&) {
        throw;
    } catch (const ECodecError& e) {
        setWhy(e.Reason() == TCodecFailure::NotFound ? "not found: no such file" : e.what());
    } catch (const std::exception& e) {
        setWhy(e.what());
    } catch (...) {
        setWhy("unreadable");
    }
    return false;
}

std::uint64_t FitWorkBytes(int Width, int Height) {
    if (Width < 1 || Height < 1)
        return 0;
    const std::uint64_t rows = std::uint64_t(Height);
    const std::uint64_t stride24 = (std::uint64_t(Width) * 3 + 3) & ~std::uint64_t(3);
    return 2 * stride24 * rows + std::uint64_t(Width) * rows * 4;
}

void DecodeForFit(TDecodeOptions& Options, int Width, int Height, int FitType, bool ForThumbnail) {
    Options.ChooseJpegScale = [=](int w, int h) {
        return static_cast<TJpegScale>(JpegScaleForFit(w, h, Width, Height, FitType));
    };
    if (ForThumbnail)
        Options.ThumbnailNeeds = [=](int w, int h) {
            const TFitSize fitted = FittedSize(w, h, Width, Height, FitType);
            return TThumbnailSize{fitted.Width, fitted.Height};
        };
}
