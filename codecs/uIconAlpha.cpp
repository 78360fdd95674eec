#include "codecs/uIconAlpha.h"

#include "codecs/ECodecError.h"
#include "codecs/TByteReader.h"

void ApplyIconAlpha(TDecodedPicture& picture, const std::uint8_t* data, std::size_t size) {
    try {
        TByteReader in(data, size, "ICO");
        in.Skip(4);
        const unsigned count = in.U16LE();
        std::uint32_t bestArea = 0, bestOffset = 0, bestLength = 0;
        for (unsigned i = 0; i < count; ++i) {
            const unsigned w = in.U8(), h = in.U8();
            in.Skip(6);
            const std::uint32_t length = in.U32LE();
            const std::uint32_t offset = in.U32LE();
            const std::uint32_t area = (w == 0 ? 256u : w) * (h == 0 ? 256u : h);
            if (area > bestArea) {
                bestArea = area;
                bestOffset = offset;
                bestLength = length;
            }
        }
        in.Seek(bestOffset);
        in.Need(bestLength);
        TByteReader dib(in.Here(), bestLength, "ICO");
        const std::uint32_t headerSize = dib.U32LE();
        const std::uint32_t width = dib.U32LE();
        const std::uint32_t height = dib.U32LE();
        dib.Skip(2);
        const unsigned bits = dib.U16LE();
        const std::uint32_t compression = dib.U32LE();
        if (headerSize < 40 || bits != 32 || compression != 0 ||
            width != std::uint32_t(picture.Width) || height != 2 * std::uint32_t(picture.Height))
            return;
        dib.Seek(headerSize);
        const std::size_t w = std::size_t(picture.Width), h = std::size_t(picture.Height);
        dib.Need(std::uint64_t(w) * h * 4);
        const std::uint8_t* rows = dib.Here();
        bool anyAlpha = false;
        for (std::size_t i = 0; i < w * h && !anyAlpha; ++i)
            anyAlpha = rows[i * 4 + 3] != 0;
        if (!anyAlpha)
            return; // an old icon: the mask decides, as decoded
        for (std::size_t y = 0; y < h; ++y) {
            const std::uint8_t* row = rows + (h - 1 - y) * w * 4; // rows from the bottom
            for (std::size_t x = 0; x < w; ++x) {
                std::uint32_t& p = picture.Pixels[y * w + x];
                p = (p & 0x00FFFFFFu) | (std::uint32_t(row[x * 4 + 3]) << 24);
            }
        }
        picture.HasAlpha = true;
    } catch (const ECodecError&) {
        // A directory that does not add up: keep the picture as decoded.
    }
}
