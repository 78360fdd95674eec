#include "layout/TResetLogic.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(ResetLogic, OpeningShowsTheRecord) {
    TIniOption option;
    option.NewBg = 0x123456;
    option.FillColor = -2147483643; // a system colour
    TResetLogic reset(option);
    reset.Open();
    EXPECT_EQ(reset.Params.Rows(), 4);
    EXPECT_EQ(reset.Params.Cols(), 2);
    EXPECT_EQ(reset.Params.ResizeWidth(), 240);
    EXPECT_EQ(reset.Params.ResizeHeight(), 220);
    EXPECT_EQ(reset.Params.Space(), 2);
    EXPECT_EQ(reset.Params.NewBg(), 0x123456);
    EXPECT_EQ(reset.Params.FillColor(), -2147483643);
    EXPECT_EQ(reset.Params.DimensionText(), " 486 x 890 (px)");
    EXPECT_DOUBLE_EQ(reset.Params.Ratio, 240.0 / 220.0);
}

TEST(ResetLogic, CouplingOnceActive) {
    TIniOption option;
    TResetLogic reset(option);
    reset.Params.AspectRatio = true;
    reset.Open();
    // Before the dialog is active the guard holds.
    reset.Params.SetResizeWidth(300);
    EXPECT_EQ(reset.Params.ResizeHeight(), 220);
    reset.Params.SetResizeWidth(240);

    reset.Activated();
    reset.Params.SetResizeWidth(480);
    EXPECT_EQ(reset.Params.ResizeHeight(), 440);
    EXPECT_EQ(option.ResizeHeight, 440);
    EXPECT_EQ(reset.Params.DimensionText(), " 966 x 1770 (px)");
    // The ratio is the one taken at opening, not the one of the new size.
    reset.Params.SetResizeHeight(110);
    EXPECT_EQ(reset.Params.ResizeWidth(), 120);

    reset.Params.AspectRatio = false;
    reset.Params.SetResizeWidth(500);
    EXPECT_EQ(reset.Params.ResizeHeight(), 110);
    EXPECT_EQ(option.ResizeWidth, 500);

    // The next opening raises the guard again before it sets the fields, and
    // takes the ratio of the cell size now recorded.
    reset.Params.AspectRatio = true;
    option.ResizeWidth = 100;
    option.ResizeHeight = 400;
    reset.Open();
    EXPECT_EQ(reset.Params.ResizeWidth(), 100);
    EXPECT_EQ(reset.Params.ResizeHeight(), 400);
    reset.Activated();
    reset.Params.SetResizeHeight(40);
    EXPECT_EQ(reset.Params.ResizeWidth(), 10);
}

TEST(ResetLogic, RatioComesFromTheShownValues) {
    TIniOption option;
    option.ResizeHeight = 0; // from an edited settings file
    option.ResizeWidth = 100000;
    option.RowNumber = -4;
    TResetLogic reset(option);
    reset.Open();
    EXPECT_EQ(reset.Params.ResizeHeight(), 2);
    EXPECT_EQ(option.ResizeHeight, 2);
    EXPECT_EQ(option.ResizeWidth, 9999);
    EXPECT_EQ(option.RowNumber, 1);
    EXPECT_TRUE(std::isfinite(reset.Params.Ratio));
    EXPECT_DOUBLE_EQ(reset.Params.Ratio, 9999.0 / 2.0);
    reset.Activated();
    reset.Params.AspectRatio = true;
    reset.Params.SetResizeHeight(3);
    EXPECT_EQ(reset.Params.ResizeWidth(), 9999) << "held at the end of its range";
}

TEST(ResetLogic, OkRefusesACanvasThePixelStoreCannotHold) {
    TIniOption option;
    TResetLogic reset(option);
    reset.Open();
    EXPECT_EQ(reset.OkRefusal(), "");
    reset.Params.SetRows(999);
    reset.Params.SetCols(999);
    EXPECT_NE(reset.OkRefusal().find("241760 x 221780"), std::string::npos);
}

} // namespace
