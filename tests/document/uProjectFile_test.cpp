// The project file on its own: paths, values that must come back exactly, and
// the files it refuses with the reason.
#include "document/uProjectFile.h"

#include "document/TTextLayer.h"
#include "tests/document/TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A project of every kind of value, its files under Folder or elsewhere.
TProject Sample(const QString& Folder) {
    const std::string in = QDir(Folder).filePath(QStringLiteral("pics/a.png")).toStdString();
    TProject p;
    p.GridMode = true;
    p.Layout.Grid = TGridLayout::Of(3, 2, 41, 33, 5);
    p.Layout.ResizeType = 1;
    p.Layout.FillColor = 0x123456;
    p.Layout.NewBg = 0xABCDEF;
    p.Layout.NewWidth = 300;
    p.Layout.NewHeight = 200;
    p.Pictures = {in, "/elsewhere/b.jpg"};
    p.Canvas.Width = 97;
    p.Canvas.Height = 109;
    p.Canvas.Background = 0x80FF0010u;
    p.Canvas.Guides = true;
    p.Canvas.Grid = p.Layout.Grid;
    TLayerRecord picture;
    picture.Source.Kind = TLayerSource::TKind::Picture;
    picture.Source.File = in;
    picture.Source.Fitted = true;
    picture.Source.CellWidth = 41;
    picture.Source.CellHeight = 33;
    picture.Source.FitType = -3;
    picture.Source.FillColor = 0x00FF00;
    picture.Source.Edits = {TLayerEdit::FlipHorizontal, TLayerEdit::Turn90, TLayerEdit::Turn180,
                            TLayerEdit::FlipVertical, TLayerEdit::Turn270};
    picture.Location = TRectF{0.1f, -3.75e7f, 1e-30f, 3.0e38f};
    picture.Opacity = 0;
    picture.Visible = false;
    picture.Cropped = true;
    picture.Scaled = false;
    picture.Tag = -1;
    p.Canvas.Flattened = {picture};
    TLayerRecord own = picture;
    own.Source.Fitted = false;
    own.Source.CellWidth = own.Source.CellHeight = own.Source.FitType = 0;
    own.Source.FillColor = 0;
    own.Source.File = "/elsewhere/b.jpg";
    own.Source.Edits.clear();
    own.Location = TRectF{2, 3, 4.5f, 6.25f};
    own.Opacity = 200;
    own.Tag = 7;
    TLayerRecord text;
    text.Source.Kind = TLayerSource::TKind::Text;
    text.Source.Text = QStringLiteral("\"Quoted\"\\ line\nnext \u00E9\u4E2D\U0001F600");
    text.Source.Font.Name = QStringLiteral("Liberation Serif");
    text.Source.Font.Size = 31;
    text.Source.Font.Style = fsBold | fsStrikeOut;
    text.Source.Font.Color = 0x0000FF;
    text.Source.Edits = {TLayerEdit::Turn90};
    text.Location = TRectF{-10.5f, 20, 80, 60.125f};
    text.Tag = kTextLayerTag;
    p.Layers = {picture, own, text};
    return p;
}

TEST(ProjectFile, EveryValueReadsBackExactly) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("work.tessellon"));
    const TProject p = Sample(dir.path());
    const QByteArray bytes = WriteProjectBytes(p, file);
    const TProject again = ReadProjectBytes(bytes, file);
    EXPECT_TRUE(again == p);
    EXPECT_EQ(again.Layers[0].Location, p.Layers[0].Location) << "floats exactly";
    EXPECT_EQ(again.Layers[2].Source.Text, p.Layers[2].Source.Text);
    EXPECT_EQ(again.Canvas.Background, 0x80FF0010u) << "a canvas colour keeps its alpha";
    // The file is UTF-8 JSON that names its format and version, with paths
    // beside the project relative and the others absolute.
    EXPECT_TRUE(bytes.contains("\"format\": \"tessellon-project\"")) << bytes.toStdString();
    EXPECT_TRUE(bytes.contains("\"version\": 1"));
    EXPECT_TRUE(bytes.contains("\"pics/a.png\""));
    EXPECT_TRUE(bytes.contains("\"/elsewhere/b.jpg\""));
    EXPECT_TRUE(bytes.contains("\u4E2D"));
    EXPECT_EQ(WriteProjectBytes(again, file), bytes);
}

TEST(ProjectFile, PathsRelativeBesideAndBelowTheProjectAbsoluteElsewhere) {
    const QString folder = QStringLiteral("/work/albums/summer");
    const struct {
        const char* File;
        const char* Stored;
    } cases[] = {
        {"/work/albums/summer/a.png", "a.png"},
        {"/work/albums/summer/day 1/b.png", "day 1/b.png"},
        {"/work/albums/summer/x/../c.png", "c.png"},
        {"/work/albums/d.png", "/work/albums/d.png"},             // the folder above
        {"/work/albums/summer2/e.png", "/work/albums/summer2/e.png"}, // a name that only starts alike
        {"/other/f.png", "/other/f.png"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StoredProjectPath(c.File, folder), c.Stored) << c.File;
        EXPECT_EQ(FullProjectPath(c.Stored, folder), QDir::toNativeSeparators(QDir::cleanPath(
                                                         QString::fromLatin1(c.File)))
                                                         .toStdString())
            << c.Stored;
    }
    EXPECT_EQ(FullProjectPath("../x.png", folder), QDir::toNativeSeparators("/work/albums/x.png").toStdString());
}

// Writes Text as a project file and reads it: the error's message, or "" when
// it was read.
std::string Refusal(const QByteArray& Text) {
    try {
        ReadProjectBytes(Text, QStringLiteral("/p/w.tessellon"));
    } catch (const EProjectError& e) {
        return e.what();
    }
    return "";
}

TEST(ProjectFile, ForeignFutureAndDamagedFilesAreRefusedWithTheReason) {
    QTemporaryDir dir;
    const QByteArray good = WriteProjectBytes(Sample(QStringLiteral("/p")), QStringLiteral("/p/w.tessellon"));
    ASSERT_EQ(Refusal(good), "");
    const auto changed = [&](const char* From, const char* To) {
        QByteArray b = good;
        EXPECT_TRUE(b.contains(From)) << From;
        return b.replace(From, To);
    };
    const std::string foreign = "\"/p/w.tessellon\" is not a Tessellon project.";
    const std::string damaged = "The project \"/p/w.tessellon\" is damaged: ";
    const struct {
        QByteArray Bytes;
        std::string Message; // the whole message, or its start for a damaged file
    } cases[] = {
        {QByteArray(), foreign},
        {QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10), foreign},
        {"{\"hello\": 1}", foreign},
        {"[\"tessellon-project\"]", foreign},
        {changed("\"format\": \"tessellon-project\"", "\"format\": \"other\""), foreign},
        {changed("\"version\": 1", "\"version\": 2"),
         "\"/p/w.tessellon\" was saved by a newer version of Tessellon (project format 2); this "
         "version opens project format 1."},
        {good.left(good.size() / 2), damaged},
        {changed("\"version\": 1", "\"version\": \"1\""),
         damaged + "its format version is not a whole number from 1 up."},
        {changed("\"mode\": \"grid\"", "\"mode\": \"row\""),
         damaged + "mode is neither \"grid\" nor \"empty\"."},
        {changed("\"gap\": 5,", ""), damaged + "layout.gap is missing."},
        {changed("\"fill\": \"#563412\"", "\"fill\": \"#56341\""),
         damaged + "layout.fill is not a colour like #RRGGBB."},
        {changed("\"pics/a.png\"", "\"\""), damaged + "pictures[0] is empty."},
        {changed("\"turn-180\"", "\"turn-45\""), damaged + "canvas.flattened[0].edits[2] is not an edit."},
        {changed("\"opacity\": 200", "\"opacity\": 256"),
         damaged + "layers[1].opacity is not a whole number from 0 to 255."},
        {changed("\"opacity\": 200", "\"opacity\": 1.5"),
         damaged + "layers[1].opacity is not a whole number from 0 to 255."},
        {changed("\"strikeout\"", "\"wavy\""), damaged + "layers[2].source.font.style[1] is not a font style."},
        {changed("\"tag\": 7", "\"tag\": true"), damaged + "layers[1].tag is not a number."},
        {changed("\"text\": \"", "\"picture\": \"x.png\", \"text\": \""),
         damaged + "layers[2].source needs either a picture or a text."},
        {changed("-10.5,", ""), damaged + "layers[2].location needs four numbers"},
        {changed("-10.5,", "1e39,"), damaged + "layers[2].location[0] is out of range."},
    };
    for (const auto& c : cases) {
        const std::string message = Refusal(c.Bytes);
        EXPECT_EQ(message.substr(0, c.Message.size()), c.Message) << c.Bytes.left(60).toStdString();
    }
}

TEST(ProjectFile, WrittenSafelyAndOnlyWhenEveryLayerCanBeKept) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("w.tessellon"));
    const TProject p = Sample(dir.path());
    WriteProjectFile(p, file);
    EXPECT_TRUE(ReadProjectFile(file) == p);
    TProject unknown = p;
    unknown.Layers.emplace_back();
    EXPECT_THROW(WriteProjectFile(unknown, file), std::runtime_error);
    EXPECT_TRUE(ReadProjectFile(file) == p) << "the old file stays";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1) << "no temporary file left";
    try {
        ReadProjectFile(dir.filePath(QStringLiteral("none.tessellon")));
        ADD_FAILURE();
    } catch (const EProjectError& e) {
        EXPECT_NE(std::string(e.what()).find("Cannot open the project"), std::string::npos);
    }
}

// A pipe or a device named as a project is refused without reading it: an
// open would wait for a writer, and a read would never end.
TEST(ProjectFile, APipeIsRefusedUnread) {
    QTemporaryDir dir;
    const QString pipe = dir.filePath(QStringLiteral("pipe.tessellon"));
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    // Feeds whoever opens the pipe more than a project may hold, so that a
    // reader that does open it fails rather than waits.
    std::atomic<bool> done{false};
    std::thread writer([&] {
        while (!done) {
            const int fd = ::open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK);
            if (fd < 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                continue;
            }
            ::fcntl(fd, F_SETFL, 0);
            const std::string spaces(1 << 20, ' ');
            for (qint64 sent = 0; sent <= kProjectFileLimit && !done; sent += qint64(spaces.size()))
                if (::write(fd, spaces.data(), spaces.size()) < 0)
                    break;
            ::close(fd);
            return;
        }
    });
    std::string message;
    try {
        ReadProjectFile(pipe);
    } catch (const EProjectError& e) {
        message = e.what();
    }
    done = true;
    writer.join();
    EXPECT_EQ(message, "Cannot open the project \"" + pipe.toStdString() + "\": it is not a file.");
}

TEST(ProjectFile, MissingFilesAreFoundByNameInAnotherFolder) {
    QTemporaryDir dir;
    WriteFile(dir.filePath(QStringLiteral("a.png")), "x");
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("moved")));
    WriteFile(dir.filePath(QStringLiteral("moved/b.png")), "x");
    const std::string a = dir.filePath(QStringLiteral("a.png")).toStdString();
    const std::string b = dir.filePath(QStringLiteral("gone/b.png")).toStdString();
    const std::string c = dir.filePath(QStringLiteral("gone/c.png")).toStdString();
    TProject p;
    p.Pictures = {a, b, c};
    TLayerRecord layer;
    layer.Source.Kind = TLayerSource::TKind::Picture;
    layer.Source.File = b;
    p.Layers = {layer, layer};
    p.Canvas.Flattened = {layer};
    EXPECT_EQ(ProjectFiles(p), (std::vector<std::string>{a, b, c})) << "each file once";
    const std::vector<std::string> missing = MissingFiles(ProjectFiles(p));
    EXPECT_EQ(missing, (std::vector<std::string>{b, c}));
    const auto found = FindByName(missing, dir.filePath(QStringLiteral("moved")));
    ASSERT_EQ(found.size(), 1u);
    const std::string moved = dir.filePath(QStringLiteral("moved/b.png")).toStdString();
    EXPECT_EQ(found.at(b), moved);
    RelinkProjectFiles(p, found);
    EXPECT_EQ(p.Pictures, (std::vector<std::string>{a, moved, c}));
    EXPECT_EQ(p.Layers[1].Source.File, moved);
    EXPECT_EQ(p.Canvas.Flattened[0].Source.File, moved);
    EXPECT_EQ(MissingFiles(ProjectFiles(p)), (std::vector<std::string>{c}));
}

// The example of the format's description reads as it says.
TEST(ProjectFile, TheDescribedExampleReads) {
    const QByteArray text =
        ReadAll(QStringLiteral(TESSELLON_TEST_DATA_DIR "/../../document/PROJECT_FORMAT.md"));
    const qsizetype start = text.indexOf("```json\n");
    ASSERT_GE(start, 0);
    const qsizetype end = text.indexOf("```", start + 8);
    const TProject p = ReadProjectBytes(text.mid(start + 8, end - start - 8),
                                        QStringLiteral("/albums/summer.tessellon"));
    EXPECT_TRUE(p.GridMode);
    EXPECT_EQ(p.Pictures, (std::vector<std::string>{
                              QDir::toNativeSeparators(QStringLiteral("/albums/beach.jpg")).toStdString(),
                              QDir::toNativeSeparators(QStringLiteral("/home/ann/Pictures/dune.png"))
                                  .toStdString()}));
    ASSERT_EQ(p.Layers.size(), 2u);
    EXPECT_EQ(p.Layers[0].Source.Edits,
              (std::vector<TLayerEdit>{TLayerEdit::FlipHorizontal, TLayerEdit::Turn90}));
    EXPECT_TRUE(p.Layers[0].Source.Fitted);
    EXPECT_EQ(p.Layers[0].Opacity, 200);
    EXPECT_EQ(p.Layers[1].Source.Text, QStringLiteral("Summer"));
    EXPECT_EQ(p.Layers[1].Source.Font.Color, TColor(0x0000FF)) << "#RRGGBB read as 0x00BBGGRR";
    EXPECT_EQ(p.Layers[1].Tag, kTextLayerTag);
    EXPECT_TRUE(p.Canvas.Guides);
}

} // namespace
