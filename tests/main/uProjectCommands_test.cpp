// The window's project commands: saved in one run and opened in another with
// the same picture, the caption and the questions that follow the project,
// missing pictures looked for elsewhere, and files that are refused.
#include "main/uProjectCommands.h"

#include "CommUnit/TIntegerEdit.h"
#include "codecs/uCodecRegistry.h"
#include "document/uMergeCommandLine.h"
#include "document/uProjectFile.h"
#include "engine/TImgView32.h"
#include "layout/TLayoutFieldControls.h"
#include "layout/uResetPic.h"
#include "main/uProgramInfo.h"
#include "tests/document/PictureCompare.h"
#include "tests/document/TestFiles.h"
#include "tests/main/MainWindowFixture.h"

#include <QAction>
#include <QPushButton>
#include <QStackedWidget>

#include <sstream>

namespace {

// Answers every message box that opens while it lives, the n-th with
// Buttons[n] (Ok once they run out), and keeps their titles and texts.
class TMessageBoxes {
public:
    explicit TMessageBoxes(std::vector<QMessageBox::StandardButton> Buttons = {})
        : FButtons(std::move(Buttons)) {
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            Titles << box->windowTitle();
            Texts << box->text();
            const std::size_t n = std::size_t(Titles.size() - 1);
            QAbstractButton* b = box->button(n < FButtons.size() ? FButtons[n] : QMessageBox::Ok);
            if (b)
                b->click();
            else
                box->reject();
        });
        FTimer.start(5);
    }
    QStringList Titles;
    QStringList Texts;

private:
    std::vector<QMessageBox::StandardButton> FButtons;
    QTimer FTimer;
};

class ProjectCommands : public MainWindowTest {
protected:
    QString Caption(const QString& Project) const {
        return Project + QStringLiteral(" - Tessellon V") + QString::fromLatin1(kProgramVersion);
    }
    QAction* Act(TfrmMain& Win, const char* Name) { return Win.Action(QString::fromLatin1(Name)); }
    std::unique_ptr<TBitmap32> Render(TfrmMain& Win) {
        auto picture = std::make_unique<TBitmap32>();
        Win.RenderMergedPicture(*picture);
        return picture;
    }
    // A grid of three pictures, one of them flipped and turned, and a text.
    void EditedGrid(TfrmMain& Win) {
        IniOption.RowNumber = 2;
        IniOption.ColNumber = 2;
        IniOption.ResizeWidth = 40;
        IniOption.ResizeHeight = 30;
        IniOption.Space = 3;
        TMergeDocument& doc = Win.Document();
        doc.GridMode = true;
        doc.AddPictures(Pictures(3, 24, 36));
        Win.RebuildPicture();
        doc.SelectLayer(Win.ImgView->Layers().Items(1));
        Act(Win, "ActFlipHorz")->trigger();
        Act(Win, "ActRotate90")->trigger();
        doc.AddTextLayer(QStringLiteral("Tag"), TPoint{40, 30});
        Win.UpdateActions();
    }
    void SaveProjectAs(TfrmMain& Win, const QString& File) {
        Win.Projects->SaveDlg->Chooser = [File](TSaveDialog& d) {
            d.FileName = File;
            return true;
        };
        Act(Win, "ActSaveProject")->trigger();
    }
    void OpenProject(TfrmMain& Win, const QString& File) {
        Win.Projects->OpenDlg->Chooser = [File](TPictureOpenDialog& d, const QString&) {
            d.Files = QStringList{File};
            return true;
        };
        Act(Win, "ActOpenProject")->trigger();
    }
};

TEST_F(ProjectCommands, SavedInOneRunOpensInAnotherAsTheSamePicture) {
    auto win = Start();
    EditedGrid(*win);
    const QString file = pictureDir.filePath(QStringLiteral("album.tessellon"));
    // A name typed without its extension gets it.
    SaveProjectAs(*win, pictureDir.filePath(QStringLiteral("album")));
    ASSERT_TRUE(QFile::exists(file));
    EXPECT_EQ(win->windowTitle(), Caption(QStringLiteral("album")));
    const auto saved = Render(*win); // drops the selection
    win->Document().SelectLayer(win->ImgView->Layers().Items(0));
    Act(*win, "ActFlipVert")->trigger();
    EXPECT_EQ(win->windowTitle(), Caption(QStringLiteral("album*")));
    Act(*win, "ActUndo")->trigger();
    EXPECT_EQ(win->windowTitle(), Caption(QStringLiteral("album"))) << "back where it was saved";

    // The desktop program's picture and the command line's are the same.
    const QString byWindow = pictureDir.filePath(QStringLiteral("window.png"));
    win->SavePicDlg->Chooser = [byWindow](TSaveDialog& d) {
        d.FileName = byWindow;
        d.FilterIndex = 2;
        return true;
    };
    Act(*win, "ActSave")->trigger();
    const QString byLine = pictureDir.filePath(QStringLiteral("line.png"));
    std::ostringstream err;
    ASSERT_EQ(RunMergeJob(ParseMergeArguments({"--project", file.toStdString(), "-o",
                                               byLine.toStdString(), "--quiet"}),
                          err),
              kMergeOk)
        << err.str();
    const TDecodedPicture a = DecodePictureFile(byWindow.toStdString());
    const TDecodedPicture b = DecodePictureFile(byLine.toStdString());
    ASSERT_TRUE(a.Width == b.Width && a.Height == b.Height && a.Width > 0);
    for (int y = 0; y < a.Height; ++y)
        for (int x = 0; x < a.Width; ++x)
            ASSERT_EQ(a.Pixel(x, y), b.Pixel(x, y)) << x << "," << y;
    win.reset();

    // The next run has other settings; the project brings its own for this
    // document alone.
    auto next = Start();
    IniOption.RowNumber = 5;
    IniOption.ResizeWidth = 70;
    const TMergeLayout userLayout = TMergeLayout::FromOption(IniOption);
    OpenProject(*next, file);
    EXPECT_TRUE(SamePicture(*saved, *Render(*next), "window-reopened"));
    EXPECT_EQ(next->windowTitle(), Caption(QStringLiteral("album")));
    EXPECT_FALSE(Act(*next, "ActUndo")->isEnabled()) << "its history starts empty";
    EXPECT_TRUE(Act(*next, "ActDelPic")->isEnabled()) << "a grid's commands";
    EXPECT_TRUE(SameLayout(TMergeLayout::FromOption(IniOption), userLayout));
    // A rebuild of the list goes by the project's layout.
    next->RebuildPicture();
    EXPECT_EQ(next->Document().BuiltLayout().Grid.RowNumber, 2);
    EXPECT_EQ(next->windowTitle(), Caption(QStringLiteral("album*")));
    // Reset shows and changes the project's layout, not the user's.
    {
        TWhenModal<TfrmReset> reset([](TfrmReset& r) {
            EXPECT_EQ(r.Fields.edtRows->value(), 2);
            r.Fields.edtRows->setValue(1);
            r.btnOK->click();
        });
        Act(*next, "ActReset")->trigger();
        ASSERT_TRUE(reset.Ran);
    }
    EXPECT_EQ(next->Document().BuiltLayout().Grid.RowNumber, 1);
    EXPECT_TRUE(SameLayout(TMergeLayout::FromOption(IniOption), userLayout));
    next->close();
    EXPECT_TRUE(ReadSetupIni().contains(QStringLiteral("RowNumber=5")))
        << ReadSetupIni().toStdString();
}

TEST_F(ProjectCommands, AProjectGivenOnTheCommandLineOpens) {
    auto win = Start();
    EditedGrid(*win);
    const QString saveAs = pictureDir.filePath(QStringLiteral("given.tessellon"));
    SaveProjectAs(*win, saveAs);
    // A file manager may hand over the name in any case.
    const QString file = pictureDir.filePath(QStringLiteral("Given.TESSELLON"));
    ASSERT_TRUE(QFile::rename(saveAs, file));
    const auto saved = Render(*win);
    win.reset();

    auto next = Start();
    // Pictures given with it are not added: the project is the document.
    const std::vector<std::string> given = {Pictures(1)[0], file.toStdString(),
                                            "/no/such/other.tessellon"};
    TMessageBoxes boxes;
    next->OpenPictures(given);
    EXPECT_TRUE(boxes.Texts.isEmpty()) << boxes.Texts.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(SamePicture(*saved, *Render(*next), "given"));
    EXPECT_EQ(next->windowTitle(), Caption(QStringLiteral("Given")));
    EXPECT_EQ(next->PageListMain->currentWidget(), next->plImgView);
    EXPECT_FALSE(Act(*next, "ActUndo")->isEnabled());

    // One that cannot be read says why and leaves the welcome page.
    auto third = Start();
    const QString bad = pictureDir.filePath(QStringLiteral("bad.tessellon"));
    WriteFile(bad, "GIF89a");
    EXPECT_THROW(third->OpenPictures({bad.toStdString()}), std::exception);
    EXPECT_EQ(third->PageListMain->currentWidget(), third->plWelcome);
    EXPECT_TRUE(third->Document().PicFileList.empty());
}

TEST_F(ProjectCommands, ExitNewAndOpenAskAboutUnsavedProjectChanges) {
    const struct {
        const char* Name;
        const char* Command;
        bool Edited;
        QMessageBox::StandardButton Answer;
        bool Asked;
        bool Written;
    } cases[] = {
        {"Exit, edited, Yes: saved", "ActExit", true, QMessageBox::Yes, true, true},
        {"Exit, edited, No: left", "ActExit", true, QMessageBox::No, true, false},
        {"Exit, saved: no question, not even the picture's", "ActExit", false, QMessageBox::Yes,
         false, false},
        {"New, edited, Yes: saved", "ActFileNew", true, QMessageBox::Yes, true, true},
        {"Open, edited, Yes: saved", "ActOpenProject", true, QMessageBox::Yes, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        auto win = Start();
        EditedGrid(*win);
        const QString file = pictureDir.filePath(QStringLiteral("q.tessellon"));
        SaveProjectAs(*win, file);
        const QByteArray before = ReadAll(file);
        ASSERT_FALSE(win->Document().Saved) << "the picture itself was never saved";
        if (c.Edited)
            Act(*win, "ActRotate180")->trigger();
        TMessageBoxes boxes({c.Answer});
        TWhenModal<TfrmWizard> wizard([](TfrmWizard&) {}); // New's wizard, cancelled
        Act(*win, c.Command)->trigger();
        ASSERT_EQ(boxes.Texts.size(), c.Asked ? 1 : 0) << boxes.Texts.join(QLatin1Char('|')).toStdString();
        if (c.Asked) {
            EXPECT_EQ(boxes.Texts[0],
                      QStringLiteral("The project \"q\" has unsaved changes. Do you want to save "
                                     "them now?"));
        }
        EXPECT_EQ(ReadAll(file) != before, c.Written);
        if (QLatin1String(c.Command) == QLatin1String("ActExit")) {
            EXPECT_FALSE(win->isVisible());
        }
    }
}

// A project that cannot be saved on the way out keeps the window open with
// the error, so that no change is lost unasked.
TEST_F(ProjectCommands, ExitStaysWhenTheProjectCannotBeSaved) {
    auto win = Start();
    EditedGrid(*win);
    const QString file = pictureDir.filePath(QStringLiteral("q.tessellon"));
    SaveProjectAs(*win, file);
    Act(*win, "ActRotate180")->trigger();
    ASSERT_TRUE(QFile::remove(file));
    ASSERT_TRUE(QDir().mkdir(file)); // a folder where the file was
    TMessageBoxes boxes({QMessageBox::Yes});
    Act(*win, "ActExit")->trigger();
    ASSERT_EQ(boxes.Texts.size(), 2);
    EXPECT_TRUE(boxes.Texts[1].contains(QStringLiteral("q.tessellon"))) << boxes.Texts[1].toStdString();
    EXPECT_TRUE(win->isVisible());
    EXPECT_EQ(win->windowTitle(), Caption(QStringLiteral("q*")));
}

TEST_F(ProjectCommands, MissingPicturesAreLookedForElsewhereAndWhatIsLeftOutIsSaidOnce) {
    auto win = Start();
    EditedGrid(*win);
    const auto saved = Render(*win);
    const QString file = pictureDir.filePath(QStringLiteral("trip.tessellon"));
    SaveProjectAs(*win, file);
    win.reset();
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QFile::rename(pictureDir.filePath(QStringLiteral("pic0.png")),
                              elsewhere.filePath(QStringLiteral("pic0.png"))));
    const QString pic0 = QDir::toNativeSeparators(pictureDir.filePath(QStringLiteral("pic0.png")));
    {
        // Found in the folder chosen: the same picture, the file to be saved again.
        auto next = Start();
        QString shown;
        next->Projects->FolderChooser = [&](const QString& Initial, QString& Chosen) {
            shown = Initial;
            Chosen = elsewhere.path();
            return true;
        };
        TMessageBoxes boxes({QMessageBox::Yes});
        OpenProject(*next, file);
        ASSERT_EQ(boxes.Titles, QStringList{QStringLiteral("Missing Pictures")});
        EXPECT_TRUE(boxes.Texts[0].contains(pic0)) << boxes.Texts[0].toStdString();
        EXPECT_EQ(shown, pictureDir.path()) << "the search starts beside the project";
        EXPECT_TRUE(SamePicture(*saved, *Render(*next), "relinked-in-window"));
        EXPECT_EQ(next->windowTitle(), Caption(QStringLiteral("trip*")));
    }
    {
        // Declined: left out without a further word, while a picture that is
        // there but cannot be read is told once.
        WriteFile(pictureDir.filePath(QStringLiteral("pic1.png")), "not a picture");
        auto next = Start();
        TMessageBoxes boxes({QMessageBox::No});
        OpenProject(*next, file);
        ASSERT_EQ(boxes.Titles, (QStringList{QStringLiteral("Missing Pictures"),
                                             QStringLiteral("Pictures Left Out")}));
        EXPECT_FALSE(boxes.Texts[1].contains(pic0));
        EXPECT_TRUE(boxes.Texts[1].contains(QStringLiteral("pic1.png")));
        EXPECT_EQ(next->Document().PicFileList.size(), 1u);
    }
}

TEST_F(ProjectCommands, RefusedFilesChangeNothing) {
    auto win = Start();
    EditedGrid(*win);
    win->Document().MarkSaved(); // nothing to ask about before opening
    const auto before = Render(*win);
    const std::size_t steps = win->Document().History.Count();
    const QString title = win->windowTitle();
    const struct {
        const char* Text;
        const char* Says;
    } cases[] = {
        {"GIF89a", "is not a Tessellon project"},
        {R"({"format": "tessellon-project", "version": 7})", "newer version"},
        {R"({"format": "tessellon-project", "version": 1, "mode": "grid"})", "is damaged"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        const QString file = pictureDir.filePath(QStringLiteral("bad.tessellon"));
        WriteFile(file, c.Text);
        TMessageBoxes boxes;
        OpenProject(*win, file);
        ASSERT_EQ(boxes.Texts.size(), 1);
        EXPECT_TRUE(boxes.Texts[0].contains(QString::fromLatin1(c.Says)))
            << boxes.Texts[0].toStdString();
        EXPECT_TRUE(SamePicture(*before, *Render(*win), "refused"));
        EXPECT_EQ(win->Document().History.Count(), steps);
        EXPECT_EQ(win->windowTitle(), title);
    }
}

} // namespace
