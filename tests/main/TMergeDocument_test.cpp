#include "main/TMergeDocument.h"

#include "layout/uGridGeometry.h"
#include "settings/uIniOption.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <vector>

namespace {

// Records what the document asks of its window.
class TRecordingView : public TDocumentView {
public:
    int canvasPageShown = 0;
    int zoomReapplied = 0;
    std::vector<float> scales;
    std::vector<bool> scaleControls;
    std::string dimension;
    bool layerControls = false;
    int opacity = -1;
    int busyDepth = 0;
    int busyCalls = 0;

    void ShowCanvasPage() override { ++canvasPageShown; }
    void SetViewScale(float Scale) override { scales.push_back(Scale); }
    void ReapplyZoom() override { ++zoomReapplied; }
    void SetScaleControlsEnabled(bool Enabled) override { scaleControls.push_back(Enabled); }
    void ShowDimension(const std::string& Text) override { dimension = Text; }
    void SetLayerControls(bool Enabled, int Opacity) override {
        layerControls = Enabled;
        opacity = Opacity;
    }
    void SetBusy(bool Busy) override {
        busyDepth += Busy ? 1 : -1;
        ++busyCalls;
    }
};

class Document : public ::testing::Test {
protected:
    QTemporaryDir dir;
    TBitmap32 canvas;
    TLayerCollection layers;
    TRecordingView view;
    TMergeDocument doc{canvas, layers, &view};
    TIniOption saved = IniOption;

    void SetUp() override { IniOption = TIniOption(); }
    void TearDown() override { IniOption = saved; }

    // A picture file of one colour; its name says which.
    std::string Picture(int index, int w = 24, int h = 22, const char* format = "PNG") {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(QColor(10 * index, 100, 200));
        const QString name = dir.filePath(
            QStringLiteral("pic%1.%2").arg(index).arg(QString::fromLatin1(format).toLower()));
        EXPECT_TRUE(img.save(name, format));
        return name.toStdString();
    }
    std::vector<std::string> Pictures(int n) {
        std::vector<std::string> files;
        for (int i = 0; i < n; ++i)
            files.push_back(Picture(i));
        return files;
    }

    std::vector<TBitmapLayer*> PictureLayers() {
        std::vector<TBitmapLayer*> out;
        for (int i = 0; i < layers.Count(); ++i)
            if (auto* l = dynamic_cast<TBitmapLayer*>(layers.Items(i)))
                out.push_back(l);
        return out;
    }
};

void ExpectLocation(const TPositionedLayer* l, float x1, float y1, float x2, float y2) {
    EXPECT_EQ(l->Location().Left, x1);
    EXPECT_EQ(l->Location().Top, y1);
    EXPECT_EQ(l->Location().Right, x2);
    EXPECT_EQ(l->Location().Bottom, y2);
}

TEST_F(Document, DefaultGridWithEightPictures) {
    doc.GridMode = true;
    doc.PicFileList = Pictures(8);
    doc.RebuildPicture();

    EXPECT_EQ(canvas.Width(), 486);
    EXPECT_EQ(canvas.Height(), 890);
    EXPECT_EQ(view.dimension, "Dimension(px): 486 x 890");
    EXPECT_EQ(view.canvasPageShown, 1);
    EXPECT_EQ(view.scales, std::vector<float>{1.0f});
    EXPECT_EQ(view.scaleControls, std::vector<bool>{true});
    EXPECT_EQ(view.zoomReapplied, 1);
    EXPECT_EQ(view.busyDepth, 0);

    const auto pics = PictureLayers();
    ASSERT_EQ(pics.size(), 8u);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(pics[i]->Tag, i);
        EXPECT_EQ(pics[i]->Index(), i);
        EXPECT_TRUE(pics[i]->Scaled());
        EXPECT_TRUE(pics[i]->HitTestAlpha());
        EXPECT_FALSE(pics[i]->Cropped());
        EXPECT_EQ(pics[i]->Bitmap().DrawMode(), dmBlend);
        EXPECT_EQ(pics[i]->Bitmap().MasterAlpha(), 255);
        EXPECT_EQ(pics[i]->Bitmap().Width(), 240);
        EXPECT_EQ(pics[i]->Bitmap().Height(), 220);
    }
    ExpectLocation(pics[5], 244, 446, 484, 666);
    ExpectLocation(pics[7], 244, 668, 484, 888);

    // The last picture is selected, with the frame on top of the stack.
    EXPECT_EQ(doc.SelectedLayer, pics[7]);
    ASSERT_NE(doc.RubberBand, nullptr);
    EXPECT_EQ(doc.RubberBand->Index(), layers.Count() - 1);
    EXPECT_EQ(doc.RubberBand->FramedLayer(), pics[7]);
    EXPECT_EQ(doc.RubberBand->Options(), LayerVisible | LayerMouseEvents);
    EXPECT_TRUE(doc.RubberBand->Resizable());
    EXPECT_EQ(doc.RubberBand->MinWidth, 1.0f);
    EXPECT_TRUE(view.layerControls);
    EXPECT_EQ(view.opacity, 255);

    // Rows 888, 889 and columns 484, 485 are spacing: background only.
    for (int y : {888, 889})
        EXPECT_EQ(canvas.Pixel(100, y), 0xFFFFFFFFu);
    for (int x : {484, 485})
        EXPECT_EQ(canvas.Pixel(x, 100), 0xFFFFFFFFu);
}

TEST_F(Document, FewerAndMorePicturesThanCells) {
    doc.GridMode = true;
    doc.PicFileList = Pictures(3);
    doc.RebuildPicture();
    auto pics = PictureLayers();
    ASSERT_EQ(pics.size(), 3u);
    ExpectLocation(pics[2], 2, 224, 242, 444);
    // Empty cells show their dotted guide: cell 3 starts at (244, 224); its
    // outline runs over x 244..483 and y 224..443.
    int guide = 0, white = 0;
    for (int x = 244; x < 484; ++x) {
        const TColor32 top = canvas.Pixel(x, 224);
        guide += top == 0xFFEEEEEEu;
        white += top == 0xFFFFFFFFu;
    }
    EXPECT_GT(guide, 60);
    EXPECT_EQ(guide + white, 240);
    EXPECT_EQ(canvas.Pixel(243, 300), 0xFFFFFFFFu) << "the guide stays inside its cell";
    EXPECT_EQ(canvas.Pixel(300, 300), 0xFFFFFFFFu) << "the inside of an empty cell is bare";

    doc.PicFileList = Pictures(10);
    doc.RebuildPicture();
    pics = PictureLayers();
    ASSERT_EQ(pics.size(), 8u);
    EXPECT_EQ(pics.back()->Tag, 7);
    EXPECT_EQ(doc.PicFileList.size(), 10u) << "pictures without a cell stay in the list";
}

TEST_F(Document, UnreadablePictureLeavesItsCellEmpty) {
    doc.GridMode = true;
    doc.PicFileList = Pictures(4);
    doc.PicFileList[1] = dir.filePath("missing.png").toStdString();
    QFile broken(dir.filePath("broken.jpg"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a picture");
    broken.close();
    doc.PicFileList[2] = broken.fileName().toStdString();
    doc.RebuildPicture();
    const auto pics = PictureLayers();
    ASSERT_EQ(pics.size(), 2u);
    EXPECT_EQ(pics[0]->Tag, 0);
    EXPECT_EQ(pics[1]->Tag, 3);
    ExpectLocation(pics[1], 244, 224, 484, 444);
}

TEST_F(Document, SpacingZeroAndOtherLayouts) {
    IniOption.Space = 0;
    IniOption.RowNumber = 2;
    IniOption.ColNumber = 3;
    IniOption.ResizeWidth = 30;
    IniOption.ResizeHeight = 20;
    IniOption.ResizeType = 1;
    IniOption.FillColor = 0x0000FF; // red
    doc.GridMode = true;
    doc.PicFileList = {Picture(1, 60, 20)}; // wider than the cell: fill above and below
    doc.RebuildPicture();
    EXPECT_EQ(canvas.Width(), 90);
    EXPECT_EQ(canvas.Height(), 40);
    const auto pics = PictureLayers();
    ASSERT_EQ(pics.size(), 1u);
    ExpectLocation(pics[0], 0, 0, 30, 20);
    EXPECT_EQ(pics[0]->Bitmap().Pixel(15, 0), 0xFFFF0000u);
    EXPECT_EQ(pics[0]->Bitmap().Pixel(15, 10), 0xFF0A64C8u);
}

TEST_F(Document, EmptyModeAndBackgrounds) {
    doc.RebuildPicture();
    EXPECT_EQ(canvas.Width(), 480);
    EXPECT_EQ(canvas.Height(), 640);
    EXPECT_EQ(layers.Count(), 0);
    EXPECT_EQ(canvas.Pixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(canvas.Pixel(479, 639), 0xFFFFFFFFu);

    IniOption.NewBg = static_cast<TColor>(0xFF00000F);
    doc.RebuildPicture();
    EXPECT_EQ(canvas.Pixel(5, 5), ColorToColor32(static_cast<TColor>(0xFF00000F)));
    EXPECT_EQ(canvas.Pixel(5, 5) >> 24, 0xFFu);
}

TEST_F(Document, EmptyModeKeepsPngTransparencyAndDropsLayersOnRebuild) {
    doc.RebuildPicture();
    QImage img(4, 3, QImage::Format_ARGB32);
    img.fill(QColor(0, 0, 255, 64));
    const QString name = dir.filePath("alpha.png");
    ASSERT_TRUE(img.save(name, "PNG"));
    doc.AddPictureLayer(name.toStdString(), TPoint{10, 20}, 0, 0, 999, 0);
    auto pics = PictureLayers();
    ASSERT_EQ(pics.size(), 1u);
    ExpectLocation(pics[0], 10, 20, 14, 23);
    EXPECT_EQ(pics[0]->Bitmap().Pixel(0, 0), 0x400000FFu);
    EXPECT_EQ(pics[0]->Tag, 999);

    doc.RebuildPicture();
    EXPECT_EQ(layers.Count(), 0);
    EXPECT_EQ(doc.SelectedLayer, nullptr);
    EXPECT_EQ(doc.RubberBand, nullptr);
}

TEST_F(Document, SelectingTheSameLayerOrNone) {
    doc.GridMode = true;
    doc.PicFileList = Pictures(2);
    doc.RebuildPicture();
    const auto pics = PictureLayers();
    TRubberbandLayer* frame = doc.RubberBand;
    ASSERT_NE(frame, nullptr);

    doc.SelectLayer(pics[0]);
    EXPECT_EQ(doc.RubberBand, frame) << "one frame, made once";
    EXPECT_EQ(frame->FramedLayer(), pics[0]);
    EXPECT_EQ(frame->Index(), layers.Count() - 1);

    view.layerControls = false;
    doc.SelectLayer(pics[0]); // already selected: nothing happens
    EXPECT_FALSE(view.layerControls);

    doc.SelectLayer(nullptr);
    EXPECT_EQ(doc.SelectedLayer, nullptr);
    EXPECT_EQ(frame->FramedLayer(), nullptr);
    EXPECT_EQ(frame->Options(), 0u) << "hidden and deaf to the mouse";
    EXPECT_FALSE(view.layerControls);
}

TEST_F(Document, CanvasTooLargeFailsCleanly) {
    IniOption.RowNumber = IniOption.ColNumber = 999;
    IniOption.ResizeWidth = IniOption.ResizeHeight = 9999;
    IniOption.Space = 999;
    doc.GridMode = true;
    EXPECT_THROW(doc.RebuildPicture(), std::exception);
    EXPECT_TRUE(canvas.IsEmpty());
    EXPECT_EQ(view.busyDepth, 0) << "the wait cursor never outlives the rebuild";
}

TEST(DocumentText, DimensionStatus) {
    EXPECT_EQ(TMergeDocument::DimensionStatusText(486, 890), "Dimension(px): 486 x 890");
}

} // namespace

namespace {

TEST_F(Document, ParallelAndSequentialRebuildsGiveTheSameLayers) {
    IniOption.ResizeType = 1;
    IniOption.RowNumber = 3;
    IniOption.ColNumber = 4;
    doc.GridMode = true;
    for (int i = 0; i < 12; ++i)
        doc.PicFileList.push_back(i == 6 ? "missing.png" : Picture(i, 30 + 11 * i, 80 - 5 * i));

    auto snapshot = [&] {
        std::vector<std::pair<int, std::vector<TColor32>>> out;
        for (TBitmapLayer* l : PictureLayers())
            out.emplace_back(
                l->Tag, std::vector<TColor32>(l->Bitmap().Bits(), l->Bitmap().Bits() + 240 * 220));
        return out;
    };
    // One picture after the other, on this thread, as a drop adds them.
    doc.RebuildPicture();
    doc.SetCanvas(canvas.Width(), canvas.Height(), 0xFFFFFFFFu);
    for (int i = 0; i < 12; ++i) {
        const TGridPoint p = CellOrigin(TGridLayout::FromOption(IniOption), i / 4, i % 4);
        doc.AddPictureLayer(doc.PicFileList[i], TPoint{p.X, p.Y}, 240, 220, i, IniOption.FillColor);
    }
    const auto sequential = snapshot();
    doc.LoadThreads = 3;
    doc.RebuildPicture();
    const auto parallel = snapshot();
    ASSERT_EQ(sequential.size(), 11u);
    EXPECT_EQ(parallel, sequential);
    EXPECT_EQ(parallel[6].first, 7) << "the missing picture's cell stays empty";
}

} // namespace
