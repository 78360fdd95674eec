#include "codecs/ECodecError.h"
#include "codecs/uPngReader.h"
#include "tests/codecs/CodecFixtures.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

using fixtures::Bytes;
using fixtures::PngSpec;

namespace {

unsigned To8(unsigned v, int depth) {
    if (depth == 16)
        return v >> 8;
    return v * 255 / ((1u << depth) - 1);
}

std::uint32_t Argb(unsigned a, unsigned r, unsigned g, unsigned b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}

// Samples that use the whole range of the bit depth.
std::vector<unsigned> Samples(std::size_t count, int depth, unsigned seed) {
    std::vector<unsigned> v(count);
    const unsigned max = (1u << depth) - 1;
    for (std::size_t i = 0; i < count; ++i) {
        seed = seed * 1103515245u + 12345u;
        v[i] = (seed >> 8) & max;
    }
    if (count > 1) {
        v[0] = 0;
        v[1] = max;
    }
    return v;
}

std::vector<png_color> Palette(int count) {
    std::vector<png_color> p(count);
    for (int i = 0; i < count; ++i)
        p[i] = {png_byte(i * 7 + 1), png_byte(255 - i), png_byte(i * 3)};
    return p;
}

// The pixels a reader must deliver for a spec without tRNS.
std::vector<std::uint32_t> Expected(const PngSpec& s) {
    std::vector<std::uint32_t> out;
    const int ch = fixtures::PngChannels(s.ColorType);
    for (int i = 0; i < s.Width * s.Height; ++i) {
        const unsigned* v = s.Samples.data() + i * ch;
        const int d = s.BitDepth;
        switch (s.ColorType) {
        case PNG_COLOR_TYPE_GRAY:
            out.push_back(Argb(255, To8(v[0], d), To8(v[0], d), To8(v[0], d)));
            break;
        case PNG_COLOR_TYPE_PALETTE: {
            const png_color& c = s.Palette[v[0]];
            out.push_back(Argb(255, c.red, c.green, c.blue));
            break;
        }
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            out.push_back(Argb(To8(v[1], d), To8(v[0], d), To8(v[0], d), To8(v[0], d)));
            break;
        case PNG_COLOR_TYPE_RGB:
            out.push_back(Argb(255, To8(v[0], d), To8(v[1], d), To8(v[2], d)));
            break;
        default:
            out.push_back(Argb(To8(v[3], d), To8(v[0], d), To8(v[1], d), To8(v[2], d)));
            break;
        }
    }
    return out;
}

PngSpec MakeSpec(int colorType, int depth, bool interlaced, int w = 5, int h = 3) {
    PngSpec s;
    s.Width = w;
    s.Height = h;
    s.ColorType = colorType;
    s.BitDepth = depth;
    s.Interlaced = interlaced;
    s.Samples = Samples(std::size_t(w * h * fixtures::PngChannels(colorType)), depth,
                        unsigned(colorType * 31 + depth));
    if (colorType == PNG_COLOR_TYPE_PALETTE)
        s.Palette = Palette(1 << depth);
    return s;
}

TCodecFailure FailureOf(const Bytes& bytes) {
    try {
        DecodePng(bytes.data(), bytes.size());
    } catch (const ECodecError& e) {
        return e.Reason();
    }
    ADD_FAILURE() << "decoding succeeded";
    return TCodecFailure::NotFound;
}

void PutCrc(Bytes& png, std::size_t chunkStart, std::size_t dataLength) {
    const uLong crc = crc32(0, png.data() + chunkStart + 4, uInt(dataLength + 4));
    const std::size_t at = chunkStart + 8 + dataLength;
    png[at] = Bytef(crc >> 24);
    png[at + 1] = Bytef(crc >> 16);
    png[at + 2] = Bytef(crc >> 8);
    png[at + 3] = Bytef(crc);
}

std::string MessageOf(const Bytes& bytes) {
    try {
        DecodePng(bytes.data(), bytes.size());
    } catch (const ECodecError& e) {
        EXPECT_EQ(e.Reason(), TCodecFailure::Corrupt) << e.what();
        return e.what();
    }
    ADD_FAILURE() << "decoding succeeded";
    return std::string();
}

// A chunk with its CRC; its length field says claimed bytes (by default its own).
Bytes Chunk(const char* type, const Bytes& data, std::uint32_t claimed = 0xFFFFFFFF) {
    Bytes chunk;
    fixtures::PutBE32(chunk, claimed != 0xFFFFFFFF ? claimed : std::uint32_t(data.size()));
    chunk.insert(chunk.end(), type, type + 4);
    chunk.insert(chunk.end(), data.begin(), data.end());
    fixtures::PutBE32(chunk, 0);
    PutCrc(chunk, 0, data.size());
    return chunk;
}

// Where the first image data chunk of a PNG starts.
std::size_t FirstIdat(const Bytes& png) {
    for (std::size_t at = 8; at + 8 <= png.size();) {
        const std::uint32_t length =
            std::uint32_t(png[at]) << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
        if (std::memcmp(png.data() + at + 4, "IDAT", 4) == 0)
            return at;
        at += 12 + length;
    }
    return png.size();
}

} // namespace

TEST(PngReader, DecodesEveryColourTypeAndBitDepth) {
    struct Case {
        int ColorType, BitDepth;
    };
    const Case cases[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                          {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
    for (const Case& c : cases) {
        for (bool interlaced : {false, true}) {
            SCOPED_TRACE("colour type " + std::to_string(c.ColorType) + ", depth " +
                         std::to_string(c.BitDepth) + (interlaced ? ", interlaced" : ""));
            const PngSpec spec = MakeSpec(c.ColorType, c.BitDepth, interlaced);
            const Bytes file = fixtures::WritePng(spec);
            const TDecodedPicture p = DecodePng(file.data(), file.size());
            EXPECT_EQ(p.Width, 5);
            EXPECT_EQ(p.Height, 3);
            EXPECT_EQ(p.Pixels, Expected(spec));
            EXPECT_TRUE(p.IsPng);
            EXPECT_TRUE(p.Drawn);
            EXPECT_EQ(p.Png.ColorType, c.ColorType);
            EXPECT_EQ(p.Png.BitDepth, c.BitDepth);
            const bool alpha = (c.ColorType & 4) != 0;
            EXPECT_EQ(p.Png.HasAlphaChannel, alpha);
            EXPECT_EQ(p.HasAlpha, alpha);
            EXPECT_EQ(p.Png.Transparency,
                      alpha ? TPngTransparency::Partial : TPngTransparency::None);
        }
    }
}

TEST(PngReader, SingleTransparentColourOfGreyAndRgb) {
    // 2-bit grey: the value 1 is transparent and reads as 0x55.
    PngSpec grey = MakeSpec(PNG_COLOR_TYPE_GRAY, 2, false, 3, 2);
    grey.Samples = {0, 1, 2, 3, 1, 0};
    grey.HasTransparentColor = true;
    grey.TransparentColor.gray = 1;
    Bytes file = fixtures::WritePng(grey);
    TDecodedPicture p = DecodePng(file.data(), file.size());
    EXPECT_EQ(p.Png.Transparency, TPngTransparency::SingleColor);
    EXPECT_EQ(p.Png.TransparentColor, 0x555555u);
    EXPECT_EQ(p.Pixels, (std::vector<std::uint32_t>{0xFF000000, 0x00555555, 0xFFAAAAAA, 0xFFFFFFFF,
                                                    0x00555555, 0xFF000000}));

    // 16-bit RGB: the colour is reduced to 8 bits like the pixels.
    PngSpec rgb = MakeSpec(PNG_COLOR_TYPE_RGB, 16, false, 2, 1);
    rgb.Samples = {0x1234, 0x5678, 0x9ABC, 0x1200, 0x5600, 0x9A00};
    rgb.HasTransparentColor = true;
    rgb.TransparentColor.red = 0x1234;
    rgb.TransparentColor.green = 0x5678;
    rgb.TransparentColor.blue = 0x9ABC;
    file = fixtures::WritePng(rgb);
    p = DecodePng(file.data(), file.size());
    EXPECT_EQ(p.Png.Transparency, TPngTransparency::SingleColor);
    EXPECT_EQ(p.Png.TransparentColor, 0x9A5612u); // 0x00BBGGRR
    EXPECT_TRUE(p.HasAlpha);
    EXPECT_FALSE(p.Png.HasAlphaChannel);
    // Only the exact 16-bit colour is transparent in the decoded pixels.
    EXPECT_EQ(p.Pixels, (std::vector<std::uint32_t>{0x0012569A, 0xFF12569A}));
}

TEST(PngReader, PaletteTransparency) {
    PngSpec s = MakeSpec(PNG_COLOR_TYPE_PALETTE, 2, false, 4, 1);
    s.Samples = {0, 1, 2, 3};
    s.PaletteAlpha = {255, 0, 255, 0};
    Bytes file = fixtures::WritePng(s);
    TDecodedPicture p = DecodePng(file.data(), file.size());
    EXPECT_EQ(p.Png.Transparency, TPngTransparency::SingleColor);
    const png_color& first = s.Palette[1]; // the first fully transparent entry
    EXPECT_EQ(p.Png.TransparentColor,
              (std::uint32_t(first.blue) << 16) | (first.green << 8) | first.red);
    EXPECT_EQ(p.Pixels[0] >> 24, 255u);
    EXPECT_EQ(p.Pixels[1] >> 24, 0u);
    EXPECT_EQ(p.Pixels[3] >> 24, 0u);

    s.PaletteAlpha = {255, 128};
    file = fixtures::WritePng(s);
    p = DecodePng(file.data(), file.size());
    EXPECT_EQ(p.Png.Transparency, TPngTransparency::Partial);
    EXPECT_EQ(p.Png.ColorType, 3);
    EXPECT_FALSE(p.Png.HasAlphaChannel);
    EXPECT_EQ(p.Pixels[1] >> 24, 128u);

    s.PaletteAlpha = {255, 255};
    file = fixtures::WritePng(s);
    EXPECT_EQ(DecodePng(file.data(), file.size()).Png.Transparency, TPngTransparency::None);
}

TEST(PngReader, AppliesExifOrientation) {
    PngSpec s = MakeSpec(PNG_COLOR_TYPE_GRAY, 8, false, 3, 1);
    s.Samples = {10, 20, 30};
    s.Exif = fixtures::MakeExif(6, true, false);
    const Bytes file = fixtures::WritePng(s);
    const TDecodedPicture p = DecodePng(file.data(), file.size());
    ASSERT_EQ(p.Width, 1);
    ASSERT_EQ(p.Height, 3);
    EXPECT_EQ(p.Pixels, (std::vector<std::uint32_t>{0xFF0A0A0A, 0xFF141414, 0xFF1E1E1E}));
}

TEST(PngReader, DamagedFilesFailCleanly) {
    const Bytes good = fixtures::WritePng(MakeSpec(PNG_COLOR_TYPE_RGB, 8, false, 40, 40));
    for (std::size_t length : {std::size_t(0), std::size_t(3), std::size_t(8), std::size_t(30),
                               good.size() / 2, good.size() - 20}) {
        SCOPED_TRACE(length);
        EXPECT_EQ(FailureOf(Bytes(good.begin(), good.begin() + long(length))),
                  TCodecFailure::Corrupt);
    }
    Bytes flipped = good;
    flipped[good.size() / 2] ^= 0x55; // inside the image data: its CRC no longer matches
    EXPECT_EQ(FailureOf(flipped), TCodecFailure::Corrupt);
    const Bytes jpegLike = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F'};
    EXPECT_EQ(FailureOf(jpegLike), TCodecFailure::Corrupt);
}

TEST(PngReader, RefusesHugePicturesBeforeDecoding) {
    // A valid header claiming 100000 x 100000 pixels, with almost no data.
    Bytes file = fixtures::WritePng(MakeSpec(PNG_COLOR_TYPE_RGB, 8, false, 1, 1));
    for (const std::uint32_t side : {100000u, 2000000u}) {
        SCOPED_TRACE(side);
        Bytes bomb = file;
        for (int i = 0; i < 2; ++i) {
            const std::size_t at = 16 + std::size_t(i) * 4;
            bomb[at] = Bytef(side >> 24);
            bomb[at + 1] = Bytef(side >> 16);
            bomb[at + 2] = Bytef(side >> 8);
            bomb[at + 3] = Bytef(side);
        }
        PutCrc(bomb, 8, 13);
        EXPECT_EQ(FailureOf(bomb), TCodecFailure::TooLarge);
    }
    TDecodeOptions small;
    small.MaxPixels = 24;
    const Bytes five = fixtures::WritePng(MakeSpec(PNG_COLOR_TYPE_RGB, 8, false, 5, 5));
    EXPECT_THROW(DecodePng(five.data(), five.size(), small), ECodecError);
}

TEST(PngReader, RefusesAChunkLongerThanTheRestOfTheFile) {
    const Bytes plain = fixtures::WritePng(MakeSpec(PNG_COLOR_TYPE_RGB, 8, false, 1, 1));
    const std::size_t idat = FirstIdat(plain);
    ASSERT_LT(idat, plain.size());
    // 310 bytes whose text chunk claims 1.9 GB: libpng took that much memory
    // for the chunk before it found the file too short.
    Bytes bomb(plain.begin(), plain.begin() + long(idat));
    const Bytes text = Chunk("iTXt", Bytes(310 - 8 - idat, 'a'), 0x71000000);
    bomb.insert(bomb.end(), text.begin(), text.end() - 4);
    ASSERT_EQ(bomb.size(), 310u);
    Bytes longest(plain.begin(), plain.begin() + long(idat));
    const Bytes profile = Chunk("zTXt", Bytes(40, 'z'), 0x7FFFFFFF);
    longest.insert(longest.end(), profile.begin(), profile.end());
    longest.insert(longest.end(), plain.begin() + long(idat), plain.end());
    Bytes image = plain;
    image[idat + 2] = 0x10; // the image data claims 4 KiB more than there is
    Bytes noCrc = plain;
    noCrc.resize(noCrc.size() - 16); // the end chunk and the image data's CRC are cut off
    for (const auto& [name, file] :
         {std::pair{"text claiming 1.9 GB", bomb}, std::pair{"text claiming 2 GiB", longest},
          std::pair{"image data", image}, std::pair{"image data without its CRC", noCrc}}) {
        SCOPED_TRACE(name);
        EXPECT_THAT(MessageOf(file), testing::HasSubstr("chunk longer than the rest of the file"));
    }
}

TEST(PngReader, SkipsTheChunksItHasNoUseFor) {
    // Text, a colour profile, colour space chunks and a chunk of its own, all of
    // them nonsense, between an RGB picture's transparent colour and its
    // orientation, both of which still count.
    PngSpec s = MakeSpec(PNG_COLOR_TYPE_RGB, 8, false, 2, 1);
    s.Samples = {1, 2, 3, 200, 100, 50};
    s.HasTransparentColor = true;
    s.TransparentColor.red = 1;
    s.TransparentColor.green = 2;
    s.TransparentColor.blue = 3;
    s.Exif = fixtures::MakeExif(6, true, false);
    const Bytes plain = fixtures::WritePng(s);
    Bytes noisy = plain;
    const Bytes junk = {0xFF, 0x00, 0x78, 0x9C, 0x01, 0x02, 0xFF, 0xFF};
    for (const char* type : {"tEXt", "zTXt", "iTXt", "iCCP", "sPLT", "gAMA", "cHRM", "sRGB", "sBIT",
                             "bKGD", "hIST", "pHYs", "oFFs", "pCAL", "sCAL", "tIME", "prVt"}) {
        const Bytes chunk = Chunk(type, junk);
        noisy.insert(noisy.begin() + long(FirstIdat(noisy)), chunk.begin(), chunk.end());
    }
    const TDecodedPicture want = DecodePng(plain.data(), plain.size());
    const TDecodedPicture got = DecodePng(noisy.data(), noisy.size());
    EXPECT_EQ(got.Width, 1);
    EXPECT_EQ(got.Pixels, want.Pixels);
    EXPECT_EQ(got.Pixels, (std::vector<std::uint32_t>{0x00010203, 0xFFC86432}));
    EXPECT_EQ(got.Png.Transparency, TPngTransparency::SingleColor);
}
