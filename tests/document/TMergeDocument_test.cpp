#include "document/TMergeDocument.h"

#include "layout/uGridGeometry.h"
#include "settings/uIniOption.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>
#include <stdexcept>
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
    int busyDeepest = 0;
    // Runs at each step of a rebuild, as the window's events do.
    std::function<void()> onProgress;

    void ShowCanvasPage() override { ++canvasPageShown; }
    void SetViewScale(float Scale) override { scales.push_back(Scale); }
    void ReapplyZoom() override { ++zoomReapplied; }
    void SetScaleControlsEnabled(bool Enabled) override { scaleControls.push_back(Enabled); }
    void ShowDimension(const std::string& Text) override { dimension = Text; }
    void SetLayerControls(bool Enabled, int Opacity, bool) override {
        layerControls = Enabled;
        opacity = Opacity;
    }
    void SetBusy(bool Busy) override {
        busyDepth += Busy ? 1 : -1;
        busyDeepest = std::max(busyDeepest, busyDepth);
        ++busyCalls;
    }
    void Progress(int, int) override {
        if (onProgress)
            onProgress();
    }
};

class Document : public ::testing::Test {
protected:
    QTemporaryDir dir;
    TBitmap32 canvas;
    TLayerCollection layers;
    TRecordingView view;
    TMergeDocument doc{canvas, layers, &view};
    // The layout a rebuild is handed, as the window hands over its settings.
    TIniOption option;

    void Rebuild() { doc.RebuildPicture(TMergeLayout::FromOption(option)); }

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
    Rebuild();

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
    Rebuild();
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
    Rebuild();
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
    Rebuild();
    const auto pics = PictureLayers();
    ASSERT_EQ(pics.size(), 2u);
    EXPECT_EQ(pics[0]->Tag, 0);
    EXPECT_EQ(pics[1]->Tag, 3);
    ExpectLocation(pics[1], 244, 224, 484, 444);
}

TEST_F(Document, SpacingZeroAndOtherLayouts) {
    option.Space = 0;
    option.RowNumber = 2;
    option.ColNumber = 3;
    option.ResizeWidth = 30;
    option.ResizeHeight = 20;
    option.ResizeType = 1;
    option.FillColor = 0x0000FF; // red
    doc.GridMode = true;
    doc.PicFileList = {Picture(1, 60, 20)}; // wider than the cell: fill above and below
    Rebuild();
    EXPECT_EQ(canvas.Width(), 90);
    EXPECT_EQ(canvas.Height(), 40);
    const auto pics = PictureLayers();
    ASSERT_EQ(pics.size(), 1u);
    ExpectLocation(pics[0], 0, 0, 30, 20);
    EXPECT_EQ(pics[0]->Bitmap().Pixel(15, 0), 0xFFFF0000u);
    EXPECT_EQ(pics[0]->Bitmap().Pixel(15, 10), 0xFF0A64C8u);
}

TEST_F(Document, EmptyModeAndBackgrounds) {
    Rebuild();
    EXPECT_EQ(canvas.Width(), 480);
    EXPECT_EQ(canvas.Height(), 640);
    EXPECT_EQ(layers.Count(), 0);
    EXPECT_EQ(canvas.Pixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(canvas.Pixel(479, 639), 0xFFFFFFFFu);

    option.NewBg = static_cast<TColor>(0xFF00000F);
    Rebuild();
    EXPECT_EQ(canvas.Pixel(5, 5), ColorToColor32(static_cast<TColor>(0xFF00000F)));
    EXPECT_EQ(canvas.Pixel(5, 5) >> 24, 0xFFu);
}

TEST_F(Document, EmptyModeKeepsPngTransparencyAndDropsLayersOnRebuild) {
    Rebuild();
    QImage img(4, 3, QImage::Format_ARGB32);
    img.fill(QColor(0, 0, 255, 64));
    const QString name = dir.filePath("alpha.png");
    ASSERT_TRUE(img.save(name, "PNG"));
    doc.AddPictureLayer(name.toStdString(), TPoint{10, 20}, 0, 0, 999, 0, 0);
    auto pics = PictureLayers();
    ASSERT_EQ(pics.size(), 1u);
    ExpectLocation(pics[0], 10, 20, 14, 23);
    EXPECT_EQ(pics[0]->Bitmap().Pixel(0, 0), 0x400000FFu);
    EXPECT_EQ(pics[0]->Tag, 999);

    Rebuild();
    EXPECT_EQ(layers.Count(), 0);
    EXPECT_EQ(doc.SelectedLayer, nullptr);
    EXPECT_EQ(doc.RubberBand, nullptr);
}

TEST_F(Document, SelectingTheSameLayerOrNone) {
    doc.GridMode = true;
    doc.PicFileList = Pictures(2);
    Rebuild();
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

TEST_F(Document, ChangesAskedForDuringARebuildWaitForItsEnd) {
    doc.GridMode = true;
    doc.PicFileList = Pictures(3);
    const std::string extra = Picture(7);
    // What a timer tick or a drop does while the rebuild lets events through:
    // a second rebuild and one more layer, asked for once.
    int asked = 0;
    int layersWhenAdded = -1;
    view.onProgress = [&] {
        if (asked++ > 0)
            return;
        Rebuild();
        doc.WhenIdle([&] {
            layersWhenAdded = int(PictureLayers().size());
            doc.AddPictureLayer(extra, TPoint{0, 0}, 240, 220, 999, 0, 0);
        });
        EXPECT_TRUE(doc.Busy());
    };
    Rebuild();
    EXPECT_FALSE(doc.Busy());
    EXPECT_EQ(view.zoomReapplied, 2) << "the postponed rebuild ran, after the first one";
    EXPECT_EQ(layersWhenAdded, 3) << "the layer came after the second rebuild";
    const auto pics = PictureLayers();
    ASSERT_EQ(pics.size(), 4u) << "no layer twice";
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(pics[i]->Tag, i);
    EXPECT_EQ(pics[3]->Tag, 999);
    EXPECT_EQ(view.busyDeepest, 1) << "one rebuild at a time";
    EXPECT_EQ(view.busyDepth, 0);

    // A rebuild that fails still lets the waiting changes run, once.
    int ran = 0;
    view.onProgress = [&] {
        doc.WhenIdle([&] { ++ran; });
        throw std::runtime_error("no more memory");
    };
    EXPECT_THROW(Rebuild(), std::runtime_error);
    EXPECT_EQ(ran, 1);
    EXPECT_FALSE(doc.Busy());
    EXPECT_EQ(view.busyDepth, 0);
    view.onProgress = nullptr;
    doc.WhenIdle([&] { ++ran; });
    EXPECT_EQ(ran, 2) << "nothing waits outside a rebuild";
}

TEST_F(Document, GuidesAreDrawnOnlyWhereCellsMeetTheCanvas) {
    // Every cell drawn one by one, as the reference.
    const auto drawAll = [](TBitmap32& c, int cols, int rows, int w, int h, int space) {
        TCanvas& pen = c.Canvas();
        pen.Pen.Style = psDot;
        pen.Pen.Width = 1;
        pen.Pen.Color = TMergeDocument::kGuideColor;
        pen.Brush.Style = bsClear;
        for (int r = 0; r < rows; ++r)
            for (int col = 0; col < cols; ++col) {
                const TGridPoint p = CellOrigin(TGridLayout::Of(rows, cols, w, h, space), r, col);
                pen.Rectangle(p.X, p.Y, p.X + w, p.Y + h);
            }
    };
    const struct {
        int Cols, Rows, W, H, Space;
    } cases[] = {
        {3, 2, 30, 20, 2}, {40, 40, 7, 5, 1},   {5, 5, 30, 20, -2}, // more cells than fit
        {4, 4, 30, 20, -30}, {4, 4, 30, 20, -45}, {6, 6, 9, 9, -4},  // gaps of edited files
        {3, 3, 2, 0, 0},   {2, 2, 200, 200, 5},                     // flat cells; one bigger than the canvas
    };
    for (const auto& c : cases) {
        TBitmap32 expected, actual;
        for (TBitmap32* b : {&expected, &actual}) {
            b->SetSize(100, 70);
            b->Clear(0xFFFFFFFFu);
        }
        drawAll(expected, c.Cols, c.Rows, c.W, c.H, c.Space);
        TMergeDocument::DrawCellGuides(actual, c.Cols, c.Rows, c.W, c.H, c.Space,
                                       TMergeDocument::kGuideColor);
        for (int y = 0; y < 70; ++y)
            for (int x = 0; x < 100; ++x)
                ASSERT_EQ(actual.Pixel(x, y), expected.Pixel(x, y))
                    << x << "," << y << " in " << c.Cols << "x" << c.Rows << " of " << c.W << "x"
                    << c.H << " gap " << c.Space;
    }

    // Two thousand million rows and columns: drawing costs only the cells
    // that meet the canvas, and no origin overflows.
    TBitmap32 small;
    small.SetSize(50, 40);
    small.Clear(0xFFFFFFFFu);
    TMergeDocument::DrawCellGuides(small, 2000000000, 2000000000, 30, 0, 0, 0x000000);
    TMergeDocument::DrawCellGuides(small, 2000000000, 2000000000, 30, 20, 2, 0x000000);
    EXPECT_EQ(small.Pixel(2, 2), 0xFF000000u);
    TBitmap32 none;
    TMergeDocument::DrawCellGuides(none, 2000000000, 2000000000, 2147483647, 2147483647,
                                   2147483647, 0x000000);
    EXPECT_TRUE(none.IsEmpty());
}

TEST_F(Document, HugeCountsOnAnEmptyCanvasEndAtOnce) {
    // A cell height and gap of 0 leave the canvas without rows; the rebuild
    // ends without walking the cells.
    option.RowNumber = option.ColNumber = 2000000000;
    option.ResizeWidth = 30;
    option.ResizeHeight = 0;
    option.Space = 0;
    doc.GridMode = true;
    doc.PicFileList = Pictures(2);
    try {
        Rebuild();
    } catch (const std::exception&) {
        // A canvas too large to hold is a fine answer too; a hang is not.
    }
    EXPECT_EQ(view.busyDepth, 0);
}

TEST_F(Document, CanvasTooLargeFailsCleanly) {
    option.RowNumber = option.ColNumber = 999;
    option.ResizeWidth = option.ResizeHeight = 9999;
    option.Space = 999;
    doc.GridMode = true;
    EXPECT_THROW(Rebuild(), std::exception);
    EXPECT_TRUE(canvas.IsEmpty());
    EXPECT_EQ(view.busyDepth, 0) << "the wait cursor never outlives the rebuild";
}

TEST(DocumentText, DimensionStatus) {
    EXPECT_EQ(TMergeDocument::DimensionStatusText(486, 890), "Dimension(px): 486 x 890");
}

} // namespace

namespace {

TEST_F(Document, ParallelAndSequentialRebuildsGiveTheSameLayers) {
    option.ResizeType = 1;
    option.RowNumber = 3;
    option.ColNumber = 4;
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
    Rebuild();
    doc.SetCanvas(canvas.Width(), canvas.Height(), 0xFFFFFFFFu);
    for (int i = 0; i < 12; ++i) {
        const TGridPoint p = CellOrigin(TGridLayout::FromOption(option), i / 4, i % 4);
        doc.AddPictureLayer(doc.PicFileList[i], TPoint{p.X, p.Y}, 240, 220, i, option.ResizeType,
                            option.FillColor);
    }
    const auto sequential = snapshot();
    doc.LoadThreads = 3;
    Rebuild();
    const auto parallel = snapshot();
    ASSERT_EQ(sequential.size(), 11u);
    EXPECT_EQ(parallel, sequential);
    EXPECT_EQ(parallel[6].first, 7) << "the missing picture's cell stays empty";
}

} // namespace
