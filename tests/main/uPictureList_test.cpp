#include "CommUnit/TThumbnailViewer.h"
#include "engine/TImgView32.h"
#include "main/TLeftPanel.h"
#include "main/uOpenPicturesDialog.h"
#include "tests/document/TestFiles.h"
#include "tests/main/MainWindowFixture.h"

#include <QAction>
#include <QTimer>
#include <QToolButton>

namespace {

class PictureList : public MainWindowTest {
protected:
    std::unique_ptr<TfrmMain> win;
    TMergeDocument* doc = nullptr;
    TThumbnailViewer* list = nullptr;

    void SetUp() override {
        MainWindowTest::SetUp();
        win = Start();
        doc = &win->Document();
        list = win->LeftPanel->lvPicList;
        doc->GridMode = true;
        win->UpdateActions();
    }

    // "Insert Pictures" with the dialog answered by the test.
    void Insert(const std::vector<std::string>& Files) {
        win->OpenPicDlg->Chooser = [Files](TPictureOpenDialog& d, const QString&) {
            for (const std::string& f : Files)
                d.Files << QString::fromStdString(f);
            return true;
        };
        win->Action(QStringLiteral("ActAddPic"))->trigger();
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const std::string& f : doc->PicFileList)
            names.push_back(QFileInfo(QString::fromStdString(f)).fileName().toStdString());
        return names;
    }
    // The reload timer's tick handler, as the timer would run it.
    void Tick() { win->ReloadTimerTimer(); }
    int PictureLayers() const {
        int n = 0;
        for (int i = 0; i < win->ImgView->Layers().Count(); ++i)
            n += dynamic_cast<TBitmapLayer*>(win->ImgView->Layers().Items(i)) != nullptr;
        return n;
    }
};

TEST_F(PictureList, InsertLeavesOutWhatCannotBeReadAndRebuildsOnTheThirdTick) {
    std::vector<std::string> files = Pictures(3, 300, 100);
    WriteFile(QString::fromStdString(files[1]), "not a picture");
    Insert(files);
    EXPECT_EQ(Names(), (std::vector<std::string>{"pic0.png", "pic2.png"}));
    ASSERT_EQ(doc->ImgPicList.size(), 2u);
    for (const QImage& t : doc->ImgPicList)
        EXPECT_EQ(t.size(), QSize(70, 50)) << "stretched whatever its ratio";
    EXPECT_EQ(list->Count(), 2);
    EXPECT_EQ(IniOption.ScrIniPath.back(), QDir::separator().toLatin1());
    EXPECT_TRUE(win->ReloadTimer->isActive());
    EXPECT_EQ(win->ReloadTimer->interval(), 1000);

    // A file already in the list comes in a second time.
    Insert({files[0]});
    EXPECT_EQ(Names(), (std::vector<std::string>{"pic0.png", "pic2.png", "pic0.png"}));
    EXPECT_EQ(list->Count(), 3);

    Tick();
    Tick();
    EXPECT_EQ(PictureLayers(), 0) << "not before the third tick";
    Tick();
    EXPECT_EQ(PictureLayers(), 3);
    EXPECT_FALSE(win->ReloadTimer->isActive()) << "stopped once the rebuild ran";
    EXPECT_EQ(doc->ReloadTicks, 0);
}

TEST_F(PictureList, ThreeChangesWithinASecondCauseOneRebuild) {
    Insert(Pictures(4));
    Tick();
    Tick();
    // Two more changes before the rebuild was due put it off again.
    list->SetSelectedIndex(1);
    win->Action(QStringLiteral("ActDownPic"))->trigger();
    win->Action(QStringLiteral("ActUpPic"))->trigger();
    Tick();
    Tick();
    EXPECT_EQ(PictureLayers(), 0);
    Tick();
    EXPECT_EQ(PictureLayers(), 4);
    EXPECT_FALSE(win->ReloadTimer->isActive()) << "no further rebuild comes of it";
}

TEST_F(PictureList, DeleteAndMoveKeepTheSelectionRules) {
    Insert(Pictures(3));
    const QImage second = doc->ImgPicList[1];
    win->CancelReload();

    // Nothing selected: nothing happens, no timer.
    list->SetSelectedIndex(-1);
    win->Action(QStringLiteral("ActDelPic"))->trigger();
    EXPECT_EQ(doc->PicFileList.size(), 3u);
    EXPECT_FALSE(win->ReloadTimer->isActive());

    // C selected: up gives A, C, B with C selected; down on the last does nothing.
    list->SetSelectedIndex(2);
    win->Action(QStringLiteral("ActUpPic"))->trigger();
    EXPECT_EQ(Names(), (std::vector<std::string>{"pic0.png", "pic2.png", "pic1.png"}));
    EXPECT_EQ(list->SelectedIndex(), 1);
    EXPECT_EQ(doc->ImgPicList[2], second) << "the thumbnail moved with its entry";
    list->SetSelectedIndex(2);
    win->Action(QStringLiteral("ActDownPic"))->trigger();
    list->SetSelectedIndex(0);
    win->Action(QStringLiteral("ActUpPic"))->trigger();
    EXPECT_EQ(Names(), (std::vector<std::string>{"pic0.png", "pic2.png", "pic1.png"}));

    // Deleting entry 1 while it is selected leaves the next one selected;
    // deleting the last one leaves nothing selected.
    list->SetSelectedIndex(1);
    win->Action(QStringLiteral("ActDelPic"))->trigger();
    EXPECT_EQ(Names(), (std::vector<std::string>{"pic0.png", "pic1.png"}));
    EXPECT_EQ(list->SelectedIndex(), 1);
    win->Action(QStringLiteral("ActDelPic"))->trigger();
    EXPECT_EQ(list->SelectedIndex(), -1);
    EXPECT_EQ(doc->ImgPicList.size(), 1u);
    EXPECT_TRUE(win->ReloadTimer->isActive());
}

TEST_F(PictureList, APressChoosesThePictureForTheStatusBar) {
    Insert(Pictures(2));
    const QRect first = list->ItemRect(0);
    QTest::mousePress(list->viewport(), Qt::LeftButton, Qt::NoModifier, first.center());
    EXPECT_EQ(doc->CurrentPicFile, doc->PicFileList[0]);
    EXPECT_EQ(win->StatusPanelText(1), QString::fromStdString(doc->PicFileList[0]));
    EXPECT_TRUE(win->Action(QStringLiteral("ActEditPic"))->isEnabled());
    // A press on empty space below the thumbnails changes nothing.
    QTest::mousePress(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(first.center().x(), list->viewport()->height() - 3));
    EXPECT_EQ(list->SelectedIndex(), -1);
    EXPECT_EQ(win->StatusPanelText(1), QString::fromStdString(doc->PicFileList[0]));
}

TEST_F(PictureList, ATickDuringARebuildWaitsAndIsNotLost) {
    Insert(Pictures(5));
    win->CancelReload();
    doc->ReloadTicks = 2;
    // The tick arrives while a rebuild lets events through: it waits for the
    // end and then brings the due rebuild.
    int ticked = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        timer.stop();
        ++ticked;
        Tick();
        EXPECT_TRUE(doc->Busy());
    });
    timer.start(0);
    doc->PicFileList.resize(5);
    win->RebuildPicture();
    EXPECT_EQ(ticked, 1);
    EXPECT_EQ(doc->ReloadTicks, 0) << "the waiting tick ran after the rebuild";
    EXPECT_EQ(PictureLayers(), 5);
}

TEST_F(PictureList, TheButtonsRunTheCommands) {
    EXPECT_EQ(win->LeftPanel->btnAdd->text(), QStringLiteral("Insert"));
    EXPECT_EQ(win->LeftPanel->btnAdd->toolTip(), QStringLiteral("Insert a new picture"));
    EXPECT_EQ(win->LeftPanel->btnDown->toolTip(), QStringLiteral("Move down the selected picture"));
    Insert(Pictures(2));
    list->SetSelectedIndex(1);
    win->LeftPanel->btnUp->click();
    EXPECT_EQ(Names(), (std::vector<std::string>{"pic1.png", "pic0.png"}));
    // In an empty picture the list's commands are off.
    doc->GridMode = false;
    win->UpdateActions();
    EXPECT_FALSE(win->LeftPanel->btnDel->isEnabled());
}

} // namespace
