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

// A merged grid of photo-like cells on white (the gap around and between the
// cells): in each cell smooth colour gradients, a soft bright patch and a
// horizon edge under a fine grain; deterministic.
inline TDecodedPicture PhotoGrid(int cols, int rows, int cellWidth, int cellHeight, int gap) {
    TDecodedPicture p;
    p.Width = cols * cellWidth + (cols + 1) * gap;
    p.Height = rows * cellHeight + (rows + 1) * gap;
    p.Pixels.assign(std::size_t(p.Width) * std::size_t(p.Height), 0xFFFFFFFFu);
    std::uint32_t state = 77;
    auto next = [&state](double range) { // uniform in [-range, range]
        state = state * 1664525u + 1013904223u;
        return (double(state >> 8) / double(1u << 24) * 2.0 - 1.0) * range;
    };
    for (int cell = 0; cell < rows * cols; ++cell) {
        const int x0 = gap + (cell % cols) * (cellWidth + gap);
        const int y0 = gap + (cell / cols) * (cellHeight + gap);
        double base[3], dx[3], dy[3], patch[3], below[3];
        for (int c = 0; c < 3; ++c) {
            base[c] = 128 + next(90);
            dx[c] = next(100) / cellWidth;
            dy[c] = next(100) / cellHeight;
            patch[c] = 40 + next(40);
            below[c] = next(60);
        }
        const double px = cellWidth * (0.5 + next(0.4)), py = cellHeight * (0.5 + next(0.4));
        const double radius = (cellWidth + cellHeight) * (0.1 + next(0.05));
        const double horizon = cellHeight * (0.6 + next(0.3));
        for (int y = 0; y < cellHeight; ++y)
            for (int x = 0; x < cellWidth; ++x) {
                const double d2 = ((x - px) * (x - px) + (y - py) * (y - py)) / (radius * radius);
                const double glow = 1.0 / (1.0 + d2);
                const double grain = next(3);
                std::uint32_t rgb = 0;
                for (int c = 0; c < 3; ++c) {
                    double v = base[c] + dx[c] * x + dy[c] * y + patch[c] * glow + grain + next(1);
                    if (y > horizon)
                        v += below[c];
                    const int q = v < 0 ? 0 : v > 255 ? 255 : int(v);
                    rgb = rgb << 8 | std::uint32_t(q);
                }
                p.Pixels[std::size_t(y0 + y) * std::size_t(p.Width) + std::size_t(x0 + x)] =
                    0xFF000000u | rgb;
            }
    }
    return p;
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
