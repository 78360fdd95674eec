#include "codecs/uGifWriter.h"

#include "WriterTestSupport.h"

#include <gtest/gtest.h>

#include <set>

using namespace writertest;

namespace {

struct TGifLayout {
    int Width = 0;
    int Height = 0;
    std::vector<TRgb> Palette; // the global colour table
    int Images = 0;
    bool LocalTables = false;
};

// Reads the screen descriptor and the global table, then walks the blocks to
// the trailer, counting images.
TGifLayout ReadLayout(const Bytes& file) {
    TGifLayout g;
    EXPECT_EQ(std::string(file.begin(), file.begin() + 3), "GIF");
    g.Width = int(LE16(file, 6));
    g.Height = int(LE16(file, 8));
    const unsigned packed = file.at(10);
    EXPECT_TRUE(packed & 0x80) << "no global colour table";
    const std::size_t entries = std::size_t(2) << (packed & 7);
    std::size_t at = 13;
    for (std::size_t i = 0; i < entries; ++i, at += 3)
        g.Palette.push_back(TRgb(file.at(at)) << 16 | TRgb(file.at(at + 1)) << 8 | file.at(at + 2));
    auto skipSubBlocks = [&] {
        while (file.at(at) != 0)
            at += 1 + file.at(at);
        ++at;
    };
    for (;;) {
        const unsigned block = file.at(at++);
        if (block == 0x3B)
            break;
        if (block == 0x21) {
            ++at; // label
            skipSubBlocks();
        } else if (block == 0x2C) {
            ++g.Images;
            const unsigned imagePacked = file.at(at + 8);
            at += 9;
            if (imagePacked & 0x80) {
                g.LocalTables = true;
                at += 3 * (std::size_t(2) << (imagePacked & 7));
            }
            ++at; // LZW minimum code size
            skipSubBlocks();
        } else {
            ADD_FAILURE() << "unknown block " << block;
            break;
        }
    }
    EXPECT_EQ(at, file.size());
    return g;
}

const TRgb kStaticColours[20] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080,
                                 0x800080, 0x008080, 0xC0C0C0, 0xC0DCC0, 0xA6CAF0,
                                 0xFFFBF0, 0xA0A0A4, 0x808080, 0xFF0000, 0x00FF00,
                                 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

} // namespace

// One frame, a 256-entry global table whose first and last ten entries are the
// static system colours, whatever the picture.
TEST(GifWriter, PaletteKeepsTheStaticColoursAtBothEnds) {
    const TDecodedPicture pictures[] = {Gradient(64, 48), Noise(40, 40),
                                        MakePicture(1, 1, [](int, int) { return 0xFF123456u; })};
    for (const auto& picture : pictures) {
        const Bytes file = EncodeGif(picture);
        const TGifLayout g = ReadLayout(file);
        EXPECT_EQ(g.Width, picture.Width);
        EXPECT_EQ(g.Height, picture.Height);
        EXPECT_EQ(g.Images, 1);
        EXPECT_FALSE(g.LocalTables);
        ASSERT_EQ(g.Palette.size(), 256u);
        for (int i = 0; i < 10; ++i) {
            EXPECT_EQ(g.Palette[std::size_t(i)], kStaticColours[i]) << i;
            EXPECT_EQ(g.Palette[std::size_t(246 + i)], kStaticColours[10 + i]) << 246 + i;
        }
        for (int i = 0; i < 20; ++i)
            EXPECT_EQ(StaticSystemColors[std::size_t(i)], kStaticColours[i]);
    }
}

// A picture of few colours comes back exactly: the quantiser finds each of them.
TEST(GifWriter, FewColoursSurviveExactly) {
    const auto picture = MakePicture(30, 20, [](int x, int y) {
        static const std::uint32_t colors[6] = {0xFF123456, 0xFFFF7F7F, 0xFF808080,
                                                0xFFC0DCC0, 0xFF0A0B0C, 0xFFFEDCBA};
        return colors[(y / 10) * 3 + x / 10];
    });
    const TDecodedPicture decoded = Decode(EncodeGif(picture), "GIF");
    ASSERT_EQ(decoded.Width, 30);
    ASSERT_EQ(decoded.Height, 20);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            ASSERT_EQ(decoded.Pixel(x, y) & 0xFFFFFF, picture.Pixel(x, y) & 0xFFFFFF)
                << x << "," << y;
}

// Many colours: every pixel takes a palette colour near its own, and the error
// diffusion keeps the average colour of the picture.
TEST(GifWriter, ManyColoursAreDiffusedOntoThePalette) {
    const auto picture = Noise(64, 64);
    const Bytes file = EncodeGif(picture);
    const TGifLayout g = ReadLayout(file);
    const std::set<TRgb> palette(g.Palette.begin(), g.Palette.end());
    const TDecodedPicture decoded = Decode(file, "GIF");
    ASSERT_EQ(decoded.Pixels.size(), picture.Pixels.size());
    double sum[2][3] = {};
    for (std::size_t i = 0; i < picture.Pixels.size(); ++i) {
        ASSERT_EQ(palette.count(decoded.Pixels[i] & 0xFFFFFF), 1u);
        for (int c = 0; c < 3; ++c) {
            sum[0][c] += (picture.Pixels[i] >> (8 * c)) & 0xFF;
            sum[1][c] += (decoded.Pixels[i] >> (8 * c)) & 0xFF;
        }
    }
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(sum[1][c] / double(picture.Pixels.size()),
                    sum[0][c] / double(picture.Pixels.size()), 2.0)
            << "channel " << c;
}

TEST(GifWriter, RefusesWhatTheFormatCannotHold) {
    std::vector<std::uint32_t> row(65536, 0xFF000000);
    EXPECT_THROW(EncodeGif(TPixelView(65536, 1, row.data())), EPictureWriteError);
    EXPECT_THROW(EncodeGif(TPixelView(0, 1, row.data())), EPictureWriteError);
}

namespace {

// The mean difference per channel between a picture and its GIF, pixel by
// pixel and over blocks of 4 x 4 pixels: the first is the grain the palette
// adds, the second how well the dithering keeps the colour of each small area.
struct TGifError {
    double Pixel = 0;
    double Block = 0;
};

TGifError MeasureError(const TDecodedPicture& picture, const TDecodedPicture& gif) {
    TGifError e;
    EXPECT_EQ(gif.Pixels.size(), picture.Pixels.size());
    if (gif.Pixels.size() != picture.Pixels.size())
        return e;
    auto channel = [](std::uint32_t p, int c) { return int(p >> (8 * c) & 0xFF); };
    for (std::size_t i = 0; i < picture.Pixels.size(); ++i)
        for (int c = 0; c < 3; ++c)
            e.Pixel += std::abs(channel(picture.Pixels[i], c) - channel(gif.Pixels[i], c));
    e.Pixel /= 3.0 * double(picture.Pixels.size());
    std::size_t blocks = 0;
    for (int by = 0; by + 4 <= picture.Height; by += 4)
        for (int bx = 0; bx + 4 <= picture.Width; bx += 4, ++blocks)
            for (int c = 0; c < 3; ++c) {
                int difference = 0;
                for (int y = by; y < by + 4; ++y)
                    for (int x = bx; x < bx + 4; ++x)
                        difference += channel(picture.Pixel(x, y), c) - channel(gif.Pixel(x, y), c);
                e.Block += std::abs(difference) / 16.0;
            }
    e.Block /= 3.0 * double(blocks);
    return e;
}

} // namespace

// On a grid of photo-like cells the GIF stays as close to the picture as the
// writer's first version did, whose libimagequant remapped every pixel itself:
// at most 5 % more difference pixel by pixel and over small areas, both with
// the quantiser counting every pixel and counting a sample of them. The
// dithering in bands gives the same file on any number of threads.
TEST(GifWriter, PhotoGridKeepsItsQuality) {
    // The first version's figures for this picture.
    const TGifError before{3.3724, 1.1709};
    const TDecodedPicture photos = PhotoGrid(4, 3, 120, 90, 8); // 520 x 310
    const TGifPlan plans[] = {PlanGif(photos.Width, photos.Height, 2), TGifPlan{2, {64, 2}}};
    for (const TGifPlan& plan : plans) {
        SCOPED_TRACE(testing::Message()
                     << "sample step " << plan.SampleStep << ", bands of " << plan.Dither.BandRows);
        const Bytes file = EncodeGif(photos, plan);
        const TGifError e = MeasureError(photos, Decode(file, "GIF"));
        EXPECT_LE(e.Pixel, before.Pixel * 1.05);
        EXPECT_LE(e.Block, before.Block * 1.05);
        TGifPlan oneThread = plan;
        oneThread.Dither.Threads = 1;
        EXPECT_EQ(EncodeGif(photos, oneThread), file);
    }
}
