#include "codecs/uBmpWriter.h"

#include <cstdlib>
#include <limits>
#include <new>
#include <string>

namespace {

constexpr int kCubeLevels[6] = {0, 51, 102, 153, 204, 255};

int Red(TRgb c) {
    return static_cast<int>((c >> 16) & 0xFF);
}
int Green(TRgb c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
int Blue(TRgb c) {
    return static_cast<int>(c & 0xFF);
}

int Distance(TRgb a, TRgb b) {
    const int dr = Red(a) - Red(b);
    const int dg = Green(a) - Green(b);
    const int db = Blue(a) - Blue(b);
    return dr * dr + dg * dg + db * db;
}

std::array<TRgb, 256> MakeHalftonePalette() {
    std::array<TRgb, 256> palette{};
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                palette[static_cast<std::size_t>(r * 36 + g * 6 + b)] =
                    TRgb(kCubeLevels[r]) << 16 | TRgb(kCubeLevels[g]) << 8 | TRgb(kCubeLevels[b]);
    int index = 216;
    for (int a = 0; a < 5; ++a)
        for (int j = 1; j <= 8; ++j) {
            // 51 j / 9 never ends in a half, so rounding up at .5 never decides.
            const TRgb v = TRgb(a * 51 + (j * 51 * 2 + 9) / 18);
            palette[static_cast<std::size_t>(index++)] = v << 16 | v << 8 | v;
        }
    return palette;
}

// The cube level nearest to a channel value; the levels are 51 apart, so there are no ties.
int NearestCubeLevel(int value) {
    return (value + 25) / 51;
}

void PutLE16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void PutLE32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    PutLE16(out, v & 0xFFFF);
    PutLE16(out, v >> 16);
}

TRgb RgbOf(std::uint32_t pixel) {
    return pixel & 0x00FFFFFF;
}

// For every sum r + g + b, the index of the nearest grey of the halftone palette
// (the cube's six greys and the ramp's 40 together): the grey whose level is
// nearest to the mean of the channels, the lower index on a tie.
std::array<std::uint8_t, 766> MakeNearestGreyTable(const std::array<TRgb, 256>& palette) {
    std::array<std::uint8_t, 766> table{};
    for (int sum = 0; sum <= 765; ++sum) {
        int grey = 0;
        int greyError = std::numeric_limits<int>::max();
        auto consider = [&](int index) {
            const int level = Red(palette[static_cast<std::size_t>(index)]);
            const int error = std::abs(3 * level - sum);
            if (error < greyError || (error == greyError && index < grey)) {
                grey = index;
                greyError = error;
            }
        };
        for (int a = 0; a < 6; ++a)
            consider(a * 43);
        for (int i = 216; i < 256; ++i)
            consider(i);
        table[static_cast<std::size_t>(sum)] = static_cast<std::uint8_t>(grey);
    }
    return table;
}

} // namespace

int BmpBitsForMaxColor(int maxColor) {
    switch (maxColor) {
    case 0:
        return 4;
    case 1:
        return 8;
    case 2:
        return 16;
    default:
        return 24;
    }
}

const std::array<TRgb, 256>& HalftonePalette() {
    static const std::array<TRgb, 256> palette = MakeHalftonePalette();
    return palette;
}

int NearestStandardColor(TRgb color) {
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (int i = 0; i < 16; ++i) {
        const int d = Distance(color, StandardColors16[static_cast<std::size_t>(i)]);
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

int NearestHalftoneColor(TRgb color) {
    // The palette is a cube plus a grey ramp. The nearest cube entry is found
    // channel by channel; the nearest grey is the one nearest to the mean of the
    // three channels (the squared distance to a grey v is 3 (v - mean)^2 plus a
    // part that does not depend on v). The answer is the nearer of the two.
    const auto& palette = HalftonePalette();
    static const std::array<std::uint8_t, 766> nearestGrey = MakeNearestGreyTable(palette);
    const int cube = NearestCubeLevel(Red(color)) * 36 + NearestCubeLevel(Green(color)) * 6 +
                     NearestCubeLevel(Blue(color));
    const int grey = nearestGrey[static_cast<std::size_t>(Red(color) + Green(color) + Blue(color))];
    const int dc = Distance(color, palette[static_cast<std::size_t>(cube)]);
    const int dg = Distance(color, palette[static_cast<std::size_t>(grey)]);
    if (dg < dc || (dg == dc && grey < cube))
        return grey;
    return cube;
}

std::vector<std::uint8_t> EncodeBmp(const TPixelView& picture, int bitsPerPixel) try {
    if (bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 16 && bitsPerPixel != 24)
        throw EPictureWriteError("BMP writer: cannot write " + std::to_string(bitsPerPixel) +
                                 " bits per pixel");
    CheckWritable(picture, "BMP writer", std::numeric_limits<std::int32_t>::max());

    const std::uint64_t rowBytes =
        (static_cast<std::uint64_t>(picture.Width) * unsigned(bitsPerPixel) + 31) / 32 * 4;
    const std::uint64_t imageBytes = rowBytes * static_cast<std::uint64_t>(picture.Height);
    const std::uint32_t paletteEntries = bitsPerPixel <= 8 ? 1u << bitsPerPixel : 0;
    const std::uint32_t headerBytes = 14 + 40 + (bitsPerPixel == 16 ? 12 : 0) + paletteEntries * 4;
    const std::uint64_t fileBytes = headerBytes + imageBytes;
    if (fileBytes > std::numeric_limits<std::uint32_t>::max())
        throw EPictureWriteError("BMP writer: the picture is too large for a BMP file");

    std::vector<std::uint8_t> header;
    header.reserve(headerBytes);
    // BITMAPFILEHEADER
    header.push_back('B');
    header.push_back('M');
    PutLE32(header, static_cast<std::uint32_t>(fileBytes));
    PutLE32(header, 0);
    PutLE32(header, headerBytes);
    // BITMAPINFOHEADER; a positive height: rows bottom-up.
    PutLE32(header, 40);
    PutLE32(header, static_cast<std::uint32_t>(picture.Width));
    PutLE32(header, static_cast<std::uint32_t>(picture.Height));
    PutLE16(header, 1);
    PutLE16(header, unsigned(bitsPerPixel));
    PutLE32(header, bitsPerPixel == 16 ? 3 : 0); // BI_BITFIELDS or BI_RGB
    PutLE32(header, static_cast<std::uint32_t>(imageBytes));
    PutLE32(header, 0); // no resolution given
    PutLE32(header, 0);
    PutLE32(header, paletteEntries);
    PutLE32(header, 0);
    if (bitsPerPixel == 16) {
        PutLE32(header, 0xF800);
        PutLE32(header, 0x07E0);
        PutLE32(header, 0x001F);
    }
    auto putPalette = [&](const TRgb* colors, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            header.push_back(static_cast<std::uint8_t>(Blue(colors[i])));
            header.push_back(static_cast<std::uint8_t>(Green(colors[i])));
            header.push_back(static_cast<std::uint8_t>(Red(colors[i])));
            header.push_back(0);
        }
    };
    if (bitsPerPixel == 4)
        putPalette(StandardColors16.data(), StandardColors16.size());
    else if (bitsPerPixel == 8)
        putPalette(HalftonePalette().data(), HalftonePalette().size());
    TWriterSink sink;
    if (!sink.Reserve(static_cast<std::size_t>(fileBytes)) ||
        !sink.Append(header.data(), header.size()))
        throw OutOfMemoryError("BMP writer");

    // Neighbouring pixels often share their colour; the last answer is kept.
    TRgb lastColor = 0;
    int lastIndex = -1;
    auto nearest16 = [&](TRgb color) {
        if (lastIndex < 0 || color != lastColor) {
            lastColor = color;
            lastIndex = NearestStandardColor(color);
        }
        return lastIndex;
    };
    auto nearest256 = [](TRgb color) { return NearestHalftoneColor(color); };
    const std::size_t width = static_cast<std::size_t>(picture.Width);
    std::vector<std::uint8_t> row;
    row.reserve(static_cast<std::size_t>(rowBytes));
    for (int y = picture.Height - 1; y >= 0; --y) {
        const std::uint32_t* src = picture.Row(y);
        row.clear();
        switch (bitsPerPixel) {
        case 4:
            for (std::size_t x = 0; x < width; x += 2) {
                const int high = nearest16(RgbOf(src[x]));
                const int low = x + 1 < width ? nearest16(RgbOf(src[x + 1])) : 0;
                row.push_back(static_cast<std::uint8_t>(high << 4 | low));
            }
            break;
        case 8:
            for (std::size_t x = 0; x < width; ++x)
                row.push_back(static_cast<std::uint8_t>(nearest256(RgbOf(src[x]))));
            break;
        case 16:
            for (std::size_t x = 0; x < width; ++x) {
                const TRgb c = src[x];
                PutLE16(row, unsigned(Red(c) >> 3) << 11 | unsigned(Green(c) >> 2) << 5 |
                                 unsigned(Blue(c) >> 3));
            }
            break;
        default:
            for (std::size_t x = 0; x < width; ++x) {
                row.push_back(static_cast<std::uint8_t>(Blue(src[x])));
                row.push_back(static_cast<std::uint8_t>(Green(src[x])));
                row.push_back(static_cast<std::uint8_t>(Red(src[x])));
            }
            break;
        }
        row.resize(static_cast<std::size_t>(rowBytes), 0);
        if (!sink.Append(row.data(), row.size()))
            throw OutOfMemoryError("BMP writer");
    }
    return sink.Take();
} catch (const std::bad_alloc&) {
    throw OutOfMemoryError("BMP writer");
}
