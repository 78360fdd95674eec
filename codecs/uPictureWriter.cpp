#include "codecs/uPictureWriter.h"

#include "codecs/uBmpWriter.h"
#include "codecs/uGifWriter.h"
#include "codecs/uJpegWriter.h"
#include "codecs/uPngWriter.h"

namespace {

// One row per save format: the writer and the setting it takes.
struct TWriterRow {
    TSaveFormat Format;
    std::vector<std::uint8_t> (*Encode)(const TPixelView& picture, const TSaveOptions& options);
};

const TWriterRow kWriters[] = {
    {TSaveFormat::Jpeg,
     [](const TPixelView& p, const TSaveOptions& o) { return EncodeJpeg(p, o.JpgCompress); }},
    {TSaveFormat::Png,
     [](const TPixelView& p, const TSaveOptions& o) { return EncodePng(p, o.PngCompress); }},
    {TSaveFormat::Bmp,
     [](const TPixelView& p, const TSaveOptions& o) {
         return EncodeBmp(p, BmpBitsForMaxColor(o.MaxColor));
     }},
    {TSaveFormat::Gif, [](const TPixelView& p, const TSaveOptions&) { return EncodeGif(p); }},
};

} // namespace

TSaveFormat SaveFormatFromFilterIndex(int filterIndex) {
    for (const TWriterRow& row : kWriters)
        if (static_cast<int>(row.Format) == filterIndex)
            return row.Format;
    throw std::invalid_argument("no picture format for file type " + std::to_string(filterIndex));
}

std::vector<std::uint8_t> EncodePicture(TSaveFormat format, const TPixelView& picture,
                                        const TSaveOptions& options) {
    for (const TWriterRow& row : kWriters)
        if (row.Format == format)
            return row.Encode(picture, options);
    throw std::invalid_argument("unknown picture format");
}
