// A document saved as a project and opened again: the same picture pixel for
// pixel, the same layers and list; and the sources the document keeps for it
// in step with every edit and its undo.
#include "document/TMergeDocument.h"

#include "codecs/uCodecRegistry.h"
#include "document/TTextLayer.h"
#include "document/uMergeCommandLine.h"
#include "document/uProjectFile.h"
#include "pictures/TPicturePrefetcher.h"
#include "tests/document/PictureCompare.h"
#include "tests/document/TestFiles.h"
#include "tests/engine/GuiApplication.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A document of its own, as a second run of the program has.
struct TOtherDocument {
    TBitmap32 Canvas;
    TLayerCollection Layers;
    TMergeDocument Doc{Canvas, Layers};
};

std::unique_ptr<TBitmap32> Render(TMergeDocument& Doc) {
    auto picture = std::make_unique<TBitmap32>();
    Doc.RenderMergedPicture(*picture);
    return picture;
}

class Projects : public ::testing::Test {
protected:
    QTemporaryDir dir;
    TBitmap32 canvas;
    TLayerCollection layers;
    TMergeDocument doc{canvas, layers};
    TMergeLayout layout;

    void SetUp() override {
        EnsureGuiApplication();
        ASSERT_TRUE(dir.isValid());
        layout.Grid = TGridLayout::Of(2, 2, 40, 30, 2);
        layout.ResizeType = 1;
        layout.FillColor = 0x00FF00;
        layout.NewBg = 0x336699;
        layout.NewWidth = 90;
        layout.NewHeight = 70;
    }

    // A picture whose every pixel differs, so that a mirror or a turn shows;
    // with Alpha, its alpha runs across it.
    std::string Picture(const QString& Name, int W, int H, bool Alpha = false) {
        QImage img(W, H, QImage::Format_ARGB32);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                img.setPixel(x, y, qRgba(7 * x, 11 * y, 255 - 5 * x - 3 * y,
                                         Alpha ? 255 * x / (W - 1) : 255));
        const QString path = QDir(dir.path()).filePath(Name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        EXPECT_TRUE(img.save(path));
        return QDir::toNativeSeparators(path).toStdString();
    }
    TBitmapLayer* WithTag(int Tag) {
        for (int i = 0; i < layers.Count(); ++i)
            if (auto* l = dynamic_cast<TBitmapLayer*>(layers.Items(i)))
                if (l->Tag == Tag && !dynamic_cast<TTextLayer*>(l))
                    return l;
        return nullptr;
    }
    // Saves doc as File and opens that file into a document of its own.
    std::unique_ptr<TOtherDocument> SaveAndOpen(const QString& File,
                                                std::vector<std::string>* LeftOut = nullptr) {
        WriteProjectFile(doc.Project(), File);
        auto other = std::make_unique<TOtherDocument>();
        std::vector<std::string> leftOut;
        EXPECT_TRUE(other->Doc.OpenProject(ReadProjectFile(File), leftOut));
        if (LeftOut)
            *LeftOut = leftOut;
        else
            EXPECT_TRUE(leftOut.empty());
        return other;
    }
    // A grid of four pictures with every kind of edit, a deleted picture and
    // a text.
    void EditedGrid() {
        doc.GridMode = true;
        doc.AddPictures({Picture("p0.png", 50, 30), Picture("p1.png", 30, 50),
                         Picture("sub/p2.png", 41, 29), Picture("p3.png", 60, 60)});
        doc.RebuildPicture(layout);
        // Mirrors and turns in an order whose reverse gives another picture.
        doc.SelectLayer(WithTag(0));
        doc.FlipSelected(true);
        doc.TurnSelected(1);
        doc.MoveSelectedLayer(3.5f, -2);
        doc.SetSelectedOpacity(128);
        doc.SendSelectedToBack();
        doc.SelectLayer(WithTag(1));
        doc.TurnSelected(2);
        doc.SetSelectedCropped(true);
        doc.PlaceLayer(WithTag(1), TRectF{40.25f, -6, 95.5f, 37});
        doc.SelectLayer(WithTag(3));
        doc.TurnSelected(3);
        doc.FlipSelected(false);
        doc.ToggleSelectedScaled();
        doc.SelectLayer(WithTag(2));
        doc.DeleteSelectedLayer(); // its list entry goes, the tags above it follow
        doc.TextFont.Name = QStringLiteral("Liberation Sans");
        doc.TextFont.Size = 14;
        doc.TextFont.Style = fsBold | fsItalic;
        doc.TextFont.Color = 0x2040F0;
        doc.AddTextLayer(QStringLiteral("Sommer \u00E9t\u00E9"), TPoint{40, 30});
        doc.TurnSelected(1);
        doc.MoveSelectedLayer(-5, 7);
        WithTag(2)->SetVisible(false); // the former p3
    }
};

TEST_F(Projects, AnEditedGridWithTextOpensAsTheSamePicture) {
    EditedGrid();
    const auto before = Render(doc);
    const TProject saved = doc.Project();
    ASSERT_EQ(saved.Layers.size(), 4u);
    EXPECT_EQ(saved.Pictures.size(), 3u);

    auto opened = SaveAndOpen(dir.filePath(QStringLiteral("grid.tessellon")));
    EXPECT_TRUE(SamePicture(*before, *Render(opened->Doc), "grid-with-edits"));
    EXPECT_TRUE(opened->Doc.Project() == saved) << "layers, edits, tags, list and canvas";
    EXPECT_TRUE(opened->Doc.GridMode);
    EXPECT_EQ(opened->Doc.ImgPicList.size(), 3u);
    EXPECT_TRUE(SameLayout(opened->Doc.BuiltLayout(), layout));
    EXPECT_EQ(opened->Doc.History.Count(), 0u) << "its history starts empty";
    EXPECT_TRUE(opened->Doc.Saved);
    EXPECT_TRUE(opened->Doc.ProjectSaved());
    // The opened layers are edited as any others: a further edit there and
    // here still gives the same picture.
    opened->Doc.SelectLayer(opened->Layers.Items(0));
    doc.SelectLayer(layers.Items(0));
    opened->Doc.FlipSelected(false);
    doc.FlipSelected(false);
    EXPECT_TRUE(SamePicture(*Render(doc), *Render(opened->Doc), "grid-edited-after-opening"));
}

TEST_F(Projects, AnEmptyCanvasKeepsTransparencyAndWhatWasFlattened) {
    doc.GridMode = false;
    doc.RebuildPicture(layout);
    const auto drop = [&](const std::string& File, TPoint At) {
        doc.CurrentPicFile = File;
        ASSERT_TRUE(doc.DropPicture(At));
    };
    drop(Picture("a.png", 40, 30, true), TPoint{5, 5});
    drop(Picture("b.png", 25, 50, true), TPoint{70, 40}); // partly off the canvas
    doc.FlipSelected(true);
    doc.FlattenPicture();
    drop(Picture("c.png", 30, 30, true), TPoint{20, 30});
    doc.SetSelectedOpacity(90);
    doc.AddTextLayer(QStringLiteral("x"), TPoint{30, 20});
    doc.FlattenPicture();
    drop(Picture("d.png", 16, 16, true), TPoint{-4, 60});
    doc.TurnSelected(1);
    ASSERT_EQ(doc.CanvasSource().Flattened.size(), 4u);

    const auto before = Render(doc);
    auto opened = SaveAndOpen(dir.filePath(QStringLiteral("empty.tessellon")));
    EXPECT_TRUE(SamePicture(*before, *Render(opened->Doc), "empty-with-transparency"));
    EXPECT_TRUE(SamePicture(canvas, opened->Canvas, "empty-flattened-canvas"));
    EXPECT_FALSE(opened->Doc.GridMode);
    EXPECT_TRUE(opened->Doc.Project() == doc.Project());
}

// Applying a layer's recorded edits to a fresh picture of its source gives the
// layer's picture: after each edit, undo and redo.
TEST_F(Projects, SourcesAndEditsFollowEveryStepAndItsUndo) {
    doc.GridMode = true;
    doc.AddPictures({Picture("p0.png", 50, 30), Picture("p1.png", 30, 50)});
    doc.RebuildPicture(layout);
    TBitmapLayer* layer = WithTag(0);
    const auto remade = [&](const TBitmapLayer* Layer) {
        const TLayerSource* s = doc.LayerSource(Layer);
        EXPECT_NE(s, nullptr);
        TPrefetchRequest request;
        request.File = s->File;
        request.Fit = s->Fitted;
        request.CellWidth = s->CellWidth;
        request.CellHeight = s->CellHeight;
        request.FitType = s->FitType;
        request.FillColor = s->FillColor;
        TPreparedPicture prepared;
        PreparePicture(request, prepared);
        EXPECT_TRUE(prepared.Loaded);
        for (TLayerEdit e : s->Edits)
            ApplyLayerEdit(*prepared.Bitmap, e);
        return SamePicture(*prepared.Bitmap, Layer->Bitmap(), "remade-layer");
    };
    using E = TLayerEdit;
    doc.SelectLayer(layer);
    doc.FlipSelected(true);
    doc.TurnSelected(1);
    doc.FlipSelected(false);
    doc.TurnSelected(2);
    doc.TurnSelected(3);
    EXPECT_EQ(doc.LayerSource(layer)->Edits,
              (std::vector<E>{E::FlipHorizontal, E::Turn90, E::FlipVertical, E::Turn180, E::Turn270}));
    EXPECT_TRUE(remade(layer));
    doc.Undo();
    doc.Undo();
    doc.Undo();
    EXPECT_EQ(doc.LayerSource(layer)->Edits, (std::vector<E>{E::FlipHorizontal, E::Turn90}));
    EXPECT_TRUE(remade(layer));
    doc.Redo();
    EXPECT_EQ(doc.LayerSource(layer)->Edits,
              (std::vector<E>{E::FlipHorizontal, E::Turn90, E::FlipVertical}));
    EXPECT_TRUE(remade(layer));

    // A deleted layer keeps its source while its step holds it.
    doc.SelectLayer(layer);
    doc.DeleteSelectedLayer();
    doc.Undo();
    ASSERT_NE(doc.LayerSource(layer), nullptr);
    EXPECT_EQ(doc.LayerSource(layer)->Edits.size(), 3u);

    // Flatten and a rebuild with another layout, each taken back: the canvas's
    // source and the built layout are those of the picture shown.
    const TProject before = doc.Project();
    doc.FlattenPicture();
    EXPECT_EQ(doc.CanvasSource().Flattened.size(), 2u);
    doc.Undo();
    EXPECT_TRUE(doc.Project() == before);
    TMergeLayout other = layout;
    other.Grid = TGridLayout::Of(1, 3, 20, 20, 0);
    doc.RebuildPicture(other);
    EXPECT_TRUE(SameLayout(doc.BuiltLayout(), other));
    EXPECT_EQ(doc.CanvasSource().Grid.ColNumber, 3);
    doc.Undo();
    EXPECT_TRUE(SameLayout(doc.BuiltLayout(), layout));
    EXPECT_TRUE(doc.Project() == before);
    doc.Redo();
    EXPECT_TRUE(SameLayout(doc.BuiltLayout(), other));
    // A layer the document did not make cannot go into a project.
    new TBitmapLayer(&layers);
    EXPECT_THROW(doc.Project(), std::runtime_error);
}

TEST_F(Projects, RelativePathsMoveWithTheFolderAbsoluteOnesStay) {
    QTemporaryDir outside;
    doc.GridMode = true;
    const std::string beside = Picture("album/p0.png", 50, 30);
    const std::string below = Picture("album/pics/p1.png", 30, 50);
    const std::string elsewhere =
        QDir::toNativeSeparators(outside.filePath(QStringLiteral("far.png"))).toStdString();
    ASSERT_TRUE(QFile::rename(QString::fromStdString(Picture("far.png", 20, 20)),
                              QString::fromStdString(elsewhere)));
    doc.AddPictures({beside, below, elsewhere});
    doc.RebuildPicture(layout);
    const auto before = Render(doc);
    const QString file = dir.filePath(QStringLiteral("album/album.tessellon"));
    WriteProjectFile(doc.Project(), file);
    const QByteArray text = ReadAll(file);
    EXPECT_TRUE(text.contains("\"p0.png\""));
    EXPECT_TRUE(text.contains("\"pics/p1.png\""));
    EXPECT_TRUE(text.contains(QDir::fromNativeSeparators(QString::fromStdString(elsewhere)).toUtf8()));

    ASSERT_TRUE(QDir().rename(dir.filePath(QStringLiteral("album")), dir.filePath(QStringLiteral("moved"))));
    const QString moved = dir.filePath(QStringLiteral("moved/album.tessellon"));
    const TProject project = ReadProjectFile(moved);
    EXPECT_EQ(project.Pictures[0], QDir::toNativeSeparators(dir.filePath(QStringLiteral("moved/p0.png"))).toStdString());
    EXPECT_EQ(project.Pictures[2], elsewhere);
    EXPECT_TRUE(MissingFiles(ProjectFiles(project)).empty());
    TOtherDocument other;
    std::vector<std::string> leftOut;
    ASSERT_TRUE(other.Doc.OpenProject(project, leftOut));
    EXPECT_TRUE(leftOut.empty());
    EXPECT_TRUE(SamePicture(*before, *Render(other.Doc), "moved-folder"));
}

TEST_F(Projects, MissingPicturesAreLeftOutOnceOrRelinkedFromAnotherFolder) {
    EditedGrid(); // list p0, p1, p3; p1's layer cropped and resized
    const auto before = Render(doc);
    const QString file = dir.filePath(QStringLiteral("grid.tessellon"));
    WriteProjectFile(doc.Project(), file);
    QDir().mkpath(dir.filePath(QStringLiteral("elsewhere")));
    ASSERT_TRUE(QDir().rename(dir.filePath(QStringLiteral("p1.png")),
                              dir.filePath(QStringLiteral("elsewhere/p1.png"))));

    TProject project = ReadProjectFile(file);
    const std::string p1 = QDir::toNativeSeparators(dir.filePath(QStringLiteral("p1.png"))).toStdString();
    ASSERT_EQ(MissingFiles(ProjectFiles(project)), std::vector<std::string>{p1});
    {
        // Left out: its entry and its layer, said once; p3's layer now has tag 1.
        TOtherDocument other;
        std::vector<std::string> leftOut;
        ASSERT_TRUE(other.Doc.OpenProject(project, leftOut));
        EXPECT_EQ(leftOut, std::vector<std::string>{p1});
        EXPECT_EQ(other.Doc.PicFileList.size(), 2u);
        EXPECT_EQ(other.Doc.ImgPicList.size(), 2u);
        const TProject now = other.Doc.Project();
        ASSERT_EQ(now.Layers.size(), 3u);
        std::vector<int> tags;
        for (const TLayerRecord& l : now.Layers)
            tags.push_back(l.Tag);
        EXPECT_EQ(tags, (std::vector<int>{0, 1, kTextLayerTag}));
    }
    RelinkProjectFiles(project, FindByName(MissingFiles(ProjectFiles(project)),
                                           dir.filePath(QStringLiteral("elsewhere"))));
    TOtherDocument relinked;
    std::vector<std::string> leftOut;
    ASSERT_TRUE(relinked.Doc.OpenProject(project, leftOut));
    EXPECT_TRUE(leftOut.empty());
    EXPECT_TRUE(SamePicture(*before, *Render(relinked.Doc), "relinked"));
}

TEST_F(Projects, ACanvasTooLargeChangesNothing) {
    EditedGrid();
    const auto before = Render(doc);
    const TProject kept = doc.Project();
    const std::size_t steps = doc.History.Count();
    TProject huge = kept;
    huge.Canvas.Width = huge.Canvas.Height = 1 << 30;
    std::vector<std::string> leftOut;
    EXPECT_THROW(doc.OpenProject(huge, leftOut), std::runtime_error);
    TProject hugeCell = kept;
    hugeCell.Layers[0].Source.Fitted = true;
    hugeCell.Layers[0].Source.CellWidth = hugeCell.Layers[0].Source.CellHeight = 1 << 30;
    EXPECT_THROW(doc.OpenProject(hugeCell, leftOut), std::runtime_error);
    // Each layer within what a picture holds, but together far more: many
    // cells of the largest size, or many texts at the largest font.
    TProject manyCells = kept;
    TLayerRecord cell;
    cell.Source.Kind = TLayerSource::TKind::Picture;
    cell.Source.File = Picture("small.png", 2, 2);
    cell.Source.Fitted = true;
    cell.Source.CellWidth = cell.Source.CellHeight = 1 << 15;
    cell.Location = TRectF{0, 0, 10, 10};
    manyCells.Layers.assign(8, cell);
    TProject manyTexts = kept;
    TLayerRecord text;
    text.Source.Kind = TLayerSource::TKind::Text;
    text.Source.Text = QString(20, QLatin1Char('W'));
    text.Source.Font.Name = QStringLiteral("Liberation Sans");
    text.Source.Font.Size = 4096;
    text.Location = TRectF{0, 0, 10, 10};
    text.Tag = kTextLayerTag;
    manyTexts.Layers.assign(40, text);
    // A list so long that its thumbnails alone would be too many.
    TProject longList = kept;
    longList.Pictures.assign(kProjectLayerPixels / (TMergeDocument::kThumbnailWidth *
                                                    TMergeDocument::kThumbnailHeight) +
                                 1,
                             "missing.png");
    for (const TProject* tooMany : {&manyCells, &manyTexts, &longList}) {
        try {
            doc.OpenProject(*tooMany, leftOut);
            ADD_FAILURE() << "opened";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find("pixels a merge may hold together"),
                      std::string::npos)
                << e.what();
        }
    }
    EXPECT_TRUE(doc.Project() == kept);
    EXPECT_EQ(doc.History.Count(), steps);
    EXPECT_TRUE(SamePicture(*before, *Render(doc), "unchanged"));
}

// A failure after the document has begun to change (here the view, once)
// puts back the picture, the lists and the history as they were.
TEST_F(Projects, AFailureWhileTheProjectIsPutInPlaceChangesNothing) {
    struct TFailingView : TDocumentView {
        bool Fail = false;
        void ReapplyZoom() override {
            if (Fail) {
                Fail = false;
                throw std::runtime_error("view failed");
            }
        }
    } view;
    TBitmap32 otherCanvas;
    TLayerCollection otherLayers;
    TMergeDocument other(otherCanvas, otherLayers, &view);
    EditedGrid();
    std::vector<std::string> leftOut;
    ASSERT_TRUE(other.OpenProject(doc.Project(), leftOut));
    other.SelectLayer(otherLayers.Items(0));
    other.TurnSelected(1);
    const TProject kept = other.Project();
    const auto before = Render(other);
    TProject next = kept;
    next.Canvas.Background = 0xFF102030u;
    next.Layers.pop_back();
    view.Fail = true;
    EXPECT_THROW(other.OpenProject(next, leftOut), std::runtime_error);
    EXPECT_TRUE(other.Project() == kept);
    EXPECT_TRUE(SamePicture(*before, *Render(other), "unchanged"));
    EXPECT_EQ(other.History.Count(), 1u);
    EXPECT_EQ(other.History.UndoName(), "Rotate 90\u00B0");
}

// The command line renders a project into the picture the document saves,
// and refuses a file that is not a project without writing anything.
TEST_F(Projects, TheCommandLineRendersTheSamePicture) {
    EditedGrid();
    const auto expected = Render(doc);
    const QString file = dir.filePath(QStringLiteral("grid.tessellon"));
    WriteProjectFile(doc.Project(), file);
    const QString out = dir.filePath(QStringLiteral("out.png"));
    std::ostringstream err;
    ASSERT_EQ(RunMergeJob(ParseMergeArguments({"--project", file.toStdString(), "-o",
                                               out.toStdString(), "--quiet"}),
                          err),
              kMergeOk)
        << err.str();
    const TDecodedPicture written = DecodePictureFile(out.toStdString());
    ASSERT_EQ(written.Width, expected->Width());
    ASSERT_EQ(written.Height, expected->Height());
    // Compared as the picture file keeps it: its colour (the writer decides the alpha).
    for (int y = 0; y < written.Height; ++y)
        for (int x = 0; x < written.Width; ++x)
            ASSERT_EQ(written.Pixel(x, y) & 0xFFFFFFu, expected->Pixel(x, y) & 0xFFFFFFu)
                << x << "," << y;

    WriteFile(dir.filePath(QStringLiteral("notes.tessellon")), "{\"format\": \"other\"}");
    const QString none = dir.filePath(QStringLiteral("none.png"));
    std::ostringstream refused;
    EXPECT_EQ(RunMergeJob(ParseMergeArguments({"--project",
                                               dir.filePath(QStringLiteral("notes.tessellon"))
                                                   .toStdString(),
                                               "-o", none.toStdString(), "--quiet"}),
                          refused),
              kMergeFailed);
    EXPECT_NE(refused.str().find("is not a Tessellon project"), std::string::npos) << refused.str();
    EXPECT_FALSE(QFile::exists(none));
}

} // namespace
