#include "codecs/ECodecError.h"
#include "codecs/uCodecRegistry.h"
#include "codecs/uMagickReader.h"
#include "tests/codecs/CodecFixtures.h"

#include <gtest/gtest.h>

using fixtures::Bytes;

namespace {

const std::vector<std::uint32_t> kColour = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF,
                                            0xFFFFFFFF, 0xFF000000, 0xFF123456};
const std::vector<std::uint32_t> kGrey = {0xFF000000, 0xFF404040, 0xFF808080,
                                          0xFFC0C0C0, 0xFFFFFFFF, 0xFF121212};
const std::vector<std::uint32_t> kBlackWhite = {0xFF000000, 0xFFFFFFFF, 0xFF000000,
                                                0xFFFFFFFF, 0xFFFFFFFF, 0xFF000000};

TCodecFailure FailureOf(const Bytes& bytes, const char* extension) {
    try {
        DecodePictureData(bytes.data(), bytes.size(), extension);
    } catch (const ECodecError& e) {
        return e.Reason();
    }
    ADD_FAILURE() << "decoding succeeded";
    return TCodecFailure::NotFound;
}

} // namespace

TEST(MagickReader, DecodesTheBitmapFormatsByTheirExtensions) {
    struct Case {
        const char* Writer;
        const std::vector<std::uint32_t>* Pixels;
        std::vector<const char*> Extensions;
    };
    const Case cases[] = {
        {"BMP", &kColour, {"bmp", "rle", "dib"}},
        {"TGA", &kColour, {"tga", "win", "vst", "vda", "icb"}},
        {"PCX", &kColour, {"pcx", "pcc", "scr"}},
        {"SGI", &kColour, {"sgi", "rgb", "rgba", "bw"}},
        {"PPM", &kColour, {"ppm"}},
        {"PGM", &kGrey, {"pgm"}},
        {"PBM", &kBlackWhite, {"pbm"}},
    };
    for (const Case& c : cases) {
        const Bytes file = fixtures::WriteWithMagick(3, 2, *c.Pixels, c.Writer, false);
        ASSERT_FALSE(file.empty()) << c.Writer;
        for (const char* extension : c.Extensions) {
            SCOPED_TRACE(std::string(c.Writer) + " as ." + extension);
            const TDecodedPicture p = DecodePictureData(file.data(), file.size(), extension);
            EXPECT_EQ(p.Width, 3);
            EXPECT_EQ(p.Height, 2);
            EXPECT_EQ(p.Pixels, *c.Pixels);
            EXPECT_FALSE(p.HasAlpha);
            EXPECT_FALSE(p.Drawn);
        }
    }
}

TEST(MagickReader, KeepsTheAlphaOfTargaPictures) {
    const std::vector<std::uint32_t> pixels = {0x80FF0000, 0x00000000, 0xFF0000FF, 0x4010C020};
    const Bytes file = fixtures::WriteWithMagick(2, 2, pixels, "TGA", true);
    const TDecodedPicture p = DecodePictureData(file.data(), file.size(), "tga");
    EXPECT_TRUE(p.HasAlpha);
    EXPECT_EQ(p.Pixels, pixels);
}

TEST(MagickReader, DecodesWebP) {
    if (!MagickCanDecode("WEBP"))
        GTEST_SKIP() << "no WebP decoder in this build";
    std::vector<std::uint32_t> pixels(64, 0xFF2060A0);
    const Bytes file = fixtures::WriteWithMagick(8, 8, pixels, "WEBP", false);
    const TDecodedPicture p = DecodePictureData(file.data(), file.size(), "WEBP");
    EXPECT_EQ(p.Width, 8);
    EXPECT_EQ(p.Height, 8);
    const std::uint32_t centre = p.Pixel(4, 4);
    EXPECT_NEAR(int((centre >> 16) & 0xFF), 0x20, 6);
    EXPECT_NEAR(int((centre >> 8) & 0xFF), 0x60, 6);
    EXPECT_NEAR(int(centre & 0xFF), 0xA0, 6);
}

TEST(MagickReader, AppliesTheExifOrientationOfWebP) {
    if (!MagickCanDecode("WEBP"))
        GTEST_SKIP() << "no WebP decoder in this build";
    std::vector<std::uint32_t> pixels(16 * 8);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = i % 16 < 8 ? 0xFFFF0000 : 0xFF0000FF; // red left, blue right
    Bytes file = fixtures::WriteWithMagick(16, 8, pixels, "WEBP", false);
    ASSERT_GE(file.size(), 12u);
    // Append an EXIF chunk saying "turn a quarter clockwise" and fix the RIFF size.
    const Bytes exif = fixtures::MakeExif(6);
    file.insert(file.end(), {'E', 'X', 'I', 'F'});
    fixtures::PutLE32(file, std::uint32_t(exif.size()));
    file.insert(file.end(), exif.begin(), exif.end());
    if (file.size() % 2)
        file.push_back(0);
    const std::uint32_t riff = std::uint32_t(file.size() - 8);
    for (int i = 0; i < 4; ++i)
        file[4 + std::size_t(i)] = std::uint8_t(riff >> (8 * i));
    const TDecodedPicture p = DecodePictureData(file.data(), file.size(), "webp");
    ASSERT_EQ(p.Width, 8);
    ASSERT_EQ(p.Height, 16);
    EXPECT_GT((p.Pixel(4, 3) >> 16) & 0xFF, 200u); // red on top
    EXPECT_GT(p.Pixel(4, 12) & 0xFF, 200u);        // blue below
}

TEST(MagickReader, DecodesHandMadeDrHaloPicture) {
    // 3 x 2, no palette file: indices are shown as grey levels.
    Bytes cut;
    fixtures::PutLE16(cut, 3);
    fixtures::PutLE16(cut, 2);
    fixtures::PutLE16(cut, 0);
    const Bytes rows[] = {{0x03, 0, 1, 2, 0x00}, {0x83, 1, 0x00}}; // literal run; repeat run
    for (const Bytes& row : rows) {
        fixtures::PutLE16(cut, unsigned(row.size()));
        cut.insert(cut.end(), row.begin(), row.end());
    }
    const TDecodedPicture p = DecodePictureData(cut.data(), cut.size(), "cut");
    ASSERT_EQ(p.Width, 3);
    ASSERT_EQ(p.Height, 2);
    EXPECT_NE(p.Pixels[0], p.Pixels[1]);
    EXPECT_NE(p.Pixels[1], p.Pixels[2]);
    EXPECT_EQ(p.Pixels[3], p.Pixels[1]);
    EXPECT_EQ(p.Pixels[4], p.Pixels[1]);
    EXPECT_EQ(p.Pixels[5], p.Pixels[1]);
}

TEST(MagickReader, TheTableNamesTheFormatNotTheContent) {
    const Bytes bmp = fixtures::WriteWithMagick(3, 2, kColour, "BMP", false);
    fixtures::PngSpec spec;
    spec.Samples = {1, 2, 3};
    const Bytes png = fixtures::WritePng(spec);
    EXPECT_EQ(FailureOf(png, "bmp"), TCodecFailure::Corrupt);
    EXPECT_EQ(FailureOf(png, "rle"), TCodecFailure::Corrupt);
    EXPECT_EQ(FailureOf(bmp, "pcx"), TCodecFailure::Corrupt);
    EXPECT_EQ(FailureOf(bmp, "sgi"), TCodecFailure::Corrupt);
}

TEST(MagickReader, DamagedAndHugeFilesFailCleanly) {
    const Bytes bmp = fixtures::WriteWithMagick(
        40, 40, std::vector<std::uint32_t>(1600, 0xFF336699), "BMP", false);
    for (std::size_t length :
         {std::size_t(0), std::size_t(2), std::size_t(20), std::size_t(60), bmp.size() / 2}) {
        SCOPED_TRACE(length);
        EXPECT_THROW(DecodePictureData(bmp.data(), length, "bmp"), ECodecError);
    }
    TDecodeOptions small;
    small.MaxPixels = 1000;
    try {
        DecodePictureData(bmp.data(), bmp.size(), "bmp", small);
        ADD_FAILURE() << "decoding succeeded";
    } catch (const ECodecError& e) {
        EXPECT_EQ(e.Reason(), TCodecFailure::TooLarge);
    }
    // A header claiming 100000 x 100000 pixels.
    Bytes bomb = bmp;
    for (std::size_t at : {std::size_t(18), std::size_t(22)}) {
        bomb[at] = 0xA0;
        bomb[at + 1] = 0x86;
        bomb[at + 2] = 0x01;
        bomb[at + 3] = 0x00;
    }
    EXPECT_EQ(FailureOf(bomb, "bmp"), TCodecFailure::TooLarge);
}

TEST(MagickReader, FormatsWithoutADecoderHereFailAsUnsupported) {
    const Bytes eps = fixtures::WriteWithMagick(3, 2, kColour, "EPS", false);
    ASSERT_FALSE(eps.empty());
    // Reading EPS needs Ghostscript, which is absent here; where it is present the
    // file decodes.
    try {
        const TDecodedPicture p = DecodePictureData(eps.data(), eps.size(), "eps");
        EXPECT_GT(p.Width, 0);
    } catch (const ECodecError& e) {
        EXPECT_EQ(e.Reason(), TCodecFailure::Unsupported) << e.what();
    }
}

TEST(MagickReader, DecodesTheLargestPictureOfAnIcon) {
    const Bytes ico = fixtures::MakeIcon(
        {{1, {0xFF123456}}, {2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x00000000}}});
    const TDecodedPicture p = DecodePictureData(ico.data(), ico.size(), "ico");
    ASSERT_EQ(p.Width, 2);
    ASSERT_EQ(p.Height, 2);
    EXPECT_TRUE(p.Drawn);
    EXPECT_TRUE(p.HasAlpha);
    EXPECT_EQ(p.Pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(p.Pixel(1, 0), 0xFF00FF00u);
    EXPECT_EQ(p.Pixel(0, 1), 0xFF0000FFu);
    EXPECT_EQ(p.Pixel(1, 1) >> 24, 0u);

    // Partial alpha of a 32-bit icon is kept.
    const Bytes soft = fixtures::MakeIcon({{2, {0x80FF0000, 0x01000000, 0xFF0000FF, 0x00000000}}});
    const TDecodedPicture q = DecodePictureData(soft.data(), soft.size(), "ico");
    EXPECT_EQ(q.Pixels,
              (std::vector<std::uint32_t>{0x80FF0000, 0x01000000, 0xFF0000FF, q.Pixels[3]}));
    EXPECT_EQ(q.Pixels[3] >> 24, 0u);
}

TEST(MagickReader, DecodesPhotoCd) {
    // Photo CD pictures have fixed sizes; the base picture is 768 x 512.
    const Bytes pcd = fixtures::WriteWithMagick(
        48, 32, std::vector<std::uint32_t>(48 * 32, 0xFF3060C0), "PCD", false);
    ASSERT_FALSE(pcd.empty());
    const TDecodedPicture p = DecodePictureData(pcd.data(), pcd.size(), "pcd");
    EXPECT_EQ(p.Width, 768);
    EXPECT_EQ(p.Height, 512);
    const std::uint32_t centre = p.Pixel(384, 256);
    EXPECT_NEAR(int((centre >> 16) & 0xFF), 0x30, 24);
    EXPECT_NEAR(int((centre >> 8) & 0xFF), 0x60, 24);
    EXPECT_NEAR(int(centre & 0xFF), 0xC0, 24);
}

TEST(MagickReader, DrawsHandMadeMetafile) {
    // A placeable metafile of 16 x 8 units at 72 units per inch: a red rectangle.
    using fixtures::PutLE16;
    using fixtures::PutLE32;
    Bytes wmf;
    PutLE32(wmf, 0x9AC6CDD7);
    for (unsigned v : {0u, 0u, 0u, 16u, 8u, 72u})
        PutLE16(wmf, v);
    PutLE32(wmf, 0);
    unsigned checksum = 0;
    for (std::size_t i = 0; i < 20; i += 2)
        checksum ^= unsigned(wmf[i] | (wmf[i + 1] << 8));
    PutLE16(wmf, checksum);
    Bytes records;
    const auto record = [&](unsigned function, std::vector<unsigned> parameters) {
        PutLE32(records, std::uint32_t(3 + parameters.size()));
        PutLE16(records, function);
        for (unsigned p : parameters)
            PutLE16(records, p);
    };
    record(0x02FC, {0, 0x00FF, 0x0000, 0}); // solid red brush
    record(0x012D, {0});                    // select it
    record(0x041B, {8, 16, 0, 0});          // rectangle: bottom, right, top, left
    record(0x0000, {});                     // end
    PutLE16(wmf, 1);
    PutLE16(wmf, 9);
    PutLE16(wmf, 0x0300);
    PutLE32(wmf, std::uint32_t((18 + records.size()) / 2));
    PutLE16(wmf, 1);
    PutLE32(wmf, 7);
    PutLE16(wmf, 0);
    wmf.insert(wmf.end(), records.begin(), records.end());
    const TDecodedPicture p = DecodePictureData(wmf.data(), wmf.size(), "WMF");
    EXPECT_EQ(p.Width, 16);
    EXPECT_EQ(p.Height, 8);
    EXPECT_TRUE(p.Drawn);
    EXPECT_EQ(p.Pixel(8, 4), 0xFFFF0000u);
}
