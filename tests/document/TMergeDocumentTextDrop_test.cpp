// Text layers and pictures dropped onto the canvas, on a document without a window.
#include "document/TMergeDocument.h"

#include "document/TTextLayer.h"
#include "document/uDropPlacement.h"
#include "settings/uIniOption.h"
#include "tests/document/TestFiles.h"
#include "tests/engine/GuiApplication.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <cmath>
#include <vector>

namespace {

class TListView : public TDocumentView {
public:
    int listChanges = 0;
    void PictureListChanged() override { ++listChanges; }
};

class TextAndDrops : public ::testing::Test {
protected:
    QTemporaryDir dir;
    TBitmap32 canvas;
    TLayerCollection layers;
    TListView view;
    TMergeDocument doc{canvas, layers, &view};
    TMergeLayout layout; // 2 columns, 4 rows, cells of 240 x 220, gap 2: 486 x 890

    void SetUp() override {
        EnsureGuiApplication();
        ASSERT_TRUE(dir.isValid());
    }

    std::string Picture(const QString& Name, int W = 30, int H = 20, QColor Color = Qt::blue) {
        QImage img(W, H, QImage::Format_ARGB32);
        img.fill(Color);
        const QString path = dir.filePath(Name);
        EXPECT_TRUE(img.save(path));
        return path.toStdString();
    }
    void Build(bool Grid) {
        doc.GridMode = Grid;
        doc.RebuildPicture(layout);
    }
    int CountOf(bool Texts) const {
        int n = 0;
        for (int i = 0; i < layers.Count(); ++i)
            n += (dynamic_cast<TTextLayer*>(layers.Items(i)) != nullptr) == Texts &&
                 dynamic_cast<TBitmapLayer*>(layers.Items(i)) != nullptr;
        return n;
    }
    // The extent of Text in Font, as the text layer measures it.
    static TSize Extent(const TFont& Font, const QString& Text) {
        TBitmap32 b;
        b.SetFont(Font);
        return b.TextExtent(Text);
    }
};

// ---- Text ----

TEST_F(TextAndDrops, TextLayerOfAbc) {
    Build(false);
    TTextLayer* layer = doc.AddTextLayer(QStringLiteral("abc"), TPoint{101, 50});
    ASSERT_NE(layer, nullptr);
    const TSize extent = Extent(doc.TextFont, QStringLiteral("abc"));
    const TBitmap32& b = layer->Bitmap();
    ASSERT_EQ(b.Width(), extent.cx + 20);
    ASSERT_EQ(b.Height(), extent.cy + 20);
    EXPECT_EQ(layer->Tag, kTextLayerTag);
    EXPECT_EQ(doc.SelectedLayer, layer);
    EXPECT_EQ(layer->Index(), layers.Count() - 2) << "directly under the frame";
    EXPECT_TRUE(layer->Scaled());
    EXPECT_FALSE(layer->HitTestAlpha()) << "the margin takes presses too";
    EXPECT_FALSE(layer->Cropped());
    EXPECT_EQ(b.DrawMode(), dmBlend);
    EXPECT_EQ(b.MasterAlpha(), 255);

    // Transparent margin of 10 on every side; red glyphs, whose edges are
    // blended onto the transparent ground.
    int glyphPixels = 0;
    int opaque = 0;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            const TColor32 p = b.Pixel(x, y);
            const bool margin = x < 10 || y < 10 || x >= b.Width() - 10 || y >= b.Height() - 10;
            if (margin) {
                ASSERT_EQ(p, 0u) << x << "," << y;
            } else if (p != 0) {
                ++glyphPixels;
                opaque += p == 0xFFFF0000u;
                ASSERT_EQ(p & 0x0000FFFFu, 0u) << "red only at " << x << "," << y;
            }
        }
    EXPECT_GT(glyphPixels, 50);
    EXPECT_GT(opaque, 20) << "the glyphs' insides are opaque red";

    // About the centre on whole pixels, whatever the parity of the size.
    const TRectF& r = layer->Location();
    EXPECT_EQ(r.Left, std::nearbyint(101 - b.Width() / 2.0f));
    EXPECT_EQ(r.Top, std::nearbyint(50 - b.Height() / 2.0f));
    EXPECT_EQ(r.Right - r.Left, float(b.Width()));
    EXPECT_EQ(r.Bottom - r.Top, float(b.Height()));
    // The picture now differs from any save; taken back, it is the one built.
    EXPECT_FALSE(doc.Saved);
}

TEST_F(TextAndDrops, BlanksGiveATransparentLayer) {
    Build(false);
    TTextLayer* layer = doc.AddTextLayer(QStringLiteral("   "), TPoint{0, 0});
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->Bitmap().Width(), Extent(doc.TextFont, QStringLiteral("   ")).cx + 20);
    EXPECT_GT(layer->Bitmap().Width(), 20);
    for (int y = 0; y < layer->Bitmap().Height(); ++y)
        for (int x = 0; x < layer->Bitmap().Width(); ++x)
            ASSERT_EQ(layer->Bitmap().Pixel(x, y), 0u);
    EXPECT_EQ(doc.SelectedLayer, layer);
}

TEST_F(TextAndDrops, TextsStackAboveEveryPictureAndAChangedFontOnlyTouchesLaterTexts) {
    Build(false);
    doc.CurrentPicFile = Picture(QStringLiteral("a.png"));
    ASSERT_TRUE(doc.DropPicture(TPoint{5, 5}));
    TTextLayer* first = doc.AddTextLayer(QStringLiteral("one"), TPoint{100, 100});
    TBitmap32 firstPixels;
    firstPixels.Assign(first->Bitmap());
    doc.TextFont.Color = 0xFF0000; // blue
    doc.TextFont.Size = 12;
    doc.TextFont.Style = fsBold;
    TTextLayer* second = doc.AddTextLayer(QStringLiteral("one"), TPoint{100, 100});
    ASSERT_EQ(layers.Count(), 4);
    EXPECT_EQ(first->Index(), 1);
    EXPECT_EQ(second->Index(), 2);
    EXPECT_EQ(layers.Items(3), doc.RubberBand);
    EXPECT_LT(second->Bitmap().Height(), first->Bitmap().Height());
    bool blue = false;
    for (int y = 0; y < second->Bitmap().Height() && !blue; ++y)
        for (int x = 0; x < second->Bitmap().Width() && !blue; ++x)
            blue = second->Bitmap().Pixel(x, y) == 0xFF0000FFu;
    EXPECT_TRUE(blue) << "fully covered pixels are opaque blue";
    ASSERT_EQ(first->Bitmap().Width(), firstPixels.Width());
    for (int y = 0; y < firstPixels.Height(); ++y)
        for (int x = 0; x < firstPixels.Width(); ++x)
            ASSERT_EQ(first->Bitmap().Pixel(x, y), firstPixels.Pixel(x, y));
}

TEST_F(TextAndDrops, TooLargeATextAddsNothing) {
    Build(false);
    doc.CurrentPicFile = Picture(QStringLiteral("a.png"));
    ASSERT_TRUE(doc.DropPicture(TPoint{5, 5}));
    TCustomLayer* selected = doc.SelectedLayer;
    const int count = layers.Count();
    doc.TextFont.Size = 2000;
    EXPECT_THROW(
        {
            try {
                doc.AddTextLayer(QString(2000, QLatin1Char('W')), TPoint{0, 0});
            } catch (const std::runtime_error& e) {
                EXPECT_STREQ(e.what(), "Can't allocate the DIB handle");
                throw;
            }
        },
        std::runtime_error);
    EXPECT_EQ(layers.Count(), count);
    EXPECT_EQ(doc.SelectedLayer, selected);
}

TEST_F(TextAndDrops, ARebuildRemovesTheTexts) {
    Build(true);
    doc.AddTextLayer(QStringLiteral("abc"), TPoint{10, 10});
    doc.AddTextLayer(QStringLiteral("def"), TPoint{10, 10});
    EXPECT_EQ(CountOf(true), 2);
    Build(true);
    EXPECT_EQ(CountOf(true), 0);
    EXPECT_EQ(doc.SelectedLayer, nullptr);
}

TEST_F(TextAndDrops, DeletingATextLeavesTheList) {
    Build(true);
    doc.CurrentPicFile = Picture(QStringLiteral("a.png"));
    ASSERT_TRUE(doc.DropPicture(TPoint{5, 5}));
    doc.AddTextLayer(QStringLiteral("abc"), TPoint{10, 10});
    EXPECT_FALSE(doc.DeleteSelectedLayer());
    EXPECT_EQ(doc.PicFileList.size(), 1u);
    EXPECT_EQ(CountOf(false), 1);
}

// ---- Drops ----

TEST_F(TextAndDrops, GridDropAppendsEntryThumbnailAndLayerInTheCell) {
    Build(true);
    const std::string file = Picture(QStringLiteral("p.png"), 60, 30);
    doc.CurrentPicFile = file;
    ASSERT_TRUE(doc.DropPicture(TPoint{131, 309}));
    EXPECT_EQ(doc.DropPoint, (TPoint{2, 224}));
    ASSERT_EQ(doc.PicFileList, std::vector<std::string>{file});
    ASSERT_EQ(doc.ImgPicList.size(), 1u);
    EXPECT_EQ(doc.ImgPicList[0].size(), QSize(70, 50));
    auto* layer = dynamic_cast<TBitmapLayer*>(doc.SelectedLayer);
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->Tag, 0);
    EXPECT_EQ(layer->Location().Left, 2);
    EXPECT_EQ(layer->Location().Top, 224);
    EXPECT_EQ(layer->Bitmap().Width(), 240) << "fitted into the cell";
    EXPECT_EQ(layer->Bitmap().Height(), 220);
    EXPECT_EQ(view.listChanges, 1);

    // The same picture once more: a second entry, its layer tagged 1; deleting
    // that layer takes its entry away again.
    ASSERT_TRUE(doc.DropPicture(TPoint{300, 10}));
    EXPECT_EQ(doc.PicFileList, (std::vector<std::string>{file, file}));
    ASSERT_EQ(doc.ImgPicList.size(), 2u);
    EXPECT_EQ(doc.SelectedLayer->Tag, 1);
    EXPECT_TRUE(doc.DeleteSelectedLayer());
    EXPECT_EQ(doc.PicFileList.size(), 1u);
    EXPECT_EQ(doc.ImgPicList.size(), 1u);
}

TEST_F(TextAndDrops, EmptyCanvasDropKeepsTheOwnSizeAndTransparency) {
    Build(false);
    doc.CurrentPicFile = Picture(QStringLiteral("t.png"), 30, 20, QColor(255, 0, 0, 128));
    ASSERT_TRUE(doc.DropPicture(TPoint{-7, 400}));
    auto* layer = dynamic_cast<TBitmapLayer*>(doc.SelectedLayer);
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->Location().Left, -7) << "partly off the canvas";
    EXPECT_EQ(layer->Location().Top, 400);
    EXPECT_EQ(layer->Bitmap().Width(), 30);
    EXPECT_EQ(layer->Bitmap().Pixel(0, 0) >> 24, 128u);
    EXPECT_TRUE(doc.PicFileList.empty()) << "an empty canvas keeps no list";
    EXPECT_TRUE(doc.ImgPicList.empty());
}

TEST_F(TextAndDrops, AFailedDropAddsNothing) {
    Build(true);
    doc.CurrentPicFile = Picture(QStringLiteral("kept.png"));
    ASSERT_TRUE(doc.DropPicture(TPoint{5, 5}));
    const std::string bad = dir.filePath(QStringLiteral("bad.png")).toStdString();
    WriteFile(QString::fromStdString(bad), "not a picture");
    const std::string gone = Picture(QStringLiteral("gone.png"));
    QFile::remove(QString::fromStdString(gone));
    for (const std::string& file : {bad, gone, std::string()}) {
        doc.CurrentPicFile = file;
        EXPECT_FALSE(doc.DropPicture(TPoint{5, 5})) << file;
        EXPECT_EQ(doc.PicFileList.size(), 1u) << file;
        EXPECT_EQ(doc.ImgPicList.size(), 1u) << file;
        EXPECT_EQ(CountOf(false), 1) << file;
    }
    // No canvas, no drop.
    TBitmap32 noCanvas;
    TLayerCollection noLayers;
    TMergeDocument fresh(noCanvas, noLayers);
    fresh.CurrentPicFile = doc.PicFileList[0];
    EXPECT_FALSE(fresh.DropPicture(TPoint{0, 0}));
    EXPECT_EQ(noLayers.Count(), 0);
}

TEST_F(TextAndDrops, SeveralFilesInTheirOrder) {
    const std::vector<std::string> files = {Picture(QStringLiteral("c.png")),
                                            Picture(QStringLiteral("a.png")),
                                            Picture(QStringLiteral("b.png"))};
    Build(false);
    EXPECT_EQ(doc.DropPictures(files, TPoint{50, 60}), 3);
    EXPECT_EQ(doc.CurrentPicFile, files[2]);
    ASSERT_EQ(layers.Count(), 4);
    for (int i = 0; i < 3; ++i) {
        const auto* l = static_cast<TPositionedLayer*>(layers.Items(i));
        EXPECT_EQ(l->Location().Left, 50 + i * kDropFanStep) << "fanned out";
        EXPECT_EQ(l->Location().Top, 60 + i * kDropFanStep);
    }

    Build(true);
    EXPECT_EQ(doc.DropPictures(files, TPoint{300, 300}), 3);
    EXPECT_EQ(doc.PicFileList, files);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(layers.Items(i)->Tag, i);
}

TEST_F(TextAndDrops, DropsFitByTheLayoutTheCanvasWasBuiltFrom) {
    layout.Grid = TGridLayout::Of(2, 2, 100, 80, 4);
    Build(true);
    EXPECT_EQ(doc.BuiltLayout().Grid.ResizeWidth, 100);
    doc.CurrentPicFile = Picture(QStringLiteral("p.png"));
    ASSERT_TRUE(doc.DropPicture(TPoint{150, 150}));
    const auto* layer = static_cast<TBitmapLayer*>(doc.SelectedLayer);
    EXPECT_EQ(layer->Bitmap().Width(), 100);
    EXPECT_EQ(layer->Bitmap().Height(), 80);
    EXPECT_EQ(layer->Location().Left, 108);
    EXPECT_EQ(layer->Location().Top, 88);
}

TEST_F(TextAndDrops, FileNamesStayUnicode) {
    Build(true);
    const std::string file = Picture(QStringLiteral("Ørkén ß 写真.png"));
    doc.CurrentPicFile = file;
    ASSERT_TRUE(doc.DropPicture(TPoint{5, 5}));
    EXPECT_EQ(QString::fromStdString(doc.PicFileList[0]),
              dir.filePath(QStringLiteral("Ørkén ß 写真.png")));
}

} // namespace
