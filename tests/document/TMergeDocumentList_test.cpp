#include "document/TMergeDocument.h"
#include "document/TTextLayer.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QTemporaryDir>

#include <vector>

namespace {

// A grid whose list and layers are set up by hand: picture layer i has tag i.
class PictureListDocument : public ::testing::Test {
protected:
    TBitmap32 canvas;
    TLayerCollection layers;
    TMergeDocument doc{canvas, layers};
    std::vector<TBitmapLayer*> pictures;

    void Make(int Count) {
        doc.GridMode = true;
        canvas.SetSize(100, 100);
        for (int i = 0; i < Count; ++i) {
            doc.PicFileList.push_back("p" + std::to_string(i));
            doc.ImgPicList.emplace_back(70, 50, QImage::Format_RGB32);
            doc.ImgPicList.back().fill(QColor(i, 0, 0));
            auto* layer = new TBitmapLayer(&layers);
            layer->Tag = i;
            pictures.push_back(layer);
        }
    }
    std::vector<int> Tags() const {
        std::vector<int> tags;
        for (const TBitmapLayer* l : pictures)
            tags.push_back(l->Tag);
        return tags;
    }
};

TEST_F(PictureListDocument, TagsFollowTheirPicturesThroughDeletesAndMoves) {
    Make(6);
    ASSERT_TRUE(doc.DeleteListEntry(2));
    EXPECT_EQ(doc.PicFileList, (std::vector<std::string>{"p0", "p1", "p3", "p4", "p5"}));
    EXPECT_EQ(doc.ImgPicList[2].pixelColor(0, 0).red(), 3) << "the thumbnail went with its entry";
    EXPECT_EQ(Tags(), (std::vector<int>{0, 1, -1, 2, 3, 4}));
    ASSERT_TRUE(doc.MoveListEntry(2, -1));
    EXPECT_EQ(doc.PicFileList[1], "p3");
    EXPECT_EQ(Tags(), (std::vector<int>{0, 2, -1, 1, 3, 4}));
    // Places outside either list change nothing.
    for (const auto& c : std::vector<std::pair<int, int>>{{0, -1}, {4, 1}, {-1, 1}, {9, -1}, {1, 2}})
        EXPECT_FALSE(doc.MoveListEntry(c.first, c.second)) << c.first << " " << c.second;
    EXPECT_FALSE(doc.DeleteListEntry(5));
    EXPECT_FALSE(doc.DeleteListEntry(-1));
    doc.ImgPicList.pop_back(); // the two lists out of step: the entry past either stays
    EXPECT_FALSE(doc.DeleteListEntry(4));
    EXPECT_EQ(doc.PicFileList.size(), 5u);
}

TEST_F(PictureListDocument, DeletingALayerTakesItsEntryOnlyForPictures) {
    Make(1000);
    // A text layer carries the tag 999 as picture 999 does: deleting the
    // text must not take picture 999's entry.
    auto* text = new TTextLayer(&layers);
    text->Tag = kTextLayerTag;
    doc.SelectLayer(text);
    EXPECT_FALSE(doc.DeleteSelectedLayer());
    EXPECT_EQ(doc.PicFileList.size(), 1000u);
    EXPECT_EQ(doc.PicFileList.back(), "p999");

    doc.SelectLayer(pictures[999]);
    EXPECT_TRUE(doc.DeleteSelectedLayer());
    pictures.pop_back();
    EXPECT_EQ(doc.PicFileList.size(), 999u);
    EXPECT_EQ(doc.SelectedLayer, nullptr);

    // On an empty canvas the list is never touched.
    doc.GridMode = false;
    doc.SelectLayer(pictures[0]);
    EXPECT_FALSE(doc.DeleteSelectedLayer());
    EXPECT_EQ(doc.PicFileList.size(), 999u);
}

TEST_F(PictureListDocument, ReloadTicksBringTheRebuildOnTheThird) {
    std::vector<bool> due;
    for (int i = 0; i < 7; ++i)
        due.push_back(doc.ReloadTick());
    EXPECT_EQ(due, (std::vector<bool>{false, false, true, false, false, true, false}));
}

TEST_F(PictureListDocument, AutoFitPutsTheLayerIntoTheCellUnderItsCentre) {
    TMergeLayout layout;
    layout.Grid = TGridLayout::Of(2, 2, 40, 30, 2);
    Make(1);
    TBitmapLayer* layer = pictures[0];
    layer->SetLocation(TRectF{50, 40, 70, 55}); // centre (60, 47.5): row 1, column 1
    doc.SelectLayer(layer);
    doc.AutoFitSelected(layout);
    EXPECT_EQ(layer->Location().Left, 44);
    EXPECT_EQ(layer->Location().Top, 34);
    EXPECT_EQ(layer->Location().Right, 84);
    EXPECT_EQ(layer->Location().Bottom, 64);
    // Far outside the grid: the nearest cell.
    doc.SelectLayer(nullptr);
    layer->SetLocation(TRectF{-500, -500, -400, -450});
    doc.SelectLayer(layer);
    doc.AutoFitSelected(layout);
    EXPECT_EQ(layer->Location().Left, 2);
    EXPECT_EQ(layer->Location().Top, 2);
    // On an empty canvas: the canvas, keeping the ratio, centred.
    doc.GridMode = false;
    layer->SetLocation(TRectF{0, 0, 20, 10});
    doc.AutoFitSelected(layout);
    EXPECT_EQ(layer->Location().Left, 0);
    EXPECT_EQ(layer->Location().Top, 25);
    EXPECT_EQ(layer->Location().Right, 100);
    EXPECT_EQ(layer->Location().Bottom, 75);
}

} // namespace
