#include "engine/TBitmap32.h"

#include "tests/engine/GuiApplication.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class TextTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureGuiApplication(); }

    // A store prepared the way a text layer is made: text size plus a
    // 10-pixel margin all round, every pixel 0.
    static void MakeTextStore(TBitmap32& B, const QString& Text) {
        B.Font().Name = QStringLiteral("Arial");
        B.Font().Size = 28;
        B.SetDrawMode(dmBlend);
        B.SetWidth(B.TextWidth(Text) + 20);
        B.SetHeight(B.TextHeight(Text) + 20);
    }
};

bool AllZeroOutside(const TBitmap32& B, const TRect& Inner) {
    for (int Y = 0; Y < B.Height(); ++Y)
        for (int X = 0; X < B.Width(); ++X)
            if (!Inner.Contains(X, Y) && B.Pixel(X, Y) != 0)
                return false;
    return true;
}

} // namespace

TEST_F(TextTest, ExtentGrowsWithTheTextAndTheFont) {
    TBitmap32 B; // measuring needs no pixel memory
    B.Font().Name = QStringLiteral("Arial");
    B.Font().Size = 28;
    const TSize One = B.TextExtent(QStringLiteral("W"));
    const TSize Two = B.TextExtent(QStringLiteral("WW"));
    EXPECT_GT(One.cx, 0);
    EXPECT_EQ(Two.cx, 2 * One.cx);
    EXPECT_EQ(Two.cy, One.cy);
    // 28 points at 96 dots per inch is a 37-pixel em; the line is a bit taller.
    EXPECT_GE(One.cy, 37);
    EXPECT_LE(One.cy, 50);
    EXPECT_EQ(B.TextWidth(QString()), 0);
    B.Font().Size = 14;
    EXPECT_LT(B.TextHeight(QStringLiteral("W")), One.cy);
}

TEST_F(TextTest, ALineTooWideToMeasureIsRefusedNotWrappedAround) {
    TBitmap32 B;
    B.Font().Name = QStringLiteral("Arial");
    B.Font().Size = 3072; // a 4096-pixel em
    const int one = B.TextWidth(QStringLiteral("W"));
    ASSERT_GT(one, 1000);
    // Long, but well inside what can be measured: exact as in one piece.
    const QString fair(400, QLatin1Char('W'));
    EXPECT_EQ(B.TextWidth(fair), 400 * one);
    // Tens of thousands of wide letters would sum past the fixed-point range.
    const QString huge(100000, QLatin1Char('W'));
    EXPECT_THROW(B.TextExtent(huge), std::runtime_error);
    TBitmap32 target;
    target.SetSize(4, 4);
    target.SetFont(B.Font());
    EXPECT_THROW(target.PaintText(0, 0, huge, 0, 0xFF000000), std::runtime_error);
    // Many narrow letters at a small size stay measurable.
    B.Font().Size = 8;
    EXPECT_GT(B.TextWidth(QString(100000, QLatin1Char('i'))), 0);
}

TEST_F(TextTest, PaintTextTurnsCoverageIntoAlphaOfTheColour) {
    const QString Text = QStringLiteral("Hello");
    TBitmap32 B;
    MakeTextStore(B, Text);
    B.PaintText(10, 10, Text, 0, 0xFFFF0000);

    // The margins stay transparent.
    EXPECT_TRUE(AllZeroOutside(B, TRect(10, 10, B.Width() - 10, B.Height() - 10)));
    int Opaque = 0, Partial = 0;
    for (int Y = 0; Y < B.Height(); ++Y)
        for (int X = 0; X < B.Width(); ++X) {
            const TColor32 P = B.Pixel(X, Y);
            if (P == 0)
                continue;
            // Red only; over transparent black the rule darkens the colour no
            // more than it lowers the alpha.
            EXPECT_EQ(P & 0xFFFF, 0u);
            EXPECT_GE(RedComponent(P), AlphaComponent(P));
            if (P == 0xFFFF0000)
                ++Opaque;
            else
                ++Partial;
        }
    EXPECT_GT(Opaque, 50);  // the stems are fully covered
    EXPECT_GT(Partial, 10); // and the edges are smooth
}

TEST_F(TextTest, PaintTextAlphaActsAsMasterAlpha) {
    const QString Text = QStringLiteral("Hello");
    TBitmap32 B;
    MakeTextStore(B, Text);
    B.Clear(0xFF000000);
    B.PaintText(10, 10, Text, 0, 0x80FFFFFF);
    unsigned Brightest = 0;
    for (int Y = 0; Y < B.Height(); ++Y)
        for (int X = 0; X < B.Width(); ++X)
            Brightest = std::max<unsigned>(Brightest, BlueComponent(B.Pixel(X, Y)));
    // Full coverage at master alpha 128 has weight 128: (128 * 255 + 128) >> 8.
    EXPECT_EQ(Brightest, 128u);
}

TEST_F(TextTest, PaintTextWithAlphaZeroDrawsNothing) {
    const QString Text = QStringLiteral("Hello");
    TBitmap32 B;
    MakeTextStore(B, Text);
    int Changes = 0;
    B.OnChange = [&](TNotifiablePersistent*) { ++Changes; };
    B.PaintText(10, 10, Text, 0, 0x00FF0000);
    EXPECT_EQ(Changes, 0);
    EXPECT_TRUE(AllZeroOutside(B, TRect()));

    TBitmap32 Empty; // an empty store is left alone
    Empty.PaintText(0, 0, Text, 0, 0xFFFF0000);
    EXPECT_TRUE(Empty.IsEmpty());
}

TEST_F(TextTest, TextOutDrawsInTheFontColourWithinTheClip) {
    const QString Text = QStringLiteral("Hello");
    TBitmap32 B;
    MakeTextStore(B, Text);
    B.Clear(0xFFFFFFFF);
    B.Font().Color = clBlack;
    B.SetClipRect(TRect(0, 0, B.Width() / 2, B.Height()));
    std::vector<TRect> Areas;
    B.OnAreaChanged = [&](TBitmap32*, const TRect& R, std::uint32_t) { Areas.push_back(R); };
    B.TextOut(10, 10, Text);

    const TSize Extent = B.TextExtent(Text);
    ASSERT_EQ(Areas.size(), 1u);
    EXPECT_EQ(Areas[0], TRect(10, 10, 10 + Extent.cx + 1, 10 + Extent.cy + 1));
    int Dark = 0;
    for (int Y = 0; Y < B.Height(); ++Y)
        for (int X = 0; X < B.Width(); ++X) {
            const TColor32 P = B.Pixel(X, Y);
            if (X >= B.Width() / 2)
                ASSERT_EQ(P, 0xFFFFFFFFu) << X << "," << Y;
            else if (P == 0xFF000000)
                ++Dark;
        }
    EXPECT_GT(Dark, 20);
}
