#include "layout/TWizardLogic.h"

#include <QDir>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

// A wizard on a settings record of its own, over pretend files: Files exist,
// Sizes are the pictures that load, and Measured counts the loads.
class WizardLogic : public ::testing::Test {
protected:
    TIniOption option;
    std::set<std::string> files;
    std::map<std::string, std::pair<int, int>> sizes;
    int measured = 0;
    TWizardLogic wizard{option, [this](const std::string& f) { return files.count(f) > 0; },
                        [this](const std::string& f, int& w, int& h) {
                            ++measured;
                            const auto it = sizes.find(f);
                            if (it == sizes.end())
                                return false;
                            w = it->second.first;
                            h = it->second.second;
                            return true;
                        }};

    // A picture file of W x H; a negative size is a file that does not load.
    std::string Picture(const std::string& name, int w = 0, int h = 0) {
        const std::string path = "/pictures/" + name;
        files.insert(path);
        if (w > 0)
            sizes[path] = {w, h};
        return path;
    }
    // The sample chosen in its dialog, with cbAspectRatio ticked or not.
    TSampleResult ChooseSample(const std::string& file, bool aspect = true) {
        wizard.Params.AspectRatio = aspect;
        return wizard.SampleDialogClosed(file);
    }
};

TEST_F(WizardLogic, FirstOpeningOffersOnlyCancel) {
    const TIniOption before = option;
    wizard.Open();
    EXPECT_EQ(wizard.Kind(), TWizardKind::None);
    EXPECT_EQ(wizard.Page(), 0);
    EXPECT_FALSE(wizard.BackEnabled());
    EXPECT_FALSE(wizard.NextEnabled());
    EXPECT_FALSE(wizard.FinishEnabled());
    EXPECT_FALSE(wizard.SizeFieldsEnabled());
    EXPECT_FALSE(wizard.SampleFieldEnabled());
    EXPECT_FALSE(wizard.GridFlag());
    EXPECT_EQ(wizard.NewWidth(), 480);
    EXPECT_EQ(wizard.NewHeight(), 640);
    EXPECT_EQ(wizard.Params.Rows(), 4);
    EXPECT_EQ(wizard.Params.ResizeTypeItem(), 0);
    EXPECT_EQ(wizard.Params.DimensionText(), " 486 x 890 (px)");
    EXPECT_FALSE(wizard.Params.AspectRatio);
    EXPECT_EQ(option.ResizeWidth, before.ResizeWidth);
    EXPECT_EQ(option.RowNumber, before.RowNumber);
}

TEST_F(WizardLogic, PagesAndButtons) {
    const std::string sample = Picture("sample.jpg", 300, 200);
    wizard.Open();

    wizard.SelectKind(TWizardKind::Empty);
    EXPECT_TRUE(wizard.SizeFieldsEnabled());
    EXPECT_TRUE(wizard.FinishEnabled());
    EXPECT_FALSE(wizard.NextEnabled());
    EXPECT_FALSE(wizard.GridFlag());

    wizard.SelectKind(TWizardKind::Grid);
    EXPECT_FALSE(wizard.SizeFieldsEnabled());
    EXPECT_TRUE(wizard.SampleFieldEnabled());
    EXPECT_FALSE(wizard.FinishEnabled());
    EXPECT_FALSE(wizard.NextEnabled()) << "no sample yet";
    EXPECT_TRUE(wizard.GridFlag());
    wizard.SetSampleText("/pictures/missing.jpg");
    EXPECT_FALSE(wizard.NextEnabled());
    wizard.SetSampleText(sample);
    EXPECT_TRUE(wizard.NextEnabled());
    EXPECT_EQ(measured, 0) << "typing a path does not measure it";

    // Next measures the typed sample once.
    wizard.Params.AspectRatio = true;
    EXPECT_EQ(wizard.Next(), TSampleResult::Measured);
    EXPECT_EQ(measured, 1);
    EXPECT_EQ(wizard.SampleWidth(), 300);
    EXPECT_EQ(wizard.Params.ResizeHeight(), 160) << "240 / 1.5";
    EXPECT_EQ(option.ScrIniPath, QDir::toNativeSeparators("/pictures/").toStdString());
    EXPECT_EQ(wizard.Page(), 1);
    EXPECT_TRUE(wizard.BackEnabled());
    EXPECT_TRUE(wizard.NextEnabled());
    EXPECT_FALSE(wizard.FinishEnabled());
    wizard.Back();
    EXPECT_EQ(wizard.Next(), TSampleResult::None) << "measured already";
    EXPECT_EQ(measured, 1);
    EXPECT_EQ(wizard.Next(), TSampleResult::None);
    EXPECT_EQ(wizard.Page(), 2);
    EXPECT_TRUE(wizard.BackEnabled());
    EXPECT_FALSE(wizard.NextEnabled());
    EXPECT_TRUE(wizard.FinishEnabled());

    // Each opening starts again on page 1 with an empty sample field; the
    // kind stays selected.
    wizard.Open();
    EXPECT_EQ(wizard.Page(), 0);
    EXPECT_EQ(wizard.SampleText(), "");
    EXPECT_EQ(wizard.Kind(), TWizardKind::Grid);
    EXPECT_FALSE(wizard.NextEnabled());
    EXPECT_EQ(wizard.SampleWidth(), 300) << "the sample's size is kept";
}

TEST_F(WizardLogic, SampleSetsTheCellSizeByItsRatio) {
    struct Case {
        int sampleW, sampleH;
        int cellW, cellH; // the cell size after choosing the sample
    } cases[] = {
        {1600, 1200, 240, 180}, // wider than high: the width stays
        {600, 800, 165, 220},   // higher than wide: the height stays
        {500, 500, 220, 220},   // a ratio of 1 keeps the height
    };
    for (const Case& c : cases) {
        TIniOption own;
        TWizardLogic w(
            own, [](const std::string&) { return true; },
            [&](const std::string&, int& wd, int& ht) {
                wd = c.sampleW;
                ht = c.sampleH;
                return true;
            });
        w.Open();
        w.Params.AspectRatio = true;
        EXPECT_EQ(w.SampleDialogClosed("/s.png"), TSampleResult::Measured);
        EXPECT_EQ(w.Params.ResizeWidth(), c.cellW) << c.sampleW << "x" << c.sampleH;
        EXPECT_EQ(w.Params.ResizeHeight(), c.cellH) << c.sampleW << "x" << c.sampleH;
        EXPECT_EQ(own.ResizeWidth, c.cellW);
        EXPECT_EQ(own.ResizeHeight, c.cellH);
        EXPECT_EQ(w.SampleText(), "/s.png");
    }
}

TEST_F(WizardLogic, CouplingInForceRoundsHalvesToEven) {
    wizard.Open();
    wizard.Params.AspectRatio = true;
    wizard.Params.SetResizeWidth(300);
    EXPECT_EQ(wizard.Params.ResizeHeight(), 220) << "no sample yet: nothing couples";

    ASSERT_EQ(ChooseSample(Picture("wide.png", 200, 100)), TSampleResult::Measured);
    EXPECT_EQ(wizard.Params.ResizeHeight(), 150);
    const struct { int width, height; } typed[] = {{245, 122}, {247, 124}, {9999, 5000}, {2, 2}};
    for (const auto& t : typed) {
        wizard.Params.SetResizeWidth(t.width);
        EXPECT_EQ(wizard.Params.ResizeHeight(), t.height) << t.width;
        EXPECT_EQ(option.ResizeHeight, t.height);
        EXPECT_EQ(option.ResizeWidth, t.width);
    }
    wizard.Params.SetResizeHeight(1000);
    EXPECT_EQ(wizard.Params.ResizeWidth(), 2000);

    // Unticking stops the coupling; the plain rules still write the record.
    wizard.Params.AspectRatio = false;
    wizard.Params.SetResizeHeight(300);
    EXPECT_EQ(wizard.Params.ResizeWidth(), 2000);
    EXPECT_EQ(wizard.Params.DimensionText(), " 4006 x 1210 (px)");
}

TEST_F(WizardLogic, ExtremeSampleCouplesWithinTheFieldRange) {
    wizard.Open();
    ASSERT_EQ(ChooseSample(Picture("needle.png", 2, 999999)), TSampleResult::Measured);
    EXPECT_EQ(wizard.Params.ResizeWidth(), 2) << "220 x 2 / 999999 is below the range";
    wizard.Params.SetResizeWidth(9999);
    EXPECT_EQ(wizard.Params.ResizeHeight(), 9999) << "about 5 x 10^9, held at the range's end";
    EXPECT_EQ(option.ResizeHeight, 9999);
}

TEST_F(WizardLogic, SampleFailures) {
    const std::string good = Picture("good.png", 400, 100);
    const std::string broken = Picture("broken.png");
    const std::string dot = Picture("dot.png", 1, 50);
    wizard.Open();
    wizard.SelectKind(TWizardKind::Grid);
    ASSERT_EQ(ChooseSample(good), TSampleResult::Measured);
    option.ScrIniPath = "elsewhere";

    // A picture that cannot be loaded: message, size and ratio kept, the field too.
    EXPECT_EQ(ChooseSample(broken), TSampleResult::LoadFailed);
    EXPECT_EQ(SampleMessage(TSampleResult::LoadFailed), "Sorry. Can not open this picture!");
    EXPECT_EQ(wizard.SampleText(), good);
    EXPECT_EQ(wizard.SampleWidth(), 400);
    EXPECT_EQ(wizard.SampleRatio(), 4.0);
    EXPECT_NE(option.ScrIniPath, "elsewhere") << "the folder has changed all the same";

    // Too small: the size is kept, the ratio is not, the file becomes the sample.
    EXPECT_EQ(ChooseSample(dot), TSampleResult::TooSmall);
    EXPECT_EQ(SampleMessage(TSampleResult::TooSmall),
              "Dimensions of sample picture is very small!");
    EXPECT_EQ(wizard.SampleWidth(), 1);
    EXPECT_EQ(wizard.SampleHeight(), 50);
    EXPECT_EQ(wizard.SampleRatio(), 4.0);
    EXPECT_EQ(wizard.SampleText(), dot);

    // A cancelled dialog measures the file named in the field; with none, nothing.
    measured = 0;
    EXPECT_EQ(wizard.SampleDialogClosed(""), TSampleResult::TooSmall);
    EXPECT_EQ(measured, 1);
    wizard.SetSampleText("");
    EXPECT_EQ(wizard.SampleDialogClosed(""), TSampleResult::None);
    EXPECT_EQ(measured, 1);
}

TEST_F(WizardLogic, OriginalDimensions) {
    wizard.Open();
    wizard.UseOriginalDimensions();
    EXPECT_EQ(wizard.Params.ResizeWidth(), 2) << "0 x 0 before any sample";
    EXPECT_EQ(wizard.Params.ResizeHeight(), 2);
    ASSERT_EQ(ChooseSample(Picture("s.png", 1600, 1200), false), TSampleResult::Measured);
    wizard.UseOriginalDimensions();
    EXPECT_EQ(option.ResizeWidth, 1600);
    EXPECT_EQ(option.ResizeHeight, 1200);
}

TEST_F(WizardLogic, OpeningShowsTheRecordWithoutCoupling) {
    // The coupling is in force from an earlier sample...
    wizard.Open();
    ASSERT_EQ(ChooseSample(Picture("s.png", 200, 100)), TSampleResult::Measured);
    ASSERT_FALSE(wizard.Params.Guard);
    // ...and the record holds values no field shows.
    option.ResizeWidth = 300;
    option.ResizeHeight = 0;
    option.RowNumber = 5000;
    option.Space = -3;
    option.NewWidth = 1;
    option.ResizeType = 7;
    wizard.Open();
    EXPECT_EQ(wizard.Params.ResizeWidth(), 300) << "not coupled to the height";
    EXPECT_EQ(wizard.Params.ResizeHeight(), 2);
    EXPECT_EQ(wizard.Params.Rows(), 999);
    EXPECT_EQ(wizard.Params.Space(), 0);
    EXPECT_EQ(wizard.NewWidth(), 2);
    EXPECT_EQ(wizard.Params.ResizeTypeItem(), -1);
    // The record keeps what the fields show; a type outside the list is kept.
    EXPECT_EQ(option.ResizeWidth, 300);
    EXPECT_EQ(option.ResizeHeight, 2);
    EXPECT_EQ(option.RowNumber, 999);
    EXPECT_EQ(option.Space, 0);
    EXPECT_EQ(option.NewWidth, 2);
    EXPECT_EQ(option.ResizeType, 7);
    EXPECT_FALSE(wizard.Params.Guard) << "the coupling is still in force";
    wizard.Params.ChooseResizeType(1);
    EXPECT_EQ(option.ResizeType, 1);

    // Opening again (and cancelling) changes nothing more.
    const TIniOption shown = option;
    wizard.Open();
    EXPECT_EQ(option.ResizeWidth, shown.ResizeWidth);
    EXPECT_EQ(option.ResizeHeight, shown.ResizeHeight);
    EXPECT_EQ(option.RowNumber, shown.RowNumber);
}

TEST_F(WizardLogic, FinishRefusesACanvasThePixelStoreCannotHold) {
    wizard.Open();
    wizard.SelectKind(TWizardKind::Empty);
    wizard.SetNewWidth(9999);
    wizard.SetNewHeight(9999);
    EXPECT_EQ(wizard.FinishRefusal(), "");

    wizard.SelectKind(TWizardKind::Grid);
    EXPECT_EQ(wizard.FinishRefusal(), "");
    wizard.Params.SetRows(999);
    wizard.Params.SetCols(999);
    wizard.Params.SetResizeWidth(9999);
    wizard.Params.SetResizeHeight(9999);
    EXPECT_NE(wizard.FinishRefusal().find("9991001 x 9991001"), std::string::npos);
}

TEST_F(WizardLogic, AddKeepsOneEntryPerExactPath) {
    const std::vector<std::string> added = {"/a/x.png", "/a/y.png", "/a/x.png", "/a/X.png"};
    std::vector<int> shown;
    wizard.AddPictures(added, [&](int i) { shown.push_back(i); });
    EXPECT_EQ(wizard.Pictures.Texts(),
              (std::vector<std::string>{"/a/x.png", "/a/y.png", "/a/X.png"}));
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(option.ScrIniPath, QDir::toNativeSeparators("/a/").toStdString());
    wizard.AddPictures({"/b/y.png", "/a/y.png"});
    EXPECT_EQ(wizard.Pictures.Count(), 4);
    EXPECT_EQ(option.ScrIniPath, QDir::toNativeSeparators("/b/").toStdString());
}

TEST_F(WizardLogic, PreviewFollowsTheSelectedCurrentEntry) {
    const std::string a = Picture("a.png", 10, 10);
    const std::string b = Picture("b.png", 10, 10);
    wizard.AddPictures({a, b, "/pictures/gone.png"});
    wizard.Pictures.SetSelection({0, 1, 2}, 1);
    EXPECT_EQ(wizard.PreviewFile(), b) << "many selected: only the current one";
    wizard.Pictures.SetSelection({0}, 1);
    EXPECT_EQ(wizard.PreviewFile(), "") << "the current entry lost its selection";
    wizard.Pictures.SetSelection({2}, 2);
    EXPECT_EQ(wizard.PreviewFile(), "") << "a file that no longer exists";
}

TEST(SampleFilter, AllFirstThenOneEntryPerType) {
    const QStringList parts = QString::fromStdString(SampleFileFilter()).split('|');
    ASSERT_EQ(parts.size(), 2 * 41);
    EXPECT_TRUE(parts[0].startsWith("All (*.png;*.png;*.psp;"));
    EXPECT_EQ(parts[0], "All (" + parts[1] + ")");
    EXPECT_EQ(parts[2], "Portable Network Graphics (*.png)");
    EXPECT_EQ(parts[3], "*.png");
    EXPECT_EQ(parts[56], "Truevision images (*.tga)");
    EXPECT_EQ(parts.back(), "*.ico");
}

} // namespace
