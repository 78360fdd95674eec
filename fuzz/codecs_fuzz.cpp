// Feeds arbitrary bytes to one picture reader, chosen by the first byte, and
// checks that it either decodes a consistent picture or throws ECodecError.
#include "codecs/ECodecError.h"
#include "codecs/uAutodeskReader.h"
#include "codecs/uCodecRegistry.h"
#include "codecs/uExifOrientation.h"
#include "codecs/uGifReader.h"
#include "codecs/uJpegReader.h"
#include "codecs/uMagickReader.h"
#include "codecs/uPngReader.h"
#include "codecs/uPsdReader.h"
#include "codecs/uTiffReader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(const TDecodedPicture& p) {
    if (p.Width <= 0 || p.Height <= 0 ||
        p.Pixels.size() != std::size_t(p.Width) * std::size_t(p.Height))
        std::abort();
    if (!p.HasAlpha)
        for (std::uint32_t pixel : p.Pixels)
            if ((pixel >> 24) != 0xFF)
                std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::uint8_t selector = data[0];
    ++data;
    --size;
    TDecodeOptions options;
    options.MaxPixels = 1u << 22; // keeps the fuzzer within its memory limit
    options.JpegScale = static_cast<TJpegScale>(1 << (selector / 18 % 4));
    static const char* const kMagickFormats[] = {"BMP", "TGA", "PCX", "SGI",
                                                 "PNM", "ICO", "CUT", "RLA"};
    try {
        switch (selector % 18) {
        case 0: {
            ProgressiveJpegCoefficientBytes(data, size);
            // As for a thumbnail: the embedded one, or the DC scans alone at 1/8.
            TDecodeOptions thumbnail = options;
            thumbnail.ThumbnailNeeds = [](int w, int h) {
                return TThumbnailSize{std::max(1, w / 64), std::max(1, h / 64)};
            };
            try {
                Check(DecodeJpeg(data, size, thumbnail));
            } catch (const ECodecError&) {
            }
            Check(DecodeJpeg(data, size, options));
            break;
        }
        case 1:
            Check(DecodePng(data, size, options));
            break;
        case 2:
            Check(DecodeGif(data, size, options));
            break;
        case 3:
            Check(DecodeTiff(data, size, options));
            break;
        case 4:
            Check(DecodePsd(data, size, options));
            break;
        case 5:
            Check(DecodeAutodesk(data, size, options));
            break;
        case 6: {
            const int orientation = ParseExifOrientation(data, size);
            if (orientation < 1 || orientation > 8)
                std::abort();
            const TExifThumbnail thumbnail = FindExifThumbnail(data, size);
            if (thumbnail.Size != 0 &&
                (thumbnail.Offset > size || thumbnail.Size > size - thumbnail.Offset))
                std::abort();
            break;
        }
        case 7:
            Check(DecodeWithCodec(data, size, TCodecKind::Icon, options));
            break;
        case 16:
            Check(DecodeWithCodec(data, size, TCodecKind::WebP, options));
            break;
        case 17:
            Check(DecodeWithCodec(data, size, TCodecKind::Generic, options));
            break;
        default:
            Check(DecodeWithMagick(data, size, kMagickFormats[selector % 18 - 8], options));
            break;
        }
    } catch (const ECodecError&) {
    }
    return 0;
}
