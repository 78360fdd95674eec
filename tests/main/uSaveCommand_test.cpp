#include "main/uSaveCommand.h"

#include "codecs/uCodecRegistry.h"
#include "engine/TImgView32.h"
#include "main/uSaveDialog.h"
#include "tests/main/MainWindowFixture.h"

#include <QAction>
#include <QFileInfo>
#include <QLineEdit>

#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

using SavePicture = MainWindowTest;

std::vector<std::uint8_t> ReadBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray b = f.readAll();
    return std::vector<std::uint8_t>(b.begin(), b.end());
}

int ChannelDistance(std::uint32_t a, std::uint32_t b) {
    int d = 0;
    for (int shift : {0, 8, 16})
        d = std::max(d, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
    return d;
}

TEST(SaveDialog, FileTypesBecomeNameFilters) {
    EXPECT_EQ(TSaveDialog::NameFiltersOf(QString::fromLatin1(SavePictureFilter)),
              QStringList({QStringLiteral("JPEG Bitmap (JPG) (*.jpg)"),
                           QStringLiteral("Portable Network Graphics (PNG) (*.png)"),
                           QStringLiteral("Windows Bitmap (BMP) (*.bmp)"),
                           QStringLiteral("CompuServe Bitmap (GIF) (*.gif)")}));
    // A description that already shows its masks keeps them once; several masks.
    EXPECT_EQ(TSaveDialog::NameFiltersOf(QStringLiteral("CSV File (*.csv)|*.csv|Both|*.a;*.b")),
              QStringList({QStringLiteral("CSV File (*.csv)"), QStringLiteral("Both (*.a *.b)")}));
}

// Types Name into the file name box of the open dialog, as the user would.
void TypeFileName(QFileDialog& Dialog, const QString& Name) {
    auto* edit = Dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->setText(Name);
}

TEST(SaveDialog, RemembersTheLastAcceptedFileAndTypeAndRefusesMissingFolders) {
    MainTestApp();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TSaveDialog dlg(nullptr, QString::fromLatin1(SavePictureFilter),
                    QString::fromLatin1(SavePictureDefaultExt));
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.FolderMustExist = true;
    EXPECT_EQ(dlg.DefaultExt(), QStringLiteral("*.jpg"));
    EXPECT_EQ(dlg.defaultSuffix(), QStringLiteral("jpg"));
    EXPECT_FALSE(dlg.testOption(QFileDialog::DontConfirmOverwrite));

    // A file in a folder that does not exist: a message, and the dialog stays open.
    bool stayedOpen = false;
    QString message;
    TWhenModal<TSaveDialog> missing([&](TSaveDialog& d) {
        TypeFileName(d, dir.filePath(QStringLiteral("missing/x.png")));
        TMessageBoxAnswerer box(QMessageBox::Ok);
        d.accept();
        stayedOpen = d.isVisible();
        message = box.Text;
    });
    EXPECT_FALSE(dlg.Execute());
    EXPECT_TRUE(missing.Ran);
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(message.contains(QStringLiteral("missing"))) << message.toStdString();
    EXPECT_TRUE(dlg.FileName.isEmpty());
    EXPECT_EQ(dlg.FilterIndex, 1);

    const QString file = dir.filePath(QStringLiteral("merged.png"));
    TWhenModal<TSaveDialog> first([&](TSaveDialog& d) {
        d.selectNameFilter(d.nameFilters()[1]);
        TypeFileName(d, file);
        d.accept();
    });
    ASSERT_TRUE(dlg.Execute());
    EXPECT_EQ(dlg.FileName, file);
    EXPECT_EQ(dlg.FilterIndex, 2);

    // The next showing starts from that choice; cancelling keeps it.
    QString shownFilter;
    QStringList shownFiles;
    TWhenModal<TSaveDialog> second([&](TSaveDialog& d) {
        shownFilter = d.selectedNameFilter();
        shownFiles = d.selectedFiles();
    });
    EXPECT_FALSE(dlg.Execute());
    EXPECT_EQ(shownFilter, QStringLiteral("Portable Network Graphics (PNG) (*.png)"));
    EXPECT_EQ(shownFiles, QStringList{file});
    EXPECT_EQ(dlg.FileName, file);
    EXPECT_EQ(dlg.FilterIndex, 2);
}

class SaveThroughTheWindow : public MainWindowTest {
protected:
    std::unique_ptr<TfrmMain> win;
    QTemporaryDir outDir;

    // A white 40 x 30 canvas with a 30 x 20 picture layer at (5, 5) whose opacity
    // is 128, selected, as after a New that was not saved yet.
    void SetUp() override {
        MainWindowTest::SetUp();
        ASSERT_TRUE(outDir.isValid());
        win = Start();
        win->SetCanvas(40, 30, 0xFFFFFFFFu);
        win->AddPictureLayer(Pictures(1)[0], TPoint{5, 5}, 0, 0, 0, 0);
        ASSERT_GE(win->ImgView->Layers().Count(), 1);
        auto* layer = dynamic_cast<TBitmapLayer*>(win->ImgView->Layers().Items(0));
        ASSERT_NE(layer, nullptr);
        layer->Bitmap().SetMasterAlpha(128);
        win->SelectLayer(layer);
        win->Document().Saved = false;
        win->UpdateActions();
        ASSERT_TRUE(win->Action(QStringLiteral("ActSave"))->isEnabled());
    }

    QString Out(const QString& name) const { return outDir.filePath(name); }

    // Runs the Save command as the user would, the dialog answering with File and
    // file type Index. Returns the text of the error box, if one was shown.
    std::optional<QString> SaveAs(const QString& File, int Index) {
        win->SavePicDlg->Chooser = [File, Index](TSaveDialog& d) {
            d.FileName = File;
            d.FilterIndex = Index;
            return true;
        };
        TMessageBoxAnswerer box(QMessageBox::Ok);
        win->Action(QStringLiteral("ActSave"))->trigger();
        if (!box.Seen)
            return std::nullopt;
        return box.Text;
    }
};

TEST_F(SaveThroughTheWindow, EachFileTypeWritesItsFormatWhateverTheName) {
    TBitmap32 expected;
    win->RenderMergedPicture(expected);
    ASSERT_EQ(expected.Width(), 40);
    ASSERT_EQ(expected.Height(), 30);
    // The layer's colour (0, 120, 220) half over white.
    const std::uint32_t blended = expected.Pixel(20, 15);
    EXPECT_LE(ChannelDistance(blended, 0xFF7FBBEDu), 1);
    EXPECT_EQ(expected.Pixel(1, 1) & 0xFFFFFFu, 0xFFFFFFu);

    struct Case {
        const char* Name; // its extension deliberately not the format's
        int Index;
        TCodecKind Codec;
        const char* Magic;
        int Tolerance;
        const char* DefaultExtAfter;
    };
    const Case cases[] = {
        {"jpeg.png", 1, TCodecKind::Jpeg, "\xFF\xD8\xFF", 6, "*.jpg"},
        {"png.jpg", 2, TCodecKind::Png, "\x89PNG", 0, "*.png"},
        {"bmp.gif", 3, TCodecKind::Bitmap, "BM", 0, "*.bmp"},
        // A GIF save leaves the default extension of the save before it.
        {"gif.bmp", 4, TCodecKind::Gif, "GIF8", 8, "*.bmp"},
    };
    EXPECT_EQ(win->SavePicDlg->DefaultExt(), QStringLiteral("*.jpg"));
    int logged = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        win->Document().Saved = false;
        const QString file = Out(QString::fromLatin1(c.Name));
        const auto error = SaveAs(file, c.Index);
        ASSERT_FALSE(error.has_value()) << error->toStdString();
        EXPECT_TRUE(win->Document().Saved);
        EXPECT_EQ(win->Document().SelectedLayer, nullptr);
        EXPECT_EQ(win->SavePicDlg->DefaultExt(), QString::fromLatin1(c.DefaultExtAfter));
        EXPECT_EQ(win->SavePicDlg->FileName, file);
        EXPECT_EQ(win->SavePicDlg->FilterIndex, c.Index);

        const std::vector<std::uint8_t> bytes = ReadBytes(file);
        const std::string magic = c.Magic;
        ASSERT_GE(bytes.size(), magic.size());
        EXPECT_EQ(std::memcmp(magic.data(), bytes.data(), magic.size()), 0);
        const TDecodedPicture pic = DecodeWithCodec(bytes.data(), bytes.size(), c.Codec);
        ASSERT_EQ(pic.Width, 40);
        ASSERT_EQ(pic.Height, 30);
        for (int y : {1, 15, 28})
            for (int x : {1, 20, 38}) {
                const std::uint32_t got = pic.Pixels[std::size_t(y * 40 + x)];
                EXPECT_EQ(got >> 24, 0xFFu) << x << "," << y;
                EXPECT_LE(ChannelDistance(got, expected.Pixel(x, y)), c.Tolerance)
                    << x << "," << y << std::hex << " got " << got << " expected "
                    << expected.Pixel(x, y);
            }

        // Every save is logged with the file's full path.
        ++logged;
        const auto& entries = win->LogFileMain.Entries();
        ASSERT_EQ(int(entries.size()), logged);
        EXPECT_EQ(entries.back().Action, QStringLiteral("Create New Picture"));
        EXPECT_EQ(entries.back().Description, file);
        EXPECT_FALSE(entries.back().DateTime.isEmpty());
    }
    // The log file holds them too.
    QFile log(settingsDir.filePath(QStringLiteral("Log.dat")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    EXPECT_EQ(text.count("]Create New Picture>"), 4);
    EXPECT_TRUE(text.contains(Out(QStringLiteral("gif.bmp")).toLocal8Bit() + "\r\n"));
}

TEST_F(SaveThroughTheWindow, TheSettingsShapeTheFile) {
    IniOption.MaxColor = 2;
    IniOption.PngCompress = 0;
    ASSERT_FALSE(SaveAs(Out(QStringLiteral("a.bmp")), 3).has_value());
    const auto bmp = ReadBytes(Out(QStringLiteral("a.bmp")));
    ASSERT_GT(bmp.size(), 30u);
    EXPECT_EQ(bmp[28] | (bmp[29] << 8), 16) << "bits per pixel";

    // Level 0 stores the image data: the file is larger than the raw pixels.
    ASSERT_FALSE(SaveAs(Out(QStringLiteral("a.png")), 2).has_value());
    EXPECT_GT(ReadBytes(Out(QStringLiteral("a.png"))).size(), std::size_t(40 * 30 * 3));
}

TEST_F(SaveThroughTheWindow, CancellingTheDialogDoesNothing) {
    win->SavePicDlg->Chooser = [](TSaveDialog&) { return false; };
    TMessageBoxAnswerer box(QMessageBox::Ok);
    win->Action(QStringLiteral("ActSave"))->trigger();
    EXPECT_FALSE(box.Seen);
    EXPECT_FALSE(win->Document().Saved);
    EXPECT_NE(win->Document().SelectedLayer, nullptr) << "nothing was rendered";
    EXPECT_TRUE(win->LogFileMain.Entries().empty());
    EXPECT_TRUE(QDir(outDir.path()).isEmpty());
    EXPECT_EQ(win->SavePicDlg->DefaultExt(), QStringLiteral("*.jpg"));
}

TEST_F(SaveThroughTheWindow, AFailedSaveIsShownAndChangesNeitherFileNorSavedNorLog) {
    struct Case {
        const char* Name;
        const char* File;
        int Index;
        bool FolderThere; // File is a folder
        bool OldFile;     // File holds an earlier file
        int CanvasWidth;  // 0: the fixture's canvas
    };
    const Case cases[] = {
        {"missing folder", "missing/x.png", 2, false, false, 0},
        {"a folder where the file should be", "taken.png", 2, true, false, 0},
        {"an encoder that refuses the picture keeps the old file", "old.jpg", 1, false, true,
         65600},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const QString file = Out(QString::fromLatin1(c.File));
        if (c.FolderThere) {
            ASSERT_TRUE(QDir().mkpath(file));
        }
        if (c.OldFile) {
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("the earlier picture");
        }
        if (c.CanvasWidth)
            win->SetCanvas(c.CanvasWidth, 1, 0xFFFFFFFFu);
        win->Document().Saved = false;

        const auto error = SaveAs(file, c.Index);
        ASSERT_TRUE(error.has_value());
        EXPECT_FALSE(error->isEmpty());
        if (!c.CanvasWidth) {
            EXPECT_TRUE(error->contains(QString::fromLatin1(c.File))) << error->toStdString();
        }
        EXPECT_FALSE(win->Document().Saved);
        EXPECT_TRUE(win->LogFileMain.Entries().empty());
        EXPECT_EQ(QFileInfo(file).isDir(), c.FolderThere);
        if (c.OldFile) {
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            EXPECT_EQ(f.readAll(), QByteArray("the earlier picture"));
        }
        // No temporary file is left behind.
        const QStringList left = QDir(outDir.path()).entryList(QDir::Files | QDir::Hidden);
        EXPECT_EQ(left.size(), c.OldFile ? 1 : 0) << left.join(' ').toStdString();
        EXPECT_TRUE(win->isVisible());
    }
}

TEST_F(SaveThroughTheWindow, ALogThatCannotBeWrittenDoesNotSpoilTheSave) {
    const QString logFile = settingsDir.filePath(QStringLiteral("Log.dat"));
    QFile::remove(logFile);
    ASSERT_TRUE(QDir().mkpath(logFile));
    const auto error = SaveAs(Out(QStringLiteral("x.png")), 2);
    if (error) {
        ADD_FAILURE() << error->toStdString();
    }
    EXPECT_TRUE(win->Document().Saved);
    EXPECT_TRUE(QFileInfo(Out(QStringLiteral("x.png"))).isFile());
    // The entry is held in memory.
    ASSERT_EQ(win->LogFileMain.Entries().size(), 1u);
}

TEST_F(SaveThroughTheWindow, ExitYesSavesThePictureThenCloses) {
    const QString file = Out(QStringLiteral("on-exit.jpg"));
    win->SavePicDlg->Chooser = [file](TSaveDialog& d) {
        d.FileName = file;
        d.FilterIndex = 1;
        return true;
    };
    TMessageBoxAnswerer box(QMessageBox::Yes);
    win->Action(QStringLiteral("ActExit"))->trigger();
    EXPECT_TRUE(box.Seen);
    EXPECT_TRUE(win->Document().Saved);
    EXPECT_TRUE(QFileInfo(file).isFile());
    EXPECT_EQ(win->LogFileMain.Entries().size(), 1u);
    EXPECT_FALSE(win->isVisible());
}

TEST_F(SaveThroughTheWindow, TheDialogRemembersItsChoiceForTheNextSave) {
    ASSERT_FALSE(SaveAs(Out(QStringLiteral("first.png")), 2).has_value());
    QString seenName;
    int seenIndex = 0;
    win->SavePicDlg->Chooser = [&](TSaveDialog& d) {
        seenName = d.FileName;
        seenIndex = d.FilterIndex;
        return false;
    };
    win->Action(QStringLiteral("ActSave"))->trigger();
    EXPECT_EQ(seenName, Out(QStringLiteral("first.png")));
    EXPECT_EQ(seenIndex, 2);
}

} // namespace
