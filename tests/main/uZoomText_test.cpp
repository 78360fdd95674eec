#include "main/uZoomText.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(ZoomText, TypedPercentages) {
    const struct {
        const char* Text;
        float Current;
        bool Changed, SetScale;
        float Scale;
        const char* Shown;
    } cases[] = {
        {"1", 1.0f, true, true, 0.01f, "1%"},     // the first digit typed
        {"15%", 0.01f, true, true, 0.15f, "15%"}, // the next one before the "%"
        {"150%", 0.15f, true, true, 1.5f, "150%"},
        {"2500", 1.0f, true, false, 0, "100%"},   // pasted at once: refused
        {"2500%", 2.5f, true, false, 0, "250%"},  // typed after 250%: refused
        {"", 2.0f, false, false, 0, ""},          // cleared: nothing happens
        {" % ", 2.0f, false, false, 0, ""},       //
        {"0%", 1.0f, true, false, 0, "100%"},     // below the range
        {"abc", 0.333f, true, false, 0, "33%"},   // no number
        {"2 000 %", 1.0f, true, true, 20.0f, "2000%"},
        {"-5", 1.0f, true, false, 0, "100%"},
        {"12.5", 0.125f, true, false, 0, "12%"}, // 12.5 to the even neighbour
    };
    for (const auto& c : cases) {
        const TZoomEdit e = ZoomFromText(QString::fromLatin1(c.Text), c.Current);
        EXPECT_EQ(e.Changed, c.Changed) << c.Text;
        EXPECT_EQ(e.SetScale, c.SetScale) << c.Text;
        if (c.SetScale) {
            EXPECT_FLOAT_EQ(e.Scale, c.Scale) << c.Text;
        }
        EXPECT_EQ(e.Text, QString::fromLatin1(c.Shown)) << c.Text;
        if (c.Changed) {
            EXPECT_EQ(e.Caret, e.Text.size() - 1) << "the caret stands before the %";
        }
    }
}

TEST(ZoomText, WheelSequencesAndTheirEnds) {
    std::vector<QString> up, down;
    float s = 1.0f;
    int notch = 0;
    while (s > 0.2f) {
        s = WheelZoom(s, true);
        ++notch;
        up.push_back(ZoomText(s));
    }
    EXPECT_EQ(notch, 17) << "20% is reached at the 17th notch";
    EXPECT_EQ(WheelZoom(s, true), 0.2f);
    EXPECT_EQ(up[0], QStringLiteral("91%"));
    EXPECT_EQ(up[1], QStringLiteral("83%"));
    EXPECT_EQ(up[2], QStringLiteral("75%"));
    EXPECT_EQ(up[3], QStringLiteral("68%"));
    EXPECT_EQ(up.back(), QStringLiteral("20%"));

    s = 1.0f;
    notch = 0;
    while (s < 20.0f) {
        s = WheelZoom(s, false);
        ++notch;
        down.push_back(ZoomText(s));
    }
    EXPECT_EQ(notch, 32) << "2000% is reached at the 32nd notch";
    EXPECT_EQ(WheelZoom(s, false), 20.0f);
    EXPECT_EQ(down[0], QStringLiteral("110%"));
    EXPECT_EQ(down[1], QStringLiteral("121%"));
    EXPECT_EQ(down[2], QStringLiteral("133%"));
    EXPECT_EQ(down.back(), QStringLiteral("2000%"));
}

} // namespace
