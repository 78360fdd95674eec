#include "codecs/uPictureWriter.h"

#include "codecs/uBmpWriter.h"
#include "codecs/uGifWriter.h"
#include "codecs/uJpegWriter.h"
#include "codecs/uPngWriter.h"

TSaveFormat SaveFormatFromFilterIndex(int filterIndex) {
    if (filterIndex < 1 || filterIndex > 4)
        throw std::invalid_argument("no picture format for file type " +
                                    std::to_string(filterIndex));
    return static_cast<TSaveFormat>(filterIndex);
}

std::vector<std::uint8_t> EncodePicture(TSaveFormat format, const TPixelView& picture,
                                        const TSaveOptions& options) {
    switch (format) {
    case TSaveFormat::Jpeg:
        return EncodeJpeg(picture, options.JpgCompress);
    case TSaveFormat::Png:
        return EncodePng(picture, options.PngCompress);
    case TSaveFormat::Bmp:
        return EncodeBmp(picture, BmpBitsForMaxColor(options.MaxColor));
    case TSaveFormat::Gif:
        return EncodeGif(picture);
    }
    throw std::invalid_argument("unknown picture format");
}
