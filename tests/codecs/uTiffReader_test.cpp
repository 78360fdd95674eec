#include "codecs/ECodecError.h"
#include "codecs/uTiffReader.h"
#include "tests/codecs/CodecFixtures.h"

#include <gtest/gtest.h>

using fixtures::Bytes;
using fixtures::TiffSpec;

namespace {

TDecodedPicture Decode(const Bytes& b) {
    return DecodeTiff(b.data(), b.size());
}

TCodecFailure FailureOf(const Bytes& bytes) {
    try {
        DecodeTiff(bytes.data(), bytes.size());
    } catch (const ECodecError& e) {
        return e.Reason();
    }
    ADD_FAILURE() << "decoding succeeded";
    return TCodecFailure::NotFound;
}

TiffSpec Rgb(int w, int h) {
    TiffSpec s;
    s.Width = w;
    s.Height = h;
    for (int i = 0; i < w * h; ++i)
        for (int c = 0; c < 3; ++c)
            s.Data.push_back(std::uint8_t(i * 40 + c * 80 + 5));
    return s;
}

std::vector<std::uint32_t> RgbPixels(int count) {
    std::vector<std::uint32_t> out;
    for (int i = 0; i < count; ++i)
        out.push_back(0xFF000000u | (std::uint32_t(std::uint8_t(i * 40 + 5)) << 16) |
                      (std::uint32_t(std::uint8_t(i * 40 + 85)) << 8) | std::uint8_t(i * 40 + 165));
    return out;
}

} // namespace

TEST(TiffReader, DecodesCommonLayouts) {
    // RGB, 8 bits, with and without compression.
    for (int compression : {COMPRESSION_NONE, COMPRESSION_LZW, COMPRESSION_ADOBE_DEFLATE}) {
        TiffSpec s = Rgb(3, 2);
        s.Compression = compression;
        const TDecodedPicture p = Decode(fixtures::WriteTiff(s));
        EXPECT_EQ(p.Width, 3);
        EXPECT_EQ(p.Height, 2);
        EXPECT_EQ(p.Pixels, RgbPixels(6)) << compression;
        EXPECT_FALSE(p.HasAlpha);
        EXPECT_FALSE(p.Drawn);
    }
    // Grey, 16 bits: the high byte counts.
    TiffSpec grey;
    grey.SamplesPerPixel = 1;
    grey.BitsPerSample = 16;
    grey.Photometric = PHOTOMETRIC_MINISBLACK;
    grey.Data = {0x00, 0xFF, 0x80, 0x01, 0xFF, 0xFF, 0x12, 0x34}; // native order of the writer
    const TDecodedPicture g = Decode(fixtures::WriteTiff(grey));
    EXPECT_EQ(g.Pixels,
              (std::vector<std::uint32_t>{0xFFFFFFFF, 0xFF010101, 0xFFFFFFFF, 0xFF343434}));
    // Palette, 8 bits, 16-bit colour map entries.
    TiffSpec pal;
    pal.SamplesPerPixel = 1;
    pal.Photometric = PHOTOMETRIC_PALETTE;
    pal.ColorMap.assign(3 * 256, 0);
    pal.ColorMap[1] = 0xFFFF;       // red of entry 1
    pal.ColorMap[256 + 2] = 0x8080; // green of entry 2
    pal.ColorMap[512 + 3] = 0x4040; // blue of entry 3
    pal.Data = {0, 1, 2, 3};
    EXPECT_EQ(Decode(fixtures::WriteTiff(pal)).Pixels,
              (std::vector<std::uint32_t>{0xFF000000, 0xFFFF0000, 0xFF008000, 0xFF000040}));
}

TEST(TiffReader, DecodesFaxCodedBilevelPictures) {
    TiffSpec fax;
    fax.Width = 16;
    fax.Height = 2;
    fax.SamplesPerPixel = 1;
    fax.BitsPerSample = 1;
    fax.Photometric = PHOTOMETRIC_MINISWHITE;
    fax.Data = {0xF0, 0x0F, 0x00, 0xFF}; // 1 is black
    for (int compression : {COMPRESSION_CCITTFAX4, COMPRESSION_CCITTFAX3}) {
        fax.Compression = compression;
        const TDecodedPicture p = Decode(fixtures::WriteTiff(fax));
        ASSERT_EQ(p.Pixels.size(), 32u);
        for (int x = 0; x < 16; ++x) {
            EXPECT_EQ(p.Pixel(x, 0), (x < 4 || x >= 12) ? 0xFF000000u : 0xFFFFFFFFu) << x;
            EXPECT_EQ(p.Pixel(x, 1), x < 8 ? 0xFFFFFFFFu : 0xFF000000u) << x;
        }
    }
}

TEST(TiffReader, DeliversStraightAlpha) {
    TiffSpec s;
    s.Width = 2;
    s.Height = 1;
    s.SamplesPerPixel = 4;
    s.Data = {128, 64, 0, 128, 10, 20, 30, 0};
    s.ExtraSample = EXTRASAMPLE_UNASSALPHA;
    TDecodedPicture p = Decode(fixtures::WriteTiff(s));
    EXPECT_TRUE(p.HasAlpha);
    // libtiff premultiplies on the way, so a colour may be off by one.
    ASSERT_EQ(p.Pixels.size(), 2u);
    EXPECT_EQ(p.Pixels[0] & 0xFFFF00FF, 0x80800000u);
    EXPECT_NEAR(int((p.Pixels[0] >> 8) & 0xFF), 64, 1);
    EXPECT_EQ(p.Pixels[1] >> 24, 0u);
    s.ExtraSample = EXTRASAMPLE_ASSOCALPHA; // premultiplied in the file
    p = Decode(fixtures::WriteTiff(s));
    EXPECT_EQ(p.Pixels, (std::vector<std::uint32_t>{0x80FF8000, 0x00000000}));
}

TEST(TiffReader, AppliesTheOrientationTag) {
    // Pixels 0..5 of a 3 x 2 picture; see the EXIF orientation tests for the rules.
    const std::vector<std::uint32_t> px = RgbPixels(6);
    struct Case {
        int Orientation, Width;
        std::vector<int> Order;
    };
    for (const Case& c : {Case{ORIENTATION_TOPLEFT, 3, {0, 1, 2, 3, 4, 5}},
                          Case{ORIENTATION_TOPRIGHT, 3, {2, 1, 0, 5, 4, 3}},
                          Case{ORIENTATION_BOTRIGHT, 3, {5, 4, 3, 2, 1, 0}},
                          Case{ORIENTATION_BOTLEFT, 3, {3, 4, 5, 0, 1, 2}},
                          Case{ORIENTATION_LEFTTOP, 2, {0, 3, 1, 4, 2, 5}},
                          Case{ORIENTATION_RIGHTTOP, 2, {3, 0, 4, 1, 5, 2}},
                          Case{ORIENTATION_RIGHTBOT, 2, {5, 2, 4, 1, 3, 0}},
                          Case{ORIENTATION_LEFTBOT, 2, {2, 5, 1, 4, 0, 3}}}) {
        SCOPED_TRACE(c.Orientation);
        TiffSpec s = Rgb(3, 2);
        s.Orientation = c.Orientation;
        const TDecodedPicture p = Decode(fixtures::WriteTiff(s));
        EXPECT_EQ(p.Width, c.Width);
        std::vector<std::uint32_t> want;
        for (int i : c.Order)
            want.push_back(px[std::size_t(i)]);
        EXPECT_EQ(p.Pixels, want);
    }
}

TEST(TiffReader, DamagedFilesFailCleanly) {
    TiffSpec s = Rgb(40, 40);
    s.Compression = COMPRESSION_LZW;
    const Bytes good = fixtures::WriteTiff(s);
    for (std::size_t length :
         {std::size_t(0), std::size_t(4), std::size_t(8), good.size() / 2, good.size() - 10}) {
        SCOPED_TRACE(length);
        EXPECT_EQ(FailureOf(Bytes(good.begin(), good.begin() + long(length))),
                  TCodecFailure::Corrupt);
    }
    // A header claiming 65535 x 65535 pixels.
    Bytes bomb = fixtures::WriteTiff(Rgb(2, 2));
    ASSERT_EQ(bomb[0], 'I');
    const std::size_t ifd =
        bomb[4] | (bomb[5] << 8) | (bomb[6] << 16) | (std::size_t(bomb[7]) << 24);
    const unsigned count = bomb[ifd] | (bomb[ifd + 1] << 8);
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t e = ifd + 2 + i * 12;
        const unsigned tag = bomb[e] | (bomb[e + 1] << 8);
        if (tag == TIFFTAG_IMAGEWIDTH || tag == TIFFTAG_IMAGELENGTH)
            bomb[e + 8] = bomb[e + 9] = 0xFF;
    }
    EXPECT_EQ(FailureOf(bomb), TCodecFailure::TooLarge);
}
