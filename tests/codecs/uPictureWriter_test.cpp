#include "codecs/uPictureWriter.h"

#include "WriterTestSupport.h"

#include <gtest/gtest.h>

using namespace writertest;

namespace {

const char* MagickName(TSaveFormat format) {
    switch (format) {
    case TSaveFormat::Jpeg:
        return "JPEG";
    case TSaveFormat::Png:
        return "PNG";
    case TSaveFormat::Bmp:
        return "BMP";
    case TSaveFormat::Gif:
        return "GIF";
    }
    return "";
}

const TSaveFormat kFormats[] = {TSaveFormat::Jpeg, TSaveFormat::Png, TSaveFormat::Bmp,
                                TSaveFormat::Gif};

} // namespace

TEST(PictureWriter, FileTypeIndexChoosesTheFormat) {
    EXPECT_EQ(SaveFormatFromFilterIndex(1), TSaveFormat::Jpeg);
    EXPECT_EQ(SaveFormatFromFilterIndex(2), TSaveFormat::Png);
    EXPECT_EQ(SaveFormatFromFilterIndex(3), TSaveFormat::Bmp);
    EXPECT_EQ(SaveFormatFromFilterIndex(4), TSaveFormat::Gif);
    EXPECT_THROW(SaveFormatFromFilterIndex(0), std::invalid_argument);
    EXPECT_THROW(SaveFormatFromFilterIndex(5), std::invalid_argument);

    const auto picture = Gradient(8, 8);
    TSaveOptions options;
    options.MaxColor = 2;
    const Bytes jpeg = EncodePicture(TSaveFormat::Jpeg, picture, options);
    const Bytes png = EncodePicture(TSaveFormat::Png, picture, options);
    const Bytes bmp = EncodePicture(TSaveFormat::Bmp, picture, options);
    const Bytes gif = EncodePicture(TSaveFormat::Gif, picture, options);
    EXPECT_EQ(BE16(jpeg, 0), 0xFFD8u);
    EXPECT_EQ(BE32(png, 0), 0x89504E47u);
    EXPECT_EQ(LE16(bmp, 28), 16u); // MaxColor 2: 16 bits
    EXPECT_EQ(std::string(gif.begin(), gif.begin() + 4), "GIF8");
}

// The writers use red, green and blue only: the same colours with any alpha give
// the same file, and that file decodes opaque. The caller flattens the layers, so
// red at half opacity over white arrives as FF7F7F (with whatever alpha the
// render left) and is saved as that colour, exactly where the format keeps
// colours exactly.
TEST(PictureWriter, AlphaIsIgnoredInEveryFormat) {
    const std::uint32_t blended = 0xFF7F7F;
    auto picture = [&](std::uint32_t alpha) {
        return MakePicture(16, 16, [&](int x, int y) {
            // the blend over a white border, which is where a layer would sit on a canvas
            const bool inside = x >= 4 && x < 12 && y >= 4 && y < 12;
            return alpha << 24 | (inside ? blended : 0xFFFFFFu);
        });
    };
    TSaveOptions options;
    options.JpgCompress = 100;
    for (TSaveFormat format : kFormats) {
        SCOPED_TRACE(MagickName(format));
        const Bytes opaque = EncodePicture(format, picture(0xFF), options);
        EXPECT_EQ(EncodePicture(format, picture(0x80), options), opaque);
        EXPECT_EQ(EncodePicture(format, picture(0x00), options), opaque);
        const TDecodedPicture decoded = Decode(opaque, MagickName(format));
        ASSERT_EQ(decoded.Width, 16);
        EXPECT_FALSE(decoded.HasAlpha);
        const int tolerance = format == TSaveFormat::Jpeg ? 3 : 0;
        EXPECT_LE(ChannelDifference(decoded.Pixel(8, 8), blended), tolerance)
            << std::hex << decoded.Pixel(8, 8);
        EXPECT_LE(ChannelDifference(decoded.Pixel(0, 0), 0xFFFFFF), tolerance);
        EXPECT_EQ(decoded.Pixel(8, 8) >> 24, 0xFFu);
    }
}

TEST(PictureWriter, EmptyPictureIsAnErrorInEveryFormat) {
    for (TSaveFormat format : kFormats) {
        try {
            EncodePicture(format, TPixelView(), TSaveOptions());
            ADD_FAILURE() << MagickName(format);
        } catch (const EPictureWriteError& e) {
            EXPECT_NE(std::string(e.what()).find("empty picture"), std::string::npos);
        }
    }
}
