// Every kind of step of the undo history: done, undone and done again, the
// render and the layers compared with the states before and after.
#include "document/TMergeDocument.h"

#include "document/TTextLayer.h"
#include "document/uEditSteps.h"
#include "document/uNewPicture.h"
#include "tests/engine/GuiApplication.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QTemporaryDir>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

// What the user sees and what the layers are: the render pixel for pixel,
// and each layer's kind, tag, place, opacity, cropping, scaling and picture.
struct TDocumentPicture {
    std::vector<std::uint32_t> Pixels;
    int Width = 0, Height = 0;
    std::string Layers;
    std::vector<std::string> Files;
    std::size_t Thumbnails = 0;
    bool Grid = false;
    bool operator==(const TDocumentPicture& o) const {
        return Pixels == o.Pixels && Width == o.Width && Height == o.Height && Layers == o.Layers &&
               Files == o.Files && Thumbnails == o.Thumbnails && Grid == o.Grid;
    }
};

std::ostream& operator<<(std::ostream& os, const TDocumentPicture& p) {
    return os << p.Width << "x" << p.Height << " " << p.Layers << " files " << p.Files.size();
}

class Undo : public ::testing::Test {
public:
    QTemporaryDir dir;
    TBitmap32 canvas;
    TLayerCollection layers;
    TMergeDocument doc{canvas, layers};
    TMergeLayout layout;

    void SetUp() override {
        EnsureGuiApplication();
        layout.Grid = TGridLayout::Of(2, 2, 40, 30, 2);
        layout.ResizeType = 1;
        layout.FillColor = 0x00FF00;
        std::vector<std::string> files;
        for (int i = 0; i < 4; ++i)
            files.push_back(Picture(i, 50 + 10 * i, 30));
        doc.GridMode = true;
        doc.AddPictures(files);
        doc.RebuildPicture(layout);
        doc.History.Clear();
        doc.Saved = true;
    }

    std::string Picture(int Index, int W, int H) {
        QImage img(W, H, QImage::Format_ARGB32);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                img.setPixel(x, y, qRgba(40 * Index + x, 3 * y, 200 - 30 * Index, 255));
        const QString name = dir.filePath(QStringLiteral("p%1.png").arg(Index));
        EXPECT_TRUE(img.save(name));
        return name.toStdString();
    }
    TBitmapLayer* Picture(int Tag) {
        for (int i = 0; i < layers.Count(); ++i)
            if (auto* l = dynamic_cast<TBitmapLayer*>(layers.Items(i)))
                if (l->Tag == Tag && !dynamic_cast<TTextLayer*>(l))
                    return l;
        return nullptr;
    }
    TDocumentPicture Now() {
        TDocumentPicture p;
        TCustomLayer* selected = doc.SelectedLayer;
        TBitmap32 render;
        doc.RenderMergedPicture(render);
        doc.SelectLayer(selected);
        p.Width = render.Width();
        p.Height = render.Height();
        p.Pixels.assign(render.Bits(), render.Bits() + std::size_t(p.Width) * p.Height);
        std::ostringstream os;
        for (int i = 0; i < layers.Count(); ++i) {
            auto* l = dynamic_cast<TBitmapLayer*>(layers.Items(i));
            if (!l)
                continue;
            const TRectF& r = l->Location();
            std::uint64_t hash = 1469598103934665603ull;
            for (int k = 0; k < l->Bitmap().Width() * l->Bitmap().Height(); ++k)
                hash = (hash ^ l->Bitmap().Bits()[k]) * 1099511628211ull;
            os << l->ClassName() << ":" << l->Tag << "@" << r.Left << "," << r.Top << ","
               << r.Right << "," << r.Bottom << " a" << int(l->Bitmap().MasterAlpha()) << " c"
               << l->Cropped() << " s" << l->Scaled() << " #" << hash << "; ";
        }
        p.Layers = os.str();
        p.Files = doc.PicFileList;
        p.Thumbnails = doc.ImgPicList.size();
        p.Grid = doc.GridMode;
        return p;
    }
};

TEST_F(Undo, EveryKindOfStepGoesBackAndForthExactly) {
    const struct {
        const char* Name; // the step's name in the menus
        std::function<void(TMergeDocument&, Undo&)> Do;
    } cases[] = {
        {"Move", [](TMergeDocument& d, Undo&) { d.MoveSelectedLayer(3, -2); }},
        {"Transparence", [](TMergeDocument& d, Undo&) { d.SetSelectedOpacity(100); }},
        {"Cropped", [](TMergeDocument& d, Undo&) { d.SetSelectedCropped(true); }},
        {"Flip Horizontally", [](TMergeDocument& d, Undo&) { d.FlipSelected(true); }},
        {"Flip Vertically", [](TMergeDocument& d, Undo&) { d.FlipSelected(false); }},
        {"Rotate 90\u00B0", [](TMergeDocument& d, Undo&) { d.TurnSelected(1); }},
        {"Rotate 180\u00B0", [](TMergeDocument& d, Undo&) { d.TurnSelected(2); }},
        {"Rotate 270\u00B0", [](TMergeDocument& d, Undo&) { d.TurnSelected(3); }},
        {"Bring Front", [](TMergeDocument& d, Undo&) { d.BringSelectedToFront(); }},
        {"Send to Back", [](TMergeDocument& d, Undo&) { d.SendSelectedToBack(); }},
        {"Up One Level", [](TMergeDocument& d, Undo&) { d.MoveSelectedUp(); }},
        {"Down One Level", [](TMergeDocument& d, Undo&) { d.MoveSelectedDown(); }},
        {"Delete Selected", [](TMergeDocument& d, Undo&) { d.DeleteSelectedLayer(); }},
        {"Flatten Picture", [](TMergeDocument& d, Undo&) { d.FlattenPicture(); }},
        {"Scaled", [](TMergeDocument& d, Undo&) { d.ToggleSelectedScaled(); }},
        {"Auto Fit", [](TMergeDocument& d, Undo& t) {
             d.MoveSelectedLayer(0, 40); // its centre now over the cell below
             d.History.CloseMerge();
             d.AutoFitSelected(t.layout);
         }},
        {"Add Text", [](TMergeDocument& d, Undo&) { d.AddTextLayer(QStringLiteral("abc"), {40, 30}); }},
        {"Drop Picture", [](TMergeDocument& d, Undo& t) {
             d.CurrentPicFile = t.Picture(7, 20, 20);
             d.DropPicture({60, 40});
         }},
        {"Move Up", [](TMergeDocument& d, Undo&) {
             d.RecordListChange("Move Up", [&] { return d.MoveListEntry(2, -1); });
         }},
        {"Remove", [](TMergeDocument& d, Undo&) {
             d.RecordListChange("Remove", [&] { return d.DeleteListEntry(0); });
         }},
        {"Rebuild Picture", [](TMergeDocument& d, Undo& t) {
             TMergeLayout other = t.layout;
             other.Grid.Space = 5;
             d.RebuildPicture(other);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        SetUp(); // a fresh grid for each kind
        doc.SelectLayer(Picture(1));
        const TDocumentPicture before = Now();
        c.Do(doc, *this);
        const TDocumentPicture after = Now();
        ASSERT_FALSE(after == before) << "the step changed nothing";
        EXPECT_EQ(doc.History.UndoName(), c.Name);
        EXPECT_FALSE(doc.Saved);
        while (doc.History.CanUndo())
            ASSERT_NE(doc.Undo(), nullptr);
        EXPECT_EQ(Now(), before);
        EXPECT_TRUE(doc.Saved) << "back where it was saved";
        while (doc.History.CanRedo())
            ASSERT_NE(doc.Redo(), nullptr);
        EXPECT_EQ(Now(), after);
        doc.Undo();
        doc.Redo();
        EXPECT_EQ(Now(), after) << "and once more";
    }
}

TEST_F(Undo, ArrowPressesAndOneDragAreOneStepEach) {
    doc.SelectLayer(Picture(2));
    const TRectF start = Picture(2)->Location();
    for (int i = 0; i < 5; ++i)
        doc.MoveSelectedLayer(1, 0);
    EXPECT_EQ(doc.History.Count(), 1u);
    // A drag of the frame: press, several moves, release.
    doc.History.CloseMerge();
    TRubberbandLayer* frame = doc.RubberBand;
    frame->MouseDown(mbLeft, 0, int(frame->Location().Left) + 5, int(frame->Location().Top) + 5);
    for (int x = 1; x <= 4; ++x)
        frame->MouseMove(ssLeft, int(frame->Location().Left) + 5 + 3, int(frame->Location().Top) + 5);
    frame->MouseUp(mbLeft, 0, 0, 0);
    EXPECT_EQ(doc.History.Count(), 2u);
    EXPECT_EQ(doc.History.UndoName(), "Move");
    doc.Undo();
    EXPECT_EQ(Picture(2)->Location().Left, start.Left + 5);
    doc.Undo();
    EXPECT_EQ(Picture(2)->Location().Left, start.Left);
    EXPECT_EQ(doc.SelectedLayer, Picture(2)) << "the layer the step touched";
    EXPECT_EQ(doc.RubberBand->Location().Left, start.Left) << "the frame came with it";
}

TEST_F(Undo, TheOldestStepsGoWhenThePicturesKeptPassTheBound) {
    // Each flatten keeps the canvas and every layer it replaced.
    doc.History.SetKeptBytesLimit(std::size_t(canvas.Width()) * canvas.Height() * 4 * 3);
    for (int i = 0; i < 6; ++i) {
        doc.AddTextLayer(QStringLiteral("x"), {20, 20});
        doc.FlattenPicture();
    }
    EXPECT_LT(doc.History.Count(), 12u);
    EXPECT_LE(doc.History.KeptBytes(), std::size_t(canvas.Width()) * canvas.Height() * 4 * 3);
    int undone = 0;
    while (doc.Undo())
        ++undone;
    EXPECT_EQ(std::size_t(undone), doc.History.Count());
    EXPECT_FALSE(doc.Saved) << "the saved state was dropped with the oldest steps";
}

TEST_F(Undo, ANewPictureCanBeTakenBackWhole) {
    doc.SelectLayer(Picture(0));
    doc.MoveSelectedLayer(4, 4);
    const TDocumentPicture before = Now();
    TMergeLayout empty = layout;
    empty.NewWidth = 90;
    empty.NewHeight = 70;
    doc.RecordWholeChange("New Picture", [&] {
        StartNewPicture(doc, false, {}, empty);
        doc.RebuildPicture(empty);
    });
    EXPECT_EQ(doc.History.UndoName(), "New Picture");
    EXPECT_EQ(canvas.Width(), 90);
    EXPECT_TRUE(doc.PicFileList.empty());
    doc.Undo();
    EXPECT_EQ(Now(), before) << "the grid, its list and its moved layer are back";
    doc.Undo();
    EXPECT_EQ(Picture(0)->Location().Left, 2);
}

TEST_F(Undo, AListChangeTakesInTheRebuildThatFollowsIt) {
    doc.SelectLayer(Picture(3));
    doc.MoveSelectedLayer(0, 5);
    doc.History.CloseMerge();
    const TDocumentPicture before = Now();
    doc.RecordListChange("Move Up", [&] { return doc.MoveListEntry(3, -1); });
    EXPECT_EQ(Picture(2)->Location().Top, 34 + 5) << "the moved layer's tag followed its entry";
    doc.RebuildPicture(layout); // as the reload timer does
    EXPECT_EQ(doc.History.Count(), 2u) << "the rebuild joined the list's step";
    auto* step = doc.Undo();
    ASSERT_NE(step, nullptr);
    EXPECT_FALSE(step->ListWantsRebuild(true));
    EXPECT_EQ(Now(), before) << "the picture from before the rebuild, with its edit";
    auto* again = doc.Redo();
    EXPECT_FALSE(again->ListWantsRebuild(false)) << "done again with its own rebuild";
    // Without its rebuild yet, done again it asks for one.
    doc.Undo();
    doc.RecordListChange("Move Up", [&] { return doc.MoveListEntry(1, -1); });
    doc.Undo();
    EXPECT_TRUE(static_cast<TDocumentStep*>(doc.Redo())->ListWantsRebuild(false));
}

} // namespace
