#include "engine/TBitmap32.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

std::vector<TColor32> Pixels(const TBitmap32& B) {
    return std::vector<TColor32>(B.Bits(), B.Bits() + std::size_t(B.Width()) * B.Height());
}

void Fill(TBitmap32& B, int W, int H, const std::vector<TColor32>& Values) {
    B.SetSize(W, H);
    std::copy(Values.begin(), Values.end(), B.Bits());
}

struct TAreaLog {
    std::vector<TRect> Areas;
    void Attach(TBitmap32& B) {
        B.OnAreaChanged = [this](TBitmap32*, const TRect& R, std::uint32_t) { Areas.push_back(R); };
    }
};

std::string Message(const std::function<void()>& F) {
    try {
        F();
    } catch (const std::runtime_error& E) {
        return E.what();
    }
    return "no error";
}

} // namespace

TEST(TransferBlock, NilStoresRaise) {
    TBitmap32 B;
    B.SetSize(1, 1);
    const TRect R(0, 0, 1, 1);
    EXPECT_EQ(Message([&] { TransferBlock(&B, 0, 0, R, nullptr, R, dmOpaque); }),
              "Source bitmap is nil");
    EXPECT_EQ(Message([&] { TransferBlock(nullptr, 0, 0, R, &B, R, dmOpaque); }),
              "Destination bitmap is nil");
    EXPECT_EQ(Message([&] { TransferStretched(&B, R, R, nullptr, R, nullptr, dmOpaque); }),
              "Source bitmap is nil");
    EXPECT_EQ(Message([&] { TransferStretched(nullptr, R, R, &B, R, nullptr, dmOpaque); }),
              "Destination bitmap is nil");
    EXPECT_EQ(Message([&] { B.DrawOnto(nullptr, 0, 0); }), "Destination bitmap is nil");
}

TEST(TransferBlock, ClipsToDestinationAndReportsTheRectangleAsPassed) {
    TBitmap32 Src, Dst;
    Fill(Src, 2, 2, {1, 2, 3, 4});
    Dst.SetSize(3, 3);
    TAreaLog Log;
    Log.Attach(Dst);
    // Source rectangle partly outside the source, destination partly clipped.
    TransferBlock(&Dst, 1, -1, TRect(0, 0, 3, 2), &Src, TRect(-1, 0, 2, 2), dmOpaque);
    // Source (x, y) lands on (x + 2, y - 1); only (0..1, 1) of the source survives
    // the clip: pixels 3, 4 at (2, 0) and (3, 0), and (3, 0) lies outside.
    EXPECT_EQ(Pixels(Dst), (std::vector<TColor32>{0, 0, 3, 0, 0, 0, 0, 0, 0}));
    ASSERT_EQ(Log.Areas.size(), 1u);
    EXPECT_EQ(Log.Areas[0], TRect(1, -1, 4, 1));
}

TEST(TransferBlock, DrawModes) {
    TBitmap32 Src, Dst;
    Fill(Src, 3, 1, {0x80FF0000, 0x00FFFFFF, 0xFF00FF00});
    const std::vector<TColor32> Back(3, 0xFF0000FF);

    Fill(Dst, 3, 1, Back);
    Src.SetDrawMode(dmOpaque);
    Src.DrawOnto(&Dst, 0, 0);
    EXPECT_EQ(Pixels(Dst), Pixels(Src));

    Fill(Dst, 3, 1, Back);
    Src.SetDrawMode(dmBlend);
    Src.DrawOnto(&Dst, 0, 0);
    EXPECT_EQ(Pixels(Dst), (std::vector<TColor32>{0xC0800080, 0xFF0000FF, 0xFF00FF00}));

    Fill(Dst, 3, 1, Back);
    Src.SetMasterAlpha(128);
    Src.DrawOnto(&Dst, 0, 0);
    // Weights 64, none and 128.
    EXPECT_EQ(Pixels(Dst), (std::vector<TColor32>{0xDF4000BF, 0xFF0000FF, 0xFF008080}));

    Fill(Dst, 3, 1, Back);
    Src.SetDrawMode(dmTransparent);
    Src.SetOuterColor(0x00FFFFFF);
    Src.DrawOnto(&Dst, 0, 0);
    EXPECT_EQ(Pixels(Dst), (std::vector<TColor32>{0x80FF0000, 0xFF0000FF, 0xFF00FF00}));

    Fill(Dst, 3, 1, Back);
    Src.SetDrawMode(dmCustom);
    std::vector<TColor32> Masters;
    Src.OnPixelCombine = [&](TColor32 F, TColor32& B, TColor32 M) {
        B = F ^ B;
        Masters.push_back(M);
    };
    Src.DrawOnto(&Dst, 0, 0);
    EXPECT_EQ(Pixels(Dst), (std::vector<TColor32>{0x7FFF00FF, 0xFFFFFF00, 0x0000FFFF}));
    EXPECT_EQ(Masters, (std::vector<TColor32>{128, 128, 128}));

    Fill(Dst, 3, 1, Back);
    Src.OnPixelCombine = nullptr; // custom without a handler copies
    Src.DrawOnto(&Dst, 0, 0);
    EXPECT_EQ(Pixels(Dst), Pixels(Src));
}

TEST(TransferBlock, NothingHappensForEmptyStoresOrInvisibleBlends) {
    TBitmap32 Src, Dst;
    Fill(Src, 1, 1, {0xFFFFFFFF});
    Dst.SetSize(1, 1);
    TAreaLog Log;
    Log.Attach(Dst);
    Src.SetDrawMode(dmBlend);
    Src.SetMasterAlpha(0);
    Src.DrawOnto(&Dst, 0, 0);
    Src.StretchOnto(&Dst, TRect(0, 0, 1, 1));
    TBitmap32 Empty;
    Empty.DrawOnto(&Dst, 0, 0);
    Src.SetMasterAlpha(255);
    Src.DrawOnto(&Empty, 0, 0);
    EXPECT_TRUE(Log.Areas.empty());
    EXPECT_EQ(Dst.Pixel(0, 0), 0u);
    // A transfer that lands outside still reports its rectangle.
    Src.DrawOnto(&Dst, 5, 5);
    ASSERT_EQ(Log.Areas.size(), 1u);
    EXPECT_EQ(Log.Areas[0], TRect(5, 5, 6, 6));
}

TEST(TransferStretched, NearestNeighbourCases) {
    struct Case {
        int SrcW, SrcH;
        std::vector<TColor32> Src;
        int DstW, DstH;
        std::vector<TColor32> Expected;
    };
    const Case Cases[] = {
        // 2 x 2 to 4 x 4 repeats each pixel as a 2 x 2 block.
        {2, 2, {1, 2, 3, 4}, 4, 4, {1, 1, 2, 2, 1, 1, 2, 2, 3, 3, 4, 4, 3, 3, 4, 4}},
        // A row of 3 to 2 takes columns 0 and 1 (Trunc of 0 and 1.5).
        {3, 1, {1, 2, 3}, 2, 1, {1, 2}},
        // Width 5 to width 1 takes the middle column (0 + 5 - 1) div 2.
        {5, 1, {1, 2, 3, 4, 5}, 1, 1, {3}},
        // 4 rows to 1 take row (0 + 4 - 1) div 2 = 1; 1 column to 3 repeats it.
        {1, 4, {1, 2, 3, 4}, 3, 1, {2, 2, 2}},
        // 3 to 4: ScaleX 0.75 gives 0, 0, 1, 2.
        {3, 1, {1, 2, 3}, 4, 1, {1, 1, 2, 3}},
    };
    for (const Case& C : Cases)
        for (TDrawMode Mode : {dmOpaque, dmTransparent}) {
            TBitmap32 Src, Dst;
            Fill(Src, C.SrcW, C.SrcH, C.Src);
            Src.SetDrawMode(Mode);
            Src.SetOuterColor(0xDEADBEEF);
            Dst.SetSize(C.DstW, C.DstH);
            Src.StretchOnto(&Dst, Dst.BoundsRect());
            EXPECT_EQ(Pixels(Dst), C.Expected) << C.SrcW << "x" << C.SrcH << " mode " << Mode;
        }
}

TEST(TransferStretched, ColumnMapUsesASingleFloatScale) {
    // 10 / 6 as a float is just below 5/3, so column 3 maps to Trunc(4.9999998) = 4,
    // where exact arithmetic would give 5.
    const std::vector<int> Map =
        TNearestResampler::ColumnMap(TRect(0, 0, 6, 1), TRect(0, 0, 6, 1), TRect(0, 0, 10, 1));
    EXPECT_EQ(Map, (std::vector<int>{0, 1, 3, 4, 6, 8}));
    // Offsets: only the clipped columns are mapped, from the rectangles' own origins.
    const std::vector<int> Clipped =
        TNearestResampler::ColumnMap(TRect(5, 0, 8, 1), TRect(6, 0, 8, 1), TRect(2, 0, 12, 1));
    EXPECT_EQ(Clipped, (std::vector<int>{5, 8}));
    const std::vector<int> Rows =
        TNearestResampler::RowMap(TRect(0, 0, 1, 6), TRect(0, 2, 1, 6), TRect(0, 0, 1, 4));
    EXPECT_EQ(Rows, (std::vector<int>{1, 2, 2, 3}));
}

TEST(TransferStretched, ClipsBlendsAndReportsTheDestinationRectangle) {
    TBitmap32 Src, Dst;
    Fill(Src, 2, 1, {0x80FFFFFF, 0xFF00FF00});
    Src.SetDrawMode(dmBlend);
    Dst.SetSize(4, 2);
    Dst.Clear(0xFF000000);
    TAreaLog Log;
    Log.Attach(Dst);
    // Source stretched to (-2, 0, 6, 2): every source pixel covers 4 x 2;
    // the clip keeps columns 1..2.
    TransferStretched(&Dst, TRect(-2, 0, 6, 2), TRect(1, 0, 3, 2), &Src, Src.BoundsRect(), nullptr,
                      dmBlend);
    const TColor32 G = 0xC0808080, K = 0xFF000000, E = 0xFF00FF00;
    EXPECT_EQ(Pixels(Dst), (std::vector<TColor32>{K, G, E, K, K, G, E, K}));
    ASSERT_EQ(Log.Areas.size(), 1u);
    EXPECT_EQ(Log.Areas[0], TRect(-2, 0, 6, 2));
}

TEST(TransferStretched, SameSizeCopiesWithTheShiftedOrigin) {
    TBitmap32 Src, Dst;
    Fill(Src, 3, 2, {1, 2, 3, 4, 5, 6});
    Dst.SetSize(3, 2);
    TransferStretched(&Dst, TRect(-1, 0, 1, 1), Dst.BoundsRect(), &Src, TRect(1, 1, 3, 2), nullptr,
                      dmOpaque);
    EXPECT_EQ(Pixels(Dst), (std::vector<TColor32>{6, 0, 0, 0, 0, 0}));
}

TEST(TransferStretched, SourceRectangleChecks) {
    TBitmap32 Src, Dst;
    Src.SetSize(2, 2);
    Dst.SetSize(2, 2);
    TAreaLog Log;
    Log.Attach(Dst);
    EXPECT_EQ(Message([&] {
                  TransferStretched(&Dst, TRect(0, 0, 2, 2), Dst.BoundsRect(), &Src,
                                    TRect(1, 0, 3, 2), nullptr, dmOpaque);
              }),
              "Source rectangle is invalid");
    // An empty source rectangle, even outside, is simply nothing.
    EXPECT_EQ(Message([&] {
                  TransferStretched(&Dst, TRect(0, 0, 2, 2), Dst.BoundsRect(), &Src,
                                    TRect(5, 5, 5, 9), nullptr, dmOpaque);
              }),
              "no error");
    // A destination rectangle outside the clip draws and reports nothing.
    TransferStretched(&Dst, TRect(2, 0, 4, 2), Dst.BoundsRect(), &Src, Src.BoundsRect(), nullptr,
                      dmOpaque);
    EXPECT_TRUE(Log.Areas.empty());
}

namespace {

// Pixel-by-pixel reference of a stretched opaque transfer: every destination
// pixel inside the clip, the destination rectangle and the store takes the
// source pixel at the nearest-neighbour position.
std::vector<TColor32> ReferenceStretch(const TBitmap32& Dst, const TRect& DstRect,
                                       const TRect& Clip, const TBitmap32& Src,
                                       const TRect& SrcRect) {
    std::vector<TColor32> Out = Pixels(Dst);
    const auto Map = [](int D, int DLo, int DLen, int SLo, int SHi) {
        if (DLen <= 1)
            return (SLo + SHi - 1) / 2;
        const float Scale = float(double(SHi - SLo) / DLen);
        return int(double(SLo) + double(D - DLo) * double(Scale));
    };
    for (int Y = 0; Y < Dst.Height(); ++Y)
        for (int X = 0; X < Dst.Width(); ++X) {
            if (!Clip.Contains(X, Y) || !DstRect.Contains(X, Y))
                continue;
            const int SX = Map(X, DstRect.Left, DstRect.Width(), SrcRect.Left, SrcRect.Right);
            const int SY = Map(Y, DstRect.Top, DstRect.Height(), SrcRect.Top, SrcRect.Bottom);
            Out[std::size_t(Y * Dst.Width() + X)] = Src.Pixel(SX, SY);
        }
    return Out;
}

} // namespace

TEST(TransferStretched, MatchesAPixelByPixelReference) {
    std::mt19937 Rng(5);
    const auto Between = [&](int Lo, int Hi) { return Lo + int(Rng() % unsigned(Hi - Lo + 1)); };
    for (int Round = 0; Round < 300; ++Round) {
        TBitmap32 Src, Dst;
        Src.SetSize(Between(1, 9), Between(1, 9));
        for (int I = 0; I < Src.Width() * Src.Height(); ++I)
            Src.Bits()[I] = TColor32(I + 1);
        Dst.SetSize(Between(1, 12), Between(1, 12));
        const int SL = Between(0, Src.Width() - 1), ST = Between(0, Src.Height() - 1);
        const TRect SrcRect(SL, ST, Between(SL + 1, Src.Width()), Between(ST + 1, Src.Height()));
        const int DL = Between(-6, 10), DT = Between(-6, 10);
        const TRect DstRect(DL, DT, DL + Between(1, 20), DT + Between(1, 20));
        const TRect Clip(Between(-2, 6), Between(-2, 6), Between(0, 14), Between(0, 14));
        const std::vector<TColor32> Expected = ReferenceStretch(Dst, DstRect, Clip, Src, SrcRect);
        TransferStretched(&Dst, DstRect, Clip, &Src, SrcRect, nullptr, dmOpaque);
        ASSERT_EQ(Pixels(Dst), Expected) << "round " << Round;
    }
}

TEST(TransferBlock, AStoreDrawnOntoItselfReadsTheOriginalPixels) {
    TBitmap32 B;
    Fill(B, 3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    // Shifted one down and one right: without a snapshot 1 would run down the diagonal.
    TransferBlock(&B, 1, 1, B.BoundsRect(), &B, B.BoundsRect(), dmOpaque);
    EXPECT_EQ(Pixels(B), (std::vector<TColor32>{1, 2, 3, 4, 1, 2, 7, 4, 5}));
    Fill(B, 3, 1, {1, 2, 3});
    TransferStretched(&B, TRect(0, 0, 3, 1), B.BoundsRect(), &B, TRect(0, 0, 2, 1), nullptr,
                      dmOpaque);
    EXPECT_EQ(Pixels(B), (std::vector<TColor32>{1, 1, 2}));
}
