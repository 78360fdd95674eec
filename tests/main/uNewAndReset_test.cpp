#include "CommUnit/TIntegerEdit.h"
#include "CommUnit/TPictureOpenDialog.h"
#include "CommUnit/TThumbnailViewer.h"
#include "engine/TImgView32.h"
#include "layout/uResetPic.h"
#include "layout/uWizard.h"
#include "main/TLeftPanel.h"
#include "tests/document/TestFiles.h"
#include "tests/main/MainWindowFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTableWidget>

#include <stdexcept>

namespace {

// Answers the message boxes that come up one after the other with Buttons,
// in order, and keeps their titles.
class TBoxSequence {
public:
    explicit TBoxSequence(std::vector<QMessageBox::StandardButton> Buttons)
        : FButtons(std::move(Buttons)) {
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || box == FLast || std::size_t(Titles.size()) >= FButtons.size())
                return;
            FLast = box;
            const QMessageBox::StandardButton b = FButtons[std::size_t(Titles.size())];
            Titles << box->windowTitle();
            box->button(b)->click();
        });
        FTimer.start(5);
    }
    QStringList Titles;

private:
    std::vector<QMessageBox::StandardButton> FButtons;
    QMessageBox* FLast = nullptr;
    QTimer FTimer;
};

// A main window whose canvas page fails to show while Fail is set, to make a
// rebuild fail part-way.
class TFailingMain : public TfrmMain {
public:
    using TfrmMain::TfrmMain;
    bool Fail = false;
    void ShowCanvasPage() override {
        if (Fail)
            throw std::runtime_error("The canvas cannot be shown.");
        TfrmMain::ShowCanvasPage();
    }
};

class NewAndReset : public StartedWindowTest {
protected:
    QAction* Action(const char* name) { return win->Action(QString::fromLatin1(name)); }

    // Page 1 to page 3 of a grid with Sample, then the files added.
    static void ToPictures(TfrmWizard& w, const std::string& sample,
                           const std::vector<std::string>& files) {
        w.rbWizard->click();
        w.feSampleFile->setText(QString::fromStdString(sample));
        w.btnNext->click();
        w.btnNext->click();
        w.OpenPicDlg->Chooser = [files](TPictureOpenDialog& d, const QString&) {
            for (const std::string& f : files)
                d.Files << QString::fromStdString(f);
            return true;
        };
        w.btnAdd->click();
    }
    // A grid made by New with Files; Saved answers the save question if asked.
    void NewGrid(const std::vector<std::string>& files) {
        TBoxSequence no({QMessageBox::No});
        TWhenModal<TfrmWizard> run([&](TfrmWizard& w) {
            ToPictures(w, files.front(), files);
            w.btnFinish->click();
        });
        Action("ActFileNew")->trigger();
        ASSERT_TRUE(run.Ran);
    }
    int PictureLayers() const {
        int n = 0;
        for (int i = 0; i < win->ImgView->Layers().Count(); ++i)
            n += dynamic_cast<TBitmapLayer*>(win->ImgView->Layers().Items(i)) != nullptr;
        return n;
    }
    TBitmapLayer* PictureLayer(int index) const {
        int n = 0;
        for (int i = 0; i < win->ImgView->Layers().Count(); ++i)
            if (auto* l = dynamic_cast<TBitmapLayer*>(win->ImgView->Layers().Items(i)))
                if (n++ == index)
                    return l;
        return nullptr;
    }
    QSize CanvasSize() const {
        return QSize(win->ImgView->Bitmap().Width(), win->ImgView->Bitmap().Height());
    }
};

TEST_F(NewAndReset, FirstEmptyPictureWithTheDefaults) {
    TWhenModal<TfrmWizard> run([](TfrmWizard& w) {
        EXPECT_FALSE(w.btnNext->isEnabled());
        EXPECT_FALSE(w.btnFinish->isEnabled());
        EXPECT_TRUE(w.btnCancel->isEnabled());
        w.rbEmpty->click();
        EXPECT_TRUE(w.edtPicWidth->isEnabled());
        EXPECT_TRUE(w.edtPicHeight->isEnabled());
        w.btnFinish->click();
    });
    QTest::keyClick(win.get(), Qt::Key_N, Qt::ControlModifier);
    ASSERT_TRUE(run.Ran) << "Ctrl+N opens the wizard";
    EXPECT_FALSE(doc->GridMode);
    EXPECT_TRUE(doc->PicFileList.empty());
    EXPECT_EQ(CanvasSize(), QSize(480, 640));
    EXPECT_EQ(win->ImgView->Bitmap().Pixel(5, 5), 0xFFFFFFFFu);
    EXPECT_EQ(win->ImgView->Layers().Count(), 0);
    EXPECT_EQ(win->PageListMain->currentWidget(), win->plImgView);
    EXPECT_EQ(win->LeftPanel->TabBarLeft->currentIndex(), 1);
    EXPECT_EQ(win->LeftPanel->plLeft->currentWidget(), win->LeftPanel->lpPicture);
    EXPECT_FALSE(doc->Saved);
    EXPECT_TRUE(Action("ActSave")->isEnabled());
    EXPECT_FALSE(Action("ActReset")->isEnabled());
    EXPECT_FALSE(win->frmWizard->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(NewAndReset, GridLeavesOutAPictureThatCannotBeLoaded) {
    std::vector<std::string> files = Pictures(3);
    WriteFile(QString::fromStdString(files[1]), "not a picture");
    win->LeftPanel->ShowPage(1);
    NewGrid(files);
    EXPECT_TRUE(doc->GridMode);
    EXPECT_EQ(doc->PicFileList, (std::vector<std::string>{files[0], files[2]}));
    EXPECT_EQ(doc->ImgPicList.size(), 2u);
    EXPECT_EQ(win->LeftPanel->lvPicList->Count(), 2);
    ASSERT_EQ(PictureLayers(), 2);
    EXPECT_EQ(PictureLayer(0)->Location().Left, 2.0f);
    EXPECT_EQ(PictureLayer(1)->Location().Left, 244.0f) << "the third picture takes cell 1";
    EXPECT_EQ(PictureLayer(1)->Location().Top, 2.0f);
    EXPECT_EQ(win->frmWizard->lvPictures->rowCount(), 0) << "a grid empties the wizard's list";
    EXPECT_EQ(win->LeftPanel->TabBarLeft->currentIndex(), 0);
    EXPECT_EQ(win->LeftPanel->plLeft->currentWidget(), win->LeftPanel->lpProperties);
    EXPECT_TRUE(Action("ActReset")->isEnabled());
    EXPECT_FALSE(doc->Saved);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(NewAndReset, CancelKeepsTheChangedRowsForTheNextRebuild) {
    const std::vector<std::string> files = Pictures(2);
    NewGrid(files);
    ASSERT_EQ(CanvasSize(), QSize(486, 890));
    TBoxSequence no({QMessageBox::No});
    TWhenModal<TfrmWizard> run([&](TfrmWizard& w) {
        EXPECT_EQ(w.lvPictures->rowCount(), 0);
        w.feSampleFile->setText(QString::fromStdString(files[0]));
        w.btnNext->click();
        w.Fields.edtRows->setValue(6);
        w.btnCancel->click();
    });
    Action("ActFileNew")->trigger();
    ASSERT_TRUE(run.Ran);
    EXPECT_EQ(no.Titles, QStringList{QStringLiteral("Confirmation")});
    EXPECT_EQ(IniOption.RowNumber, 6);
    EXPECT_EQ(CanvasSize(), QSize(486, 890)) << "the picture is as it was";
    EXPECT_EQ(doc->PicFileList.size(), 2u);

    win->OpenPicDlg->Chooser = [&](TPictureOpenDialog& d, const QString&) {
        d.Files << QString::fromStdString(files[1]);
        return true;
    };
    Action("ActAddPic")->trigger();
    for (int i = 0; i < 3; ++i)
        win->ReloadTimerTimer();
    EXPECT_EQ(CanvasSize(), QSize(486, 6 * 220 + 7 * 2));
}

TEST_F(NewAndReset, TheSaveQuestion) {
    NewGrid(Pictures(1));
    ASSERT_FALSE(doc->Saved);

    // Yes, then a cancelled save dialog: the wizard still opens.
    int saveDialogs = 0;
    win->SavePicDlg->Chooser = [&](TSaveDialog&) {
        ++saveDialogs;
        return false;
    };
    {
        TBoxSequence yes({QMessageBox::Yes});
        TWhenModal<TfrmWizard> run([](TfrmWizard& w) { w.reject(); });
        Action("ActFileNew")->trigger();
        EXPECT_EQ(yes.Titles, QStringList{QStringLiteral("Confirmation")});
        EXPECT_EQ(saveDialogs, 1);
        EXPECT_TRUE(run.Ran);
    }

    // Yes, then a save that fails: its error, and New ends there.
    win->SavePicDlg->Chooser = [&](TSaveDialog& d) {
        d.FileName = pictureDir.filePath(QStringLiteral("no such folder/x.jpg"));
        d.FilterIndex = 1;
        return true;
    };
    {
        TBoxSequence answers({QMessageBox::Yes, QMessageBox::Ok});
        TWhenModal<TfrmWizard> run([](TfrmWizard& w) { w.reject(); });
        Action("ActFileNew")->trigger();
        EXPECT_EQ(answers.Titles,
                  (QStringList{QStringLiteral("Confirmation"), QApplication::applicationName()}));
        EXPECT_FALSE(run.Ran) << "no wizard after a failed save";
    }
    EXPECT_FALSE(doc->Saved);
    EXPECT_EQ(doc->PicFileList.size(), 1u);
}

TEST_F(NewAndReset, ResetRebuildsOnOkAndKeepsTheValuesOnCancel) {
    NewGrid(Pictures(8));
    ASSERT_EQ(PictureLayers(), 8);
    doc->MarkSaved();
    {
        TWhenModal<TfrmReset> run([](TfrmReset& r) {
            EXPECT_EQ(r.Fields.edtRows->value(), 4);
            r.Fields.edtRows->setValue(2);
            r.btnOK->click();
        });
        Action("ActReset")->trigger();
        ASSERT_TRUE(run.Ran);
    }
    EXPECT_EQ(PictureLayers(), 4) << "2 rows of 2: 4 of the 8 pictures";
    EXPECT_EQ(CanvasSize(), QSize(486, 446));
    EXPECT_EQ(doc->PicFileList.size(), 8u);
    // The picture now differs from the one saved; undoing the reset brings that
    // one back, and with it the saved state.
    EXPECT_FALSE(doc->Saved);
    doc->Undo();
    EXPECT_TRUE(doc->Saved);
    EXPECT_EQ(PictureLayers(), 8);
    doc->Redo();
    EXPECT_EQ(PictureLayers(), 4);

    {
        TWhenModal<TfrmReset> run([](TfrmReset& r) {
            r.Fields.edtRows->setValue(3);
            r.btnCancel->click();
        });
        Action("ActReset")->trigger();
        ASSERT_TRUE(run.Ran);
    }
    EXPECT_EQ(PictureLayers(), 4) << "the picture stays as it was";
    EXPECT_EQ(IniOption.RowNumber, 3);
}

TEST_F(NewAndReset, ReloadTicksWaitWhileTheDialogsAreOpen) {
    NewGrid(Pictures(3));
    win->StartReload();
    doc->ReloadTicks = 1;
    {
        TWhenModal<TfrmReset> run([&](TfrmReset& r) {
            EXPECT_FALSE(win->ReloadTimer->isActive());
            r.btnCancel->click();
        });
        Action("ActReset")->trigger();
    }
    EXPECT_TRUE(win->ReloadTimer->isActive()) << "the list's rebuild still comes";
    EXPECT_EQ(doc->ReloadTicks, 1);
    {
        TBoxSequence no({QMessageBox::No});
        TWhenModal<TfrmWizard> run([&](TfrmWizard& w) {
            EXPECT_FALSE(win->ReloadTimer->isActive());
            w.btnCancel->click();
        });
        Action("ActFileNew")->trigger();
    }
    EXPECT_TRUE(win->ReloadTimer->isActive());
    {
        TWhenModal<TfrmReset> run([](TfrmReset& r) { r.btnOK->click(); });
        Action("ActReset")->trigger();
    }
    EXPECT_FALSE(win->ReloadTimer->isActive()) << "the rebuild of OK covers the list's";

    win->StartReload();
    NewGrid(Pictures(2));
    EXPECT_FALSE(win->ReloadTimer->isActive()) << "the new picture replaces the list";
}

TEST_F(NewAndReset, FortyEightPhotosStepByStepThenLaidOutAgain) {
    const std::vector<std::string> files = Pictures(48, 64, 48);
    TWhenModal<TfrmWizard> run([&](TfrmWizard& w) {
        w.rbWizard->click();
        w.feSampleFile->setText(QString::fromStdString(files[0]));
        w.Fields.cbAspectRatio->setChecked(true);
        w.btnNext->click();
        EXPECT_EQ(w.Fields.edtResizeHeight->value(), 180) << "the sample's 4:3 from 240 wide";
        w.Fields.edtRows->setValue(8);
        w.Fields.edtCols->setValue(6);
        w.btnNext->click();
        // Several files per Add, in two batches.
        for (int batch = 0; batch < 2; ++batch) {
            w.OpenPicDlg->Chooser = [&, batch](TPictureOpenDialog& d, const QString&) {
                for (int i = 24 * batch; i < 24 * (batch + 1); ++i)
                    d.Files << QString::fromStdString(files[std::size_t(i)]);
                return true;
            };
            w.btnAdd->click();
        }
        EXPECT_EQ(w.lvPictures->rowCount(), 48);
        w.btnFinish->click();
    });
    Action("ActFileNew")->trigger();
    ASSERT_TRUE(run.Ran);
    EXPECT_EQ(doc->PicFileList, files);
    EXPECT_EQ(PictureLayers(), 48);
    EXPECT_EQ(CanvasSize(), QSize(6 * 240 + 7 * 2, 8 * 180 + 9 * 2));

    TWhenModal<TfrmReset> reset([](TfrmReset& r) {
        r.Fields.edtRows->setValue(6);
        r.Fields.edtCols->setValue(8);
        r.Fields.edtResizeWidth->setValue(120);
        r.btnOK->click();
    });
    Action("ActReset")->trigger();
    ASSERT_TRUE(reset.Ran);
    EXPECT_EQ(PictureLayers(), 48);
    EXPECT_EQ(CanvasSize(), QSize(8 * 120 + 9 * 2, 6 * 180 + 7 * 2));
    EXPECT_EQ(PictureLayer(47)->Location().Left, 7 * 120 + 8 * 2);
}

TEST_F(NewAndReset, AnErrorPartWayStillBringsTheCommandsUpToDate) {
    win.reset();
    auto failing = Start<TFailingMain>();
    failing->Fail = true;
    const std::vector<std::string> files = Pictures(2);
    {
        TBoxSequence error({QMessageBox::Ok});
        TWhenModal<TfrmWizard> run([&](TfrmWizard& w) {
            ToPictures(w, files[0], files);
            w.btnFinish->click();
        });
        failing->Action(QStringLiteral("ActFileNew"))->trigger();
        ASSERT_TRUE(run.Ran);
        EXPECT_EQ(error.Titles, QStringList{QApplication::applicationName()});
    }
    TMergeDocument& d = failing->Document();
    EXPECT_TRUE(d.GridMode);
    EXPECT_FALSE(d.Saved);
    EXPECT_EQ(d.PicFileList.size(), 2u);
    EXPECT_TRUE(failing->Action(QStringLiteral("ActReset"))->isEnabled());
    EXPECT_FALSE(failing->frmWizard->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(d.Busy());

    // Reset reports its error the same way and gives the cursor back.
    {
        TBoxSequence error({QMessageBox::Ok});
        TWhenModal<TfrmReset> run([](TfrmReset& r) { r.btnOK->click(); });
        failing->Action(QStringLiteral("ActReset"))->trigger();
        EXPECT_EQ(error.Titles, QStringList{QApplication::applicationName()});
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

} // namespace
