#include "codecs/ECodecError.h"
#include "codecs/uGifReader.h"
#include "tests/codecs/CodecFixtures.h"

#include <gtest/gtest.h>

using fixtures::Bytes;
using fixtures::GifSpec;

namespace {

constexpr std::uint32_t kClear = 0x00FFFFFF;
const std::vector<GifColorType> kColours = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {10, 20, 30}};
const std::uint32_t kArgb[] = {0xFF000000, 0xFFFF0000, 0xFF00FF00, 0xFF0A141E};

GifSpec Frame(int w, int h) {
    GifSpec s;
    s.ScreenWidth = s.Width = w;
    s.ScreenHeight = s.Height = h;
    s.Colors = kColours;
    for (int i = 0; i < w * h; ++i)
        s.Indices.push_back(GifPixelType((i * 7 + i / w) % 4));
    return s;
}

std::vector<std::uint32_t> Expected(const GifSpec& s, int transparent = -1) {
    std::vector<std::uint32_t> out;
    for (GifPixelType i : s.Indices)
        out.push_back(int(i) == transparent ? kClear : kArgb[i]);
    return out;
}

TCodecFailure FailureOf(const Bytes& bytes) {
    try {
        DecodeGif(bytes.data(), bytes.size());
    } catch (const ECodecError& e) {
        return e.Reason();
    }
    ADD_FAILURE() << "decoding succeeded";
    return TCodecFailure::NotFound;
}

} // namespace

TEST(GifReader, DecodesPlainInterlacedAndTransparentFrames) {
    for (bool interlaced : {false, true}) {
        SCOPED_TRACE(interlaced);
        GifSpec s = Frame(3, 11); // eleven rows reach every interlace pass
        s.Interlaced = interlaced;
        const Bytes file = fixtures::WriteGif(s);
        const TDecodedPicture p = DecodeGif(file.data(), file.size());
        EXPECT_EQ(p.Width, 3);
        EXPECT_EQ(p.Height, 11);
        EXPECT_EQ(p.Pixels, Expected(s));
        EXPECT_FALSE(p.HasAlpha);
        EXPECT_TRUE(p.Drawn);
    }
    GifSpec s = Frame(4, 4);
    s.TransparentIndex = 2;
    const Bytes file = fixtures::WriteGif(s);
    const TDecodedPicture p = DecodeGif(file.data(), file.size());
    EXPECT_TRUE(p.HasAlpha);
    EXPECT_EQ(p.Pixels, Expected(s, 2));
}

TEST(GifReader, PlacesTheFrameOnTheLogicalScreen) {
    GifSpec s = Frame(2, 2);
    s.ScreenWidth = s.ScreenHeight = 4;
    s.Left = 1;
    s.Top = 2;
    Bytes file = fixtures::WriteGif(s);
    TDecodedPicture p = DecodeGif(file.data(), file.size());
    ASSERT_EQ(p.Width, 4);
    ASSERT_EQ(p.Height, 4);
    EXPECT_TRUE(p.HasAlpha);
    const std::vector<std::uint32_t> k = Expected(s);
    EXPECT_EQ(p.Pixels, (std::vector<std::uint32_t>{kClear, kClear, kClear, kClear, //
                                                    kClear, kClear, kClear, kClear, //
                                                    kClear, k[0], k[1], kClear,     //
                                                    kClear, k[2], k[3], kClear}));
    // A frame reaching past the screen is clipped to it.
    s = Frame(3, 3);
    s.ScreenWidth = s.ScreenHeight = 2;
    file = fixtures::WriteGif(s);
    p = DecodeGif(file.data(), file.size());
    const std::vector<std::uint32_t> all = Expected(s);
    EXPECT_EQ(p.Pixels, (std::vector<std::uint32_t>{all[0], all[1], all[3], all[4]}));
    // A screen without a size takes the frame's.
    s = Frame(2, 3);
    s.ScreenWidth = s.ScreenHeight = 0;
    file = fixtures::WriteGif(s);
    p = DecodeGif(file.data(), file.size());
    EXPECT_EQ(p.Width, 2);
    EXPECT_EQ(p.Height, 3);
    EXPECT_EQ(p.Pixels, Expected(s));
}

TEST(GifReader, DamagedFilesFailCleanly) {
    const Bytes good = fixtures::WriteGif(Frame(30, 30));
    for (std::size_t length : {std::size_t(0), std::size_t(5), std::size_t(13), std::size_t(30),
                               good.size() / 2, good.size() - 3}) {
        SCOPED_TRACE(length);
        EXPECT_EQ(FailureOf(Bytes(good.begin(), good.begin() + long(length))),
                  TCodecFailure::Corrupt);
    }
    // A screen of 65535 x 65535 pixels is refused before any pixel memory is taken.
    Bytes bomb = good;
    bomb[6] = bomb[7] = bomb[8] = bomb[9] = 0xFF;
    EXPECT_EQ(FailureOf(bomb), TCodecFailure::TooLarge);
}
