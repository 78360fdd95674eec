#include "pictures/uPicLib.h"

#include "tests/codecs/CodecFixtures.h"
#include "tests/codecs/SpecialFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <functional>

namespace {

using fixtures::Bytes;

class Loaders : public ::testing::Test {
protected:
    QTemporaryDir dir;

    std::string Save(const std::string& name, const Bytes& data) {
        const std::string path = dir.filePath(QString::fromStdString(name)).toStdString();
        QFile f(QString::fromStdString(path));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(data.data()), qint64(data.size()));
        return path;
    }

    // A 3 x 2 RGBA PNG: opaque red, half-transparent green, transparent blue;
    // then three opaque greys.
    static Bytes AlphaPng() {
        fixtures::PngSpec s;
        s.Width = 3;
        s.Height = 2;
        s.ColorType = PNG_COLOR_TYPE_RGB_ALPHA;
        s.Samples = {255, 0,  0,  255, 0,  200, 0,  128, 0,  0,  255, 0,
                     10,  10, 10, 255, 20, 20,  20, 255, 30, 30, 30,  255};
        return fixtures::WritePng(s);
    }

    static std::vector<std::uint8_t> Jpeg() {
        fixtures::JpegSpec s;
        s.Width = s.Height = 8;
        s.Samples.assign(8 * 8 * 3, 128);
        return fixtures::WriteJpeg(s);
    }
};

TEST_F(Loaders, AlphaPngKeepsAlphaOnlyOnThe32BitPath) {
    const std::string path = Save("a.png", AlphaPng());

    TBitmap32 b32;
    ASSERT_TRUE(LoadPictureToBitmap32(path, b32));
    ASSERT_EQ(b32.Width(), 3);
    ASSERT_EQ(b32.Height(), 2);
    EXPECT_EQ(b32.Pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(b32.Pixel(1, 0), 0x8000C800u); // unblended colour, its own alpha
    EXPECT_EQ(b32.Pixel(2, 0), 0x000000FFu);
    EXPECT_EQ(b32.Pixel(2, 1), 0xFF1E1E1Eu);

    TBitmap b24;
    ASSERT_TRUE(LoadPictureToBitmap(path, b24));
    EXPECT_EQ(b24.PixelFormat(), pf24bit);
    const std::uint8_t* row = b24.ScanLine(0);
    // Composed onto white: green 200 at alpha 128 over 255 gives 227; the
    // transparent blue pixel is white.
    EXPECT_EQ((std::vector<int>{row[3], row[4], row[5]}), (std::vector<int>{127, 227, 127}));
    EXPECT_EQ((std::vector<int>{row[6], row[7], row[8]}), (std::vector<int>{255, 255, 255}));
}

TEST_F(Loaders, PngTransparencyModes) {
    {
        // One transparent colour on RGB: exactly its pixels, last row and column included.
        fixtures::PngSpec s;
        s.Width = 3;
        s.Height = 2;
        s.ColorType = PNG_COLOR_TYPE_RGB;
        s.Samples = {1, 2, 3, 9, 9, 9, 1, 2, 3, 9, 9, 9, 9, 9, 9, 1, 2, 3};
        s.HasTransparentColor = true;
        s.TransparentColor.red = 1;
        s.TransparentColor.green = 2;
        s.TransparentColor.blue = 3;
        TBitmap32 b;
        ASSERT_TRUE(LoadPictureToBitmap32(Save("key.png", fixtures::WritePng(s)), b));
        const std::vector<TColor32> want = {0x00010203u, 0xFF090909u, 0x00010203u,
                                            0xFF090909u, 0xFF090909u, 0x00010203u};
        EXPECT_EQ(std::vector<TColor32>(b.Bits(), b.Bits() + 6), want);
    }
    {
        // Half-transparent palette entries leave the picture opaque.
        fixtures::PngSpec s;
        s.Width = 2;
        s.ColorType = PNG_COLOR_TYPE_PALETTE;
        s.Palette = {{255, 0, 0}, {0, 0, 255}};
        s.PaletteAlpha = {128, 255};
        s.Samples = {0, 1};
        TBitmap32 b;
        ASSERT_TRUE(LoadPictureToBitmap32(Save("pal.png", fixtures::WritePng(s)), b));
        EXPECT_EQ(b.Pixel(0, 0), 0xFFFF0000u);
        EXPECT_EQ(b.Pixel(1, 0), 0xFF0000FFu);
    }
}

TEST_F(Loaders, TransparentGifIsOpaqueWhiteByEitherLoader) {
    fixtures::GifSpec s;
    s.ScreenWidth = s.Width = 2;
    s.ScreenHeight = s.Height = 1;
    s.Colors = {{0, 0, 0}, {255, 0, 0}};
    s.TransparentIndex = 0;
    s.Indices = {0, 1};
    const std::string path = Save("t.gif", fixtures::WriteGif(s));
    TBitmap32 b32;
    ASSERT_TRUE(LoadPictureToBitmap32(path, b32));
    EXPECT_EQ(b32.Pixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(b32.Pixel(1, 0), 0xFFFF0000u);
    TBitmap b24;
    ASSERT_TRUE(LoadPictureToBitmap(path, b24));
    EXPECT_EQ(b24.ScanLine(0)[0], 255);
    EXPECT_EQ(b24.ScanLine(0)[5], 255);
}

TEST_F(Loaders, BitmapFormatsKeepTheirDepth) {
    // A 32-bit Targa keeps its alpha on both paths; drawn formats do not.
    const std::vector<std::uint32_t> px = {0x80102030u, 0xFF405060u};
    const std::string path = Save("a.tga", fixtures::WriteWithMagick(2, 1, px, "TGA", true));
    TBitmap32 b32;
    ASSERT_TRUE(LoadPictureToBitmap32(path, b32));
    EXPECT_EQ(b32.Pixel(0, 0), 0x80102030u);
    TBitmap b;
    ASSERT_TRUE(LoadPictureToBitmap(path, b));
    EXPECT_EQ(b.PixelFormat(), pf32bit);

    const std::string opaque =
        Save("b.bmp", fixtures::WriteWithMagick(2, 1, {0xFF010203u, 0xFF040506u}, "BMP", false));
    ASSERT_TRUE(LoadPictureToBitmap32(opaque, b32));
    EXPECT_EQ(b32.Pixel(1, 0), 0xFF040506u);
    ASSERT_TRUE(LoadPictureToBitmap(opaque, b));
    EXPECT_EQ(b.PixelFormat(), pf24bit);
}

TEST_F(Loaders, FilesThatCannotBeReadFailQuietly) {
    const Bytes png = AlphaPng();
    const Bytes jpg = Jpeg();
    struct Case {
        const char* name;
        Bytes data;
        bool loads;
    } cases[] = {
        {"photo.jpg", jpg, true},
        {"PHOTO.JPG", jpg, true},
        {"png-named.jpg", png, false},
        {"jpeg-named.png", jpg, false},
        {"anim.ani", png, false},
        {"short.png", Bytes{0x89, 'P', 'N'}, false},
        {"empty.png", Bytes{}, false},
        {"cut.png", Bytes(png.begin(), png.begin() + long(png.size() / 2)), false},
        {"garbage.psd", Bytes(64, 0xAB), false},
        {"noise.tif", Bytes(64, 0x11), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Save(c.name, c.data);
        TBitmap32 b32;
        TBitmap b;
        EXPECT_EQ(LoadPictureToBitmap32(path, b32), c.loads);
        EXPECT_EQ(LoadPictureToBitmap(path, b), c.loads);
        if (!c.loads) {
            EXPECT_ANY_THROW(b32.LoadFromFile(path));
        }
    }
    TBitmap32 untouched;
    untouched.SetSize(2, 2);
    EXPECT_FALSE(LoadPictureToBitmap32(dir.filePath("missing.png").toStdString(), untouched));
    EXPECT_EQ(untouched.Width(), 2);
}

TEST_F(Loaders, IsPngFileChecksTheSignature) {
    EXPECT_TRUE(IsPngFile(Save("x.dat", AlphaPng())));
    EXPECT_FALSE(IsPngFile(Save("y.png", Jpeg())));
    EXPECT_THROW(IsPngFile(Save("z.png", Bytes{0x89, 'P'})), std::runtime_error);
    EXPECT_THROW(IsPngFile(dir.filePath("none.png").toStdString()), std::runtime_error);
}

TEST_F(Loaders, LoadFromFileDrawsOverTheStoresPixels) {
    // A new size: the picture lands on black, and the store ends up opaque.
    TBitmap32 b;
    b.LoadFromFile(Save("a.png", AlphaPng()));
    EXPECT_EQ(b.Pixel(2, 0), 0xFF000000u);
    EXPECT_EQ(b.Pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(b.Pixel(1, 0) >> 24, 0xFFu);

    // The same size again: it lands on the previous picture.
    b.Clear(0xFF00FF00u);
    b.LoadFromFile(Save("a.png", AlphaPng()));
    EXPECT_EQ(b.Pixel(2, 0), 0xFF00FF00u);

    // Bitmaps are copied with their own alpha.
    const std::vector<std::uint32_t> px = {0x80102030u, 0x00405060u};
    b.LoadFromFile(Save("a.tga", fixtures::WriteWithMagick(2, 1, px, "TGA", true)));
    EXPECT_EQ(b.Pixel(0, 0), 0x80102030u);
}

TEST_F(Loaders, RefuseAPipeWithoutWaitingOnIt) {
    const std::string pipe = dir.filePath("pipe.png").toStdString();
    fixtures::MakeFifo(pipe);
    // A symbolic link to a picture loads like the picture.
    Save("a.png", AlphaPng());
    const std::string link = dir.filePath("link.png").toStdString();
    ASSERT_EQ(symlink("a.png", link.c_str()), 0);
    // Each way into the loaders gives the reason it failed, or nothing.
    const auto thrown = [](const std::function<void()>& call) -> std::string {
        try {
            call();
            return std::string();
        } catch (const std::exception& e) {
            return e.what();
        }
    };
    const std::pair<const char*, std::function<std::string(const std::string&)>> ways[] = {
        {"LoadPictureToBitmap32",
         [](const std::string& file) {
             TBitmap32 b;
             std::string why;
             return LoadPictureToBitmap32(file, b, &why) ? std::string() : why;
         }},
        {"LoadPictureToBitmap",
         [](const std::string& file) {
             TBitmap b;
             std::string why;
             return LoadPictureToBitmap(file, b, &why) ? std::string() : why;
         }},
        {"LoadPictureForFit",
         [](const std::string& file) {
             TBitmap b;
             int w = 0, h = 0;
             std::string why;
             return LoadPictureForFit(file, b, 8, 8, 1, w, h, &why) ? std::string() : why;
         }},
        {"IsPngFile", [&](const std::string& file) { return thrown([&] { IsPngFile(file); }); }},
        {"ReadPngTransparent",
         [&](const std::string& file) {
             TBitmap32 b;
             return thrown([&] { ReadPngTransparent(file, b); });
         }},
        {"LoadFromFile",
         [&](const std::string& file) {
             TBitmap32 b;
             return thrown([&] { b.LoadFromFile(file); });
         }},
    };
    for (const auto& [name, way] : ways) {
        SCOPED_TRACE(name);
        EXPECT_THAT(fixtures::WithoutWaitingOn(pipe, [&] { return way(pipe); }),
                    testing::HasSubstr("not a regular file"));
        EXPECT_EQ(fixtures::WithoutWaitingOn(pipe, [&] { return way(link); }), "");
    }
}

TEST(WinColorToColor32, SwapsRedAndBlueWithoutResolvingSystemColours) {
    EXPECT_EQ(WinColorToColor32(0x00FF0000), 0xFF0000FFu);
    EXPECT_EQ(WinColorToColor32(0x00123456), 0xFF563412u);
    EXPECT_EQ(WinColorToColor32(static_cast<TColor>(0xFF00000F)), 0xFF0F0000u);
}

} // namespace
