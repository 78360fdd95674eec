#include "engine/TBitmap.h"
#include "engine/TBitmap32.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<TColor32> Pixels(const TBitmap32& B) {
    return std::vector<TColor32>(B.Bits(), B.Bits() + std::size_t(B.Width()) * B.Height());
}

struct TChangeCount {
    int Changes = 0;
    void Attach(TBitmap32& B) {
        B.OnChange = [this](TNotifiablePersistent*) { ++Changes; };
    }
};

// A 2 x 2 platform bitmap from four pixels 0xAARRGGBB.
TBitmap MakeBitmap(TPixelFormat Format, const std::vector<TColor32>& Values) {
    TBitmap Bitmap(Format);
    Bitmap.SetSize(2, 2);
    for (int Y = 0; Y < 2; ++Y)
        for (int X = 0; X < 2; ++X) {
            const TColor32 C = Values[std::size_t(Y * 2 + X)];
            std::uint8_t* P = Bitmap.ScanLine(Y) + X * Bitmap.BytesPerPixel();
            P[0] = BlueComponent(C);
            P[1] = GreenComponent(C);
            P[2] = RedComponent(C);
            if (Format == pf32bit)
                P[3] = AlphaComponent(C);
        }
    return Bitmap;
}

} // namespace

TEST(TBitmap32Assign, FromAnotherStoreTakesSizePixelsAndProperties) {
    TBitmap32 Src;
    Src.SetSize(2, 1);
    Src.SetPixel(0, 0, 0x80112233);
    Src.SetPixel(1, 0, 0x00445566);
    Src.SetDrawMode(dmBlend);
    Src.SetMasterAlpha(77);
    Src.SetOuterColor(0x11111111);
    Src.Font().Name = QStringLiteral("Arial");
    Src.Font().Size = 28;
    Src.OnChange = [](TNotifiablePersistent*) {};

    TBitmap32 Dst;
    Dst.SetSize(5, 5);
    TChangeCount Count;
    Count.Attach(Dst);
    Dst.Assign(Src);
    EXPECT_EQ(Count.Changes, 1);
    EXPECT_EQ(Dst.Width(), 2);
    EXPECT_EQ(Dst.Height(), 1);
    EXPECT_EQ(Pixels(Dst), Pixels(Src));
    EXPECT_EQ(Dst.DrawMode(), dmBlend);
    EXPECT_EQ(Dst.MasterAlpha(), 77);
    EXPECT_EQ(Dst.OuterColor(), 0x11111111u);
    EXPECT_EQ(Dst.Font(), Src.Font());
    EXPECT_EQ(Dst.ResamplerClassName(), "TNearestResampler");
    EXPECT_TRUE(Dst.OnChange); // events stay the target's own

    Dst.Assign(nullptr);
    EXPECT_EQ(Count.Changes, 2);
    EXPECT_TRUE(Dst.IsEmpty());
    EXPECT_EQ(Dst.Width(), 0);
}

TEST(TBitmap32Assign, PlatformBitmapAlphaRules) {
    const std::vector<TColor32> Values{0x10FF0000, 0x2000FF00, 0x300000FF, 0x40FFFFFF};
    TBitmap32 B;

    B.Assign(MakeBitmap(pf24bit, Values));
    EXPECT_EQ(Pixels(B), (std::vector<TColor32>{0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF}));

    B.Assign(MakeBitmap(pf32bit, Values));
    EXPECT_EQ(Pixels(B), Values);

    // Marked transparent: pixels of the key colour get alpha 0, colour kept.
    TBitmap Keyed = MakeBitmap(pf24bit, Values);
    Keyed.Transparent = true;
    Keyed.TransparentColor = 0x00FF00; // green as a form colour
    Keyed.Font().Name = QStringLiteral("Arial");
    B.Assign(Keyed);
    EXPECT_EQ(Pixels(B), (std::vector<TColor32>{0xFFFF0000, 0x0000FF00, 0xFF0000FF, 0xFFFFFFFF}));
    EXPECT_EQ(B.Font().Name, QStringLiteral("Arial"));

    B.Assign(TBitmap());
    EXPECT_TRUE(B.IsEmpty());
}

TEST(TBitmap32Assign, DecodedPictureIsDrawnOverTheCurrentPixelsAndMadeOpaque) {
    QImage Picture(2, 1, QImage::Format_ARGB32);
    Picture.setPixel(0, 0, 0x80FFFFFF);
    Picture.setPixel(1, 0, 0xFF123456);

    TBitmap32 B;
    TChangeCount Count;
    Count.Attach(B);
    B.Assign(Picture); // freshly sized: drawn over transparent black
    EXPECT_EQ(Count.Changes, 1);
    EXPECT_EQ(Pixels(B), (std::vector<TColor32>{0xFF808080, 0xFF123456}));

    B.Clear(0xFF0000FF);
    B.Assign(Picture); // same size: drawn over the previous pixels
    EXPECT_EQ(Pixels(B), (std::vector<TColor32>{0xFF8080FF, 0xFF123456}));

    // Other formats are converted first.
    QImage Grey(1, 1, QImage::Format_Grayscale8);
    Grey.fill(0x40);
    B.Assign(Grey);
    EXPECT_EQ(Pixels(B), std::vector<TColor32>{0xFF404040});
}

TEST(TBitmap32Assign, AdoptedPixelsAreUsedInPlaceAndFreedLikeItsOwn) {
    TBitmap32 B;
    B.SetSize(4, 4);
    B.SetDrawMode(dmBlend);
    TChangeCount Count;
    Count.Attach(B);
    std::vector<TColor32> Given{0x80112233, 0xFF445566, 0x00778899, 0xFFAABBCC, 1, 2};
    const TColor32* Memory = Given.data();
    B.AdoptPixels(std::move(Given), 3, 2);
    EXPECT_EQ(Count.Changes, 1);
    EXPECT_EQ(B.Bits(), Memory); // not a copy
    EXPECT_EQ(B.Width(), 3);
    EXPECT_EQ(B.ClipRect(), TRect(0, 0, 3, 2));
    EXPECT_EQ(B.Pixel(0, 1), 0xFFAABBCCu);
    EXPECT_EQ(B.DrawMode(), dmBlend);

    // The adopted memory behaves as the store's own: turned, resized, released.
    B.Rotate90();
    EXPECT_EQ(B.Width(), 2);
    EXPECT_EQ(B.Pixel(1, 0), 0x80112233u);
    B.AdoptPixels(std::vector<TColor32>{7}, 1, 1);
    EXPECT_EQ(Pixels(B), std::vector<TColor32>{7});
    B.SetSize(2, 1);
    EXPECT_EQ(Pixels(B), (std::vector<TColor32>{0, 0}));

    // Pixels that do not make the size are refused and the store is untouched.
    EXPECT_THROW(B.AdoptPixels(std::vector<TColor32>(5), 2, 3), std::invalid_argument);
    EXPECT_EQ(B.Width(), 2);
    B.AdoptPixels({}, 0, 0);
    EXPECT_TRUE(B.IsEmpty());
}

TEST(TBitmap32Assign, MakeOpaqueAndAssignToAPlatformBitmap) {
    TBitmap32 B;
    B.SetSize(2, 1);
    B.SetPixel(0, 0, 0x00123456);
    B.SetPixel(1, 0, 0x80ABCDEF);
    B.Font().Size = 12;

    TBitmap Bitmap(pf24bit);
    Bitmap.SetSize(7, 7);
    B.AssignTo(Bitmap);
    EXPECT_EQ(Bitmap.PixelFormat(), pf32bit);
    EXPECT_EQ(Bitmap.Width(), 2);
    EXPECT_EQ(Bitmap.Height(), 1);
    EXPECT_EQ(Bitmap.Font().Size, 12);
    TColor32 Row[2];
    std::memcpy(Row, Bitmap.ScanLine(0), sizeof Row);
    EXPECT_EQ(Row[0], 0x00123456u); // alpha bytes pass out unchanged
    EXPECT_EQ(Row[1], 0x80ABCDEFu);

    // And back: a 32-bit bitmap keeps its alpha.
    TBitmap32 Back;
    Back.Assign(Bitmap);
    EXPECT_EQ(Pixels(Back), Pixels(B));

    TChangeCount Count;
    Count.Attach(B);
    B.MakeOpaque();
    EXPECT_EQ(Count.Changes, 1);
    EXPECT_EQ(Pixels(B), (std::vector<TColor32>{0xFF123456, 0xFFABCDEF}));
}

TEST(TBitmapPlatform, SizeAndFormatChanges) {
    TBitmap Bitmap = MakeBitmap(pf24bit, {0x010203, 0x040506, 0x070809, 0x0A0B0C});
    Bitmap.SetSize(3, 1); // the overlapping part stays, new pixels are black
    const std::uint8_t* P = Bitmap.ScanLine(0);
    EXPECT_EQ(std::vector<int>(P, P + 9), (std::vector<int>{3, 2, 1, 6, 5, 4, 0, 0, 0}));

    Bitmap.SetPixelFormat(pf32bit);
    TColor32 Row[3];
    std::memcpy(Row, Bitmap.ScanLine(0), sizeof Row);
    EXPECT_EQ(Row[0], 0xFF010203u);
    EXPECT_EQ(Row[2], 0xFF000000u);

    Bitmap.SetSize(-1, 5);
    EXPECT_EQ(Bitmap.Width(), 0);
    EXPECT_EQ(Bitmap.Height(), 5);
    EXPECT_TRUE(Bitmap.Empty());
    EXPECT_THROW(Bitmap.SetSize(1 << 16, 1 << 16), std::runtime_error);
}
