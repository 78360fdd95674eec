#include "settings/TOptionLogic.h"

#include <gtest/gtest.h>

namespace {

TEST(OptionLogic, OpeningShowsTheSettingsOnTheJpegPage) {
    TIniOption option;
    option.DesktopBg = "Own.png";
    option.JpgCompress = 35;
    option.PngCompress = 4;
    option.MaxColor = 0;
    option.ShowToolbar = false;
    TOptionLogic logic;
    logic.FormatRow = 2; // what the last opening looked at
    logic.Open(option);
    EXPECT_EQ(logic.DesktopName, "Own.png");
    EXPECT_EQ(logic.JpgQuality, 35);
    EXPECT_EQ(logic.PngLevel, 4);
    EXPECT_EQ(logic.ColorDepth, 0);
    EXPECT_FALSE(logic.ShowToolbar);
    EXPECT_EQ(logic.FormatRow, 0);
    EXPECT_EQ(TOptionLogic::PageForFormat(logic.FormatRow), TOptionLogic::pgJpeg);

    // Values no list item stands for (only a record that skipped the start-up
    // corrections holds them) choose no item.
    option.PngCompress = 10;
    option.MaxColor = -1;
    logic.Open(option);
    EXPECT_EQ(logic.PngLevel, -1);
    EXPECT_EQ(logic.ColorDepth, -1);
}

TEST(OptionLogic, EachFormatRowShowsItsPage) {
    const std::pair<int, TOptionLogic::TPage> cases[] = {
        {0, TOptionLogic::pgJpeg},  {1, TOptionLogic::pgPng},    {2, TOptionLogic::pgColors},
        {3, TOptionLogic::pgEmpty}, {-1, TOptionLogic::pgEmpty}, {4, TOptionLogic::pgEmpty}};
    for (const auto& [row, page] : cases)
        EXPECT_EQ(TOptionLogic::PageForFormat(row), page) << row;
    EXPECT_EQ(TOptionLogic::FormatNames().size(), 4u);
}

TEST(OptionLogic, SaveStoresEveryControlAndKeepsTheQualityInRange) {
    struct Case {
        int Typed;
        int Stored;
    };
    const Case qualities[] = {{100, 100}, {0, 0}, {57, 57}, {150, 100}, {-1, 0}, {1000, 100}};
    for (const Case& c : qualities) {
        TIniOption option;
        TOptionLogic logic;
        logic.Open(option);
        logic.JpgQuality = c.Typed;
        logic.Save(option);
        EXPECT_EQ(option.JpgCompress, c.Stored) << c.Typed;
    }

    TIniOption option;
    option.ScrIniPath = "/pictures/";
    TOptionLogic logic;
    logic.Open(option);
    logic.DesktopName = "No such picture.bmp";
    logic.PngLevel = 0;
    logic.ColorDepth = 1; // "256 colors"
    logic.ShowToolbar = false;
    logic.Save(option);
    EXPECT_EQ(option.DesktopBg, "No such picture.bmp");
    EXPECT_EQ(option.PngCompress, 0);
    EXPECT_EQ(option.MaxColor, 1);
    EXPECT_FALSE(option.ShowToolbar);
    EXPECT_EQ(option.ScrIniPath, "/pictures/") << "settings the dialog does not show stay";

    // A list with no item chosen leaves its setting alone.
    logic.PngLevel = -1;
    logic.ColorDepth = -1;
    logic.Save(option);
    EXPECT_EQ(option.PngCompress, 0);
    EXPECT_EQ(option.MaxColor, 1);
}

} // namespace
