#include "codecs/uGifReader.h"

#include "codecs/ECodecError.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include <gif_lib.h>

namespace {

constexpr std::uint32_t kClearWhite = 0x00FFFFFFu;

struct TGifSource {
    const std::uint8_t* Data;
    std::size_t Size;
    std::size_t Pos;
};

int GifRead(GifFileType* gif, GifByteType* out, int count) {
    TGifSource* source = static_cast<TGifSource*>(gif->UserData);
    if (count <= 0)
        return 0;
    const std::size_t n = std::min(std::size_t(count), source->Size - source->Pos);
    std::memcpy(out, source->Data + source->Pos, n);
    source->Pos += n;
    return static_cast<int>(n);
}

struct TGifClose {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

[[noreturn]] void ThrowGif(int error) {
    const char* text = GifErrorString(error);
    throw ECodecError(error == D_GIF_ERR_NOT_ENOUGH_MEM ? TCodecFailure::TooLarge
                                                        : TCodecFailure::Corrupt,
                      std::string("GIF: ") + (text != nullptr ? text : "damaged file"));
}

} // namespace

TDecodedPicture DecodeGif(const std::uint8_t* data, std::size_t size,
                          const TDecodeOptions& options) {
    if (data == nullptr || size < 6 || std::memcmp(data, "GIF", 3) != 0)
        throw ECodecError(TCodecFailure::Corrupt, "GIF: no GIF signature");
    TGifSource source{data, size, 0};
    int error = 0;
    std::unique_ptr<GifFileType, TGifClose> gif(DGifOpen(&source, GifRead, &error));
    if (!gif)
        ThrowGif(error);
    int transparent = -1;
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &record) == GIF_ERROR)
            ThrowGif(gif->Error);
        if (record == TERMINATE_RECORD_TYPE)
            throw ECodecError(TCodecFailure::Corrupt, "GIF: no image in the file");
        if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* extension = nullptr;
            if (DGifGetExtension(gif.get(), &code, &extension) == GIF_ERROR)
                ThrowGif(gif->Error);
            if (code == GRAPHICS_EXT_FUNC_CODE && extension != nullptr && extension[0] >= 4)
                transparent = (extension[1] & 1) ? extension[4] : -1;
            while (extension != nullptr)
                if (DGifGetExtensionNext(gif.get(), &extension) == GIF_ERROR)
                    ThrowGif(gif->Error);
            continue;
        }
        if (record != IMAGE_DESC_RECORD_TYPE)
            continue;
        if (DGifGetImageDesc(gif.get()) == GIF_ERROR)
            ThrowGif(gif->Error);
        break;
    }
    const GifImageDesc& frame = gif->Image;
    if (frame.Width <= 0 || frame.Height <= 0 || frame.Left < 0 || frame.Top < 0)
        throw ECodecError(TCodecFailure::Corrupt, "GIF: frame without pixels");
    std::int64_t width = gif->SWidth;
    std::int64_t height = gif->SHeight;
    if (width <= 0 || height <= 0) {
        width = std::int64_t(frame.Left) + frame.Width;
        height = std::int64_t(frame.Top) + frame.Height;
    }
    const ColorMapObject* map = frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap;
    if (map == nullptr || map->Colors == nullptr)
        throw ECodecError(TCodecFailure::Corrupt, "GIF: no colour table");
    CheckPictureSize(width, height, options.MaxPixels, "GIF");
    // LZW codes have 12 bits at most, and a code stands for at most 4096
    // pixels: a file holds at least 3 bytes for every 8192 pixels its frames
    // cover. Only the first frame is decoded, but the frames of a real file
    // cover its logical screen; one that claims a screen its bytes could never
    // fill is refused before the screen takes any memory.
    CheckDataCanFill(size, std::uint64_t(width) * std::uint64_t(height) * 3 / 8192, width, height,
                     "GIF");
    TDecodedPicture picture;
    AllocatePicture(picture, width, height, options, "GIF", kClearWhite);
    CheckPictureSize(frame.Width, frame.Height, options.MaxPixels, "GIF");
    std::uint32_t palette[256];
    for (int i = 0; i < 256; ++i) {
        if (i < map->ColorCount) {
            const GifColorType& c = map->Colors[i];
            palette[i] = MakeArgb(255, c.Red, c.Green, c.Blue);
        } else {
            palette[i] = 0xFF000000u;
        }
    }
    if (transparent >= 0 && transparent < 256)
        palette[transparent] = kClearWhite;
    ClaimDecodeBytes(options, std::uint64_t(frame.Width) * sizeof(GifPixelType));
    std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
    static const int kPassStart[4] = {0, 4, 2, 1};
    static const int kPassStep[4] = {8, 8, 4, 2};
    const int passes = frame.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const int start = frame.Interlace ? kPassStart[pass] : 0;
        const int step = frame.Interlace ? kPassStep[pass] : 1;
        for (int row = start; row < frame.Height; row += step) {
            if (DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR)
                ThrowGif(gif->Error);
            const std::int64_t y = std::int64_t(frame.Top) + row;
            if (y >= height)
                continue;
            std::uint32_t* out = picture.Pixels.data() + std::size_t(y) * std::size_t(width);
            for (int x = 0; x < frame.Width; ++x) {
                const std::int64_t px = std::int64_t(frame.Left) + x;
                if (px < width)
                    out[px] = palette[line[static_cast<std::size_t>(x)]];
            }
        }
    }
    const bool covers =
        frame.Left == 0 && frame.Top == 0 && frame.Width >= width && frame.Height >= height;
    picture.HasAlpha = transparent >= 0 || !covers;
    picture.Drawn = true;
    return picture;
}

TDecodedPicture DecodeGifFile(const std::string& path, const TDecodeOptions& options) {
    const std::vector<std::uint8_t> bytes = ReadPictureFileBytes(path, options.Claim);
    return DecodeGif(bytes.data(), bytes.size(), options);
}
