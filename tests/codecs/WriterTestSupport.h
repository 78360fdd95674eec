// Helpers for the writer tests: small pictures, byte readers, and decoding the
// written files with GraphicsMagick, whose decoders are independent of ours.
#pragma once

#include "codecs/TDecodedPicture.h"
#include "codecs/uMagickReader.h"
#include "codecs/uWriterCommon.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace writertest {

using Bytes = std::vector<std::uint8_t>;

inline unsigned LE16(const Bytes& b, std::size_t at) {
    return unsigned(b.at(at)) | unsigned(b.at(at + 1)) << 8;
}
inline std::uint32_t LE32(const Bytes& b, std::size_t at) {
    return std::uint32_t(LE16(b, at)) | std::uint32_t(LE16(b, at + 2)) << 16;
}
inline unsigned BE16(const Bytes& b, std::size_t at) {
    return unsigned(b.at(at)) << 8 | unsigned(b.at(at + 1));
}
inline std::uint32_t BE32(const Bytes& b, std::size_t at) {
    return std::uint32_t(BE16(b, at)) << 16 | std::uint32_t(BE16(b, at + 2));
}

// A picture made by a function of the position, 0xAARRGGBB.
template <typename F> TDecodedPicture MakePicture(int width, int height, F pixel) {
    TDecodedPicture p;
    p.Width = width;
    p.Height = height;
    p.Pixels.resize(std::size_t(width) * std::size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.Pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)] = pixel(x, y);
    return p;
}

// A smooth picture with many colours, opaque.
inline TDecodedPicture Gradient(int width, int height) {
    return MakePicture(width, height, [&](int x, int y) {
        const std::uint32_t r = std::uint32_t(x * 255 / (width > 1 ? width - 1 : 1));
        const std::uint32_t g = std::uint32_t(y * 255 / (height > 1 ? height - 1 : 1));
        const std::uint32_t b = std::uint32_t((x + y) * 7 % 256);
        return 0xFF000000u | r << 16 | g << 8 | b;
    });
}

// Noise that compresses badly, opaque; deterministic.
inline TDecodedPicture Noise(int width, int height) {
    std::uint32_t state = 12345;
    return MakePicture(width, height, [&](int, int) {
        state = state * 1103515245u + 12345u;
        return 0xFF000000u | (state >> 8 & 0xFFFFFF);
    });
}

inline TDecodedPicture Decode(const Bytes& file, const char* format) {
    return DecodeWithMagick(file.data(), file.size(), format);
}

inline int ChannelDifference(std::uint32_t a, std::uint32_t b) {
    int worst = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int d = std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF));
        worst = d > worst ? d : worst;
    }
    return worst;
}

} // namespace writertest
