// The explorer page, the drag of a thumbnail and drops onto the canvas page,
// driven through the main window. Drops are events sent to the page; no real
// drag loop runs.
#include "CommUnit/TThumbnailViewer.h"
#include "engine/TImgView32.h"
#include "main/TExplorerPanel.h"
#include "main/TLeftPanel.h"
#include "main/TPictureDropTarget.h"
#include "tests/main/ExplorerFiles.h"
#include "tests/main/MainWindowFixture.h"

#include <QAction>
#include <QComboBox>
#include <QDrag>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QStatusBar>
#include <QTabBar>
#include <QToolButton>
#include <QUrl>

namespace {

class Explorer : public MainWindowTest {
protected:
    std::unique_ptr<TfrmMain> win;
    TMergeDocument* doc = nullptr;
    TExplorerPanel* panel = nullptr;
    QDir folder;

    void SetUp() override {
        MainWindowTest::SetUp();
        win = Start();
        doc = &win->Document();
        panel = win->ExplorerPanel;
        // Apart from the pictures of the picture list.
        ASSERT_TRUE(QDir(pictureDir.path()).mkdir(QStringLiteral("explorer")));
        folder = QDir(pictureDir.filePath(QStringLiteral("explorer")));
    }

    // The explorer tab, first visited with ScrIniPath naming Folder.
    void Visit(const QString& Folder) {
        IniOption.ScrIniPath = QDir::toNativeSeparators(Folder).toStdString() + "/";
        win->LeftPanel->TabBarLeft->setCurrentIndex(1);
        QCoreApplication::processEvents();
    }
    QStringList Captions() const {
        QStringList c;
        for (int i = 0; i < panel->ivLeft->Count(); ++i)
            c << panel->ivLeft->Caption(i);
        return c;
    }
    bool AllInViewDecoded() const {
        const TThumbnailRange r = panel->ivLeft->VisibleRange();
        for (int i = r.First; i >= 0 && i <= r.Last; ++i)
            if (panel->Model().State(i) < TExplorerModel::isReady)
                return false;
        return true;
    }
    void Grid(int Count) {
        doc->GridMode = true;
        doc->AddPictures(Pictures(Count));
        win->RebuildPicture();
        win->UpdateActions();
    }
    void Empty() {
        doc->GridMode = false;
        win->RebuildPicture();
        win->UpdateActions();
    }
    // Where canvas point P is shown, in the page's coordinates.
    QPoint PageOf(TPoint P) const {
        const TPoint v = win->ImgView->BitmapToView(P);
        return win->ImgView->mapTo(win->plImgView, QPoint(v.X, v.Y));
    }
    // A drag entering the page and dropped at Pos; true when the page took it.
    bool DropAt(const QMimeData& Data, QPoint Pos,
                Qt::DropActions Actions = Qt::CopyAction | Qt::MoveAction) {
        QDragEnterEvent enter(Pos, Actions, &Data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(win->plImgView, &enter);
        if (!enter.isAccepted())
            return false;
        EXPECT_NE(enter.dropAction(), Qt::MoveAction) << "a dropped file is never moved";
        QDropEvent drop(QPointF(Pos), Actions, &Data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(win->plImgView, &drop);
        return drop.isAccepted();
    }
    static QMimeData* ExplorerData(const QString& File) {
        auto* data = new QMimeData;
        data->setData(QString::fromLatin1(TPictureDropTarget::kExplorerMimeType), File.toUtf8());
        return data;
    }
    // A left press on item Index of the explorer.
    void Press(int Index) {
        const QPoint at = panel->ivLeft->ItemRect(Index).center();
        QTest::mousePress(panel->ivLeft->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }
    void Release(int Index) {
        const QPoint at = panel->ivLeft->ItemRect(Index).center();
        QTest::mouseRelease(panel->ivLeft->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }
    TBitmapLayer* Selected() const { return dynamic_cast<TBitmapLayer*>(doc->SelectedLayer); }
};

TEST_F(Explorer, FirstVisitShowsTheStartingFolderSorted) {
    WritePicture(folder, QStringLiteral("PHOTO.JPG"), 400, 300);
    WritePicture(folder, QStringLiteral("b.png"), 40, 30);
    WriteFile(folder.filePath(QStringLiteral("readme.txt")), "text");
    EXPECT_TRUE(panel->SelectDir->text().isEmpty());
    EXPECT_TRUE(panel->SelectDir->isReadOnly());
    Visit(folder.path());
    EXPECT_EQ(panel->SelectDir->text(), QDir::toNativeSeparators(folder.path()));
    EXPECT_EQ(Captions(), (QStringList{"b.png", "PHOTO.JPG"}));
    EXPECT_EQ(panel->ivLeft->SelectedIndex(), -1);
    EXPECT_EQ(panel->ivLeft->CellSize(), QSize(140, 120));
    EXPECT_EQ(panel->ivLeft->Layout().Columns(), 1);
    ASSERT_TRUE(WaitFor([&] { return AllInViewDecoded(); }));
    EXPECT_EQ(panel->ivLeft->Image(0).size(), QSize(40, 30)) << "never enlarged";
    EXPECT_LE(panel->ivLeft->Image(1).width(), 136);

    // Later visits keep the folder shown.
    IniOption.ScrIniPath = "/";
    win->LeftPanel->TabBarLeft->setCurrentIndex(0);
    win->LeftPanel->TabBarLeft->setCurrentIndex(1);
    EXPECT_EQ(panel->Folder(), folder.path());
}

TEST_F(Explorer, OnlyWhatComesIntoViewIsDecoded) {
    for (int i = 0; i < 40; ++i)
        WritePicture(folder, QStringLiteral("p%1.jpg").arg(i, 2, 10, QLatin1Char('0')), 640, 480);
    Visit(folder.path());
    ASSERT_EQ(panel->ivLeft->Count(), 40);
    ASSERT_TRUE(WaitFor([&] { return AllInViewDecoded(); }));
    ASSERT_TRUE(WaitFor([&] { return panel->Model().Decoding() == 0; }));
    EXPECT_EQ(panel->Model().State(39), TExplorerModel::isWaiting);
    EXPECT_FALSE(panel->ivLeft->HasImage(39));
    panel->ivLeft->SetSelectedIndex(39); // scrolls it into view
    ASSERT_TRUE(WaitFor([&] { return panel->ivLeft->HasImage(39); }));
}

TEST_F(Explorer, ChoosingAFolderRereadsItAndKeepsScrIniPathWithOneSeparator) {
    QDir unicode(folder.filePath(QStringLiteral("Фото ü")));
    ASSERT_TRUE(folder.mkdir(QStringLiteral("Фото ü")));
    WritePicture(unicode, QStringLiteral("één.png"), 20, 20);
    Visit(folder.path());
    QString offered;
    panel->FolderChooser = [&](const QString& Initial, QString& Chosen) {
        offered = Initial;
        Chosen = unicode.path() + QStringLiteral("//");
        return true;
    };
    panel->SelectDirButton->click();
    EXPECT_EQ(offered, QDir::toNativeSeparators(folder.path()));
    EXPECT_EQ(Captions(), QStringList{QStringLiteral("één.png")});
    const std::string expected = QDir::toNativeSeparators(unicode.path()).toStdString() + "/";
    EXPECT_EQ(IniOption.ScrIniPath, expected);

    // A cancel reads nothing; choosing the folder again shows what changed.
    WritePicture(unicode, QStringLiteral("two.png"), 20, 20);
    panel->FolderChooser = [](const QString&, QString&) { return false; };
    panel->SelectDirButton->click();
    EXPECT_EQ(panel->ivLeft->Count(), 1);
    EXPECT_EQ(IniOption.ScrIniPath, expected);
    panel->FolderChooser = [&](const QString&, QString& Chosen) {
        Chosen = unicode.path();
        return true;
    };
    panel->SelectDirButton->click();
    EXPECT_EQ(Captions(), (QStringList{QStringLiteral("two.png"), QStringLiteral("één.png")}));
    EXPECT_EQ(IniOption.ScrIniPath, expected);
}

TEST_F(Explorer, AnUnreadableFileGetsAPlaceholderAndItsReasonOnce) {
    WritePicture(folder, QStringLiteral("a.png"), 20, 20);
    WriteFile(folder.filePath(QStringLiteral("b.png")), "not a picture");
    WriteFile(folder.filePath(QStringLiteral("c.ani")), "RIFF");
    int boxes = 0;
    TMessageBoxAnswerer answerer(QMessageBox::Ok);
    Visit(folder.path());
    ASSERT_TRUE(WaitFor([&] { return AllInViewDecoded(); }));
    QCoreApplication::processEvents();
    boxes += answerer.Seen;
    EXPECT_EQ(boxes, 0) << "no box from painting";
    EXPECT_TRUE(panel->ivLeft->HasImage(1)) << "a placeholder";
    EXPECT_TRUE(panel->ItemHint(1).startsWith(QStringLiteral("b.png\n")));
    EXPECT_EQ(panel->ItemHint(2), QStringLiteral("c.ani\nUnknown picture file extension (.ani)"));
    EXPECT_FALSE(win->statusBar()->currentMessage().isEmpty());

    // A press on it: nothing can be dragged, nothing is shown again.
    win->statusBar()->clearMessage();
    Press(2);
    Release(2);
    EXPECT_FALSE(panel->DragArmed());
    EXPECT_EQ(doc->CurrentPicFile,
              QDir::toNativeSeparators(folder.filePath("c.ani")).toStdString());
    EXPECT_TRUE(win->statusBar()->currentMessage().isEmpty());
}

TEST_F(Explorer, DraggingAThumbnailOntoAGrid) {
    Grid(3);
    const QString file = WritePicture(folder, QStringLiteral("Ωmega.png"), 300, 150, Qt::red);
    Visit(folder.path());
    EXPECT_FALSE(win->Action(QStringLiteral("ActEditPic"))->isEnabled());
    Press(0);
    EXPECT_EQ(QString::fromStdString(doc->CurrentPicFile), QDir::toNativeSeparators(file));
    EXPECT_TRUE(win->Action(QStringLiteral("ActEditPic"))->isEnabled());
    ASSERT_TRUE(panel->DragArmed());
    // The fitted cell picture of 240 x 220 cells, no larger than an item.
    EXPECT_EQ(panel->DropImg.size(), QSize(131, 120));
    EXPECT_EQ(doc->DragBitmap.Width(), 131);

    // The drag shows the picture with the pointer at (25, 25) and is dropped
    // on the cell in column 1, row 1.
    QSize shown;
    QPoint hotSpot;
    bool taken = false;
    panel->DragRunner = [&](QDrag& Drag) {
        shown = Drag.pixmap().size();
        hotSpot = Drag.hotSpot();
        EXPECT_TRUE(Drag.mimeData()->hasImage());
        taken = DropAt(*Drag.mimeData(), PageOf(TPoint{300, 300}));
        return Qt::CopyAction;
    };
    panel->StartDrag();
    EXPECT_EQ(shown, QSize(131, 120));
    EXPECT_EQ(hotSpot, QPoint(25, 25));
    EXPECT_TRUE(taken);
    ASSERT_EQ(doc->PicFileList.size(), 4u);
    EXPECT_EQ(QString::fromStdString(doc->PicFileList[3]), QDir::toNativeSeparators(file));
    EXPECT_EQ(doc->ImgPicList.size(), 4u);
    EXPECT_EQ(win->LeftPanel->lvPicList->Count(), 4);
    ASSERT_NE(Selected(), nullptr);
    EXPECT_EQ(Selected()->Tag, 3);
    EXPECT_EQ(Selected()->Location().Left, 244);
    EXPECT_EQ(Selected()->Location().Top, 224);
    EXPECT_EQ(win->StatusPanelText(1), QDir::toNativeSeparators(file));
    EXPECT_FALSE(win->ReloadTimer->isActive()) << "a drop does not rebuild";

    // Dropped again: a second entry. Deleting its layer removes that entry.
    EXPECT_TRUE(DropAt(*std::unique_ptr<QMimeData>(ExplorerData(file)), PageOf(TPoint{10, 10})));
    ASSERT_EQ(doc->PicFileList.size(), 5u);
    EXPECT_EQ(Selected()->Tag, 4);
    win->Action(QStringLiteral("ActDeletePicture"))->trigger();
    EXPECT_EQ(doc->PicFileList.size(), 4u);
    EXPECT_EQ(win->LeftPanel->lvPicList->Count(), 4);
}

TEST_F(Explorer, ADragBeginsAfterHoldingOrMovingButNotOnAClick) {
    Empty();
    WritePicture(folder, QStringLiteral("a.png"), 60, 40);
    Visit(folder.path());
    int drags = 0;
    panel->DragRunner = [&](QDrag&) {
        ++drags;
        return Qt::IgnoreAction;
    };
    // A click: released within 500 ms without moving.
    Press(0);
    Release(0);
    QTest::qWait(600);
    EXPECT_EQ(drags, 0);
    // Held still for 500 ms.
    Press(0);
    EXPECT_TRUE(WaitFor([&] { return drags == 1; }));
    Release(0);
    // Moved out of the drag distance once 200 ms have passed.
    Press(0);
    QTest::qWait(250);
    const QPoint far = panel->ivLeft->ItemRect(0).center() + QPoint(0, 40);
    QMouseEvent move(QEvent::MouseMove, far, panel->ivLeft->viewport()->mapToGlobal(far),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(panel->ivLeft->viewport(), &move);
    EXPECT_EQ(drags, 2);
    // Escape ends the wait.
    Release(0);
    Press(0);
    QTest::keyClick(panel->ivLeft, Qt::Key_Escape);
    QTest::qWait(600);
    EXPECT_EQ(drags, 2);
    // A right press only selects nothing new and arms nothing.
    QTest::mousePress(panel->ivLeft->viewport(), Qt::RightButton, Qt::NoModifier,
                      panel->ivLeft->ItemRect(0).center());
    EXPECT_FALSE(panel->DragArmed());
}

TEST_F(Explorer, DropsLandWhereTheyAreDroppedAtAnyZoom) {
    Grid(0);
    const QString file = WritePicture(folder, QStringLiteral("p.png"), 30, 30);
    doc->CurrentPicFile = file.toStdString();
    win->LeftPanel->ScaleCombo->setEditText(QStringLiteral("200%"));
    ASSERT_FLOAT_EQ(win->ImgView->Scale(), 2.0f);
    win->ImgView->CenterOn(300, 500);
    const std::unique_ptr<QMimeData> data(ExplorerData(file));
    ASSERT_TRUE(DropAt(*data, PageOf(TPoint{300, 500})));
    ASSERT_NE(Selected(), nullptr);
    EXPECT_EQ(Selected()->Location().Left, 244);
    EXPECT_EQ(Selected()->Location().Top, 446);

    // An empty canvas at 100 %: the corner under the pointer, off the canvas too.
    Empty();
    win->LeftPanel->ScaleCombo->setEditText(QStringLiteral("100%"));
    const QPoint left = PageOf(TPoint{0, 100}) - QPoint(15, 0);
    ASSERT_TRUE(DropAt(*data, left));
    EXPECT_EQ(Selected()->Location().Left, -15);
    EXPECT_EQ(Selected()->Location().Top, 100);
}

TEST_F(Explorer, FilesFromTheFileManagerAreAddedInTheirOrder) {
    Empty();
    const QString a = WritePicture(folder, QStringLiteral("z.png"), 20, 20);
    const QString b = WritePicture(folder, QStringLiteral("a.png"), 20, 20);
    const QString bad = folder.filePath(QStringLiteral("bad.png"));
    WriteFile(bad, "no picture");
    const QString c = WritePicture(folder, QStringLiteral("m.png"), 20, 20);
    QMimeData uris;
    uris.setUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b), QUrl::fromLocalFile(bad),
                  QUrl(QStringLiteral("https://example.org/x.png")), QUrl::fromLocalFile(c)});
    ASSERT_TRUE(DropAt(uris, PageOf(TPoint{100, 100}), Qt::MoveAction | Qt::CopyAction));
    const TLayerCollection& layers = win->ImgView->Layers();
    ASSERT_EQ(layers.Count(), 4) << "three pictures and the frame";
    // Fanned out by their place in the list, the unreadable one included.
    const int steps[] = {0, 1, 3};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(static_cast<TPositionedLayer*>(layers.Items(i))->Location().Left,
                  100 + steps[i] * 20);
    EXPECT_EQ(QString::fromStdString(doc->CurrentPicFile), c);
    EXPECT_EQ(win->StatusPanelText(1), c);
    EXPECT_TRUE(win->Action(QStringLiteral("ActEditPic"))->isEnabled());

    // Only local files and the explorer's own drag are taken.
    QMimeData text;
    text.setText(QStringLiteral("hello"));
    EXPECT_FALSE(DropAt(text, QPoint(10, 10)));
    QMimeData bitmap;
    bitmap.setImageData(QImage(5, 5, QImage::Format_RGB32));
    EXPECT_FALSE(DropAt(bitmap, QPoint(10, 10)));
    QMimeData remote;
    remote.setUrls({QUrl(QStringLiteral("https://example.org/x.png"))});
    EXPECT_FALSE(DropAt(remote, QPoint(10, 10)));
    EXPECT_EQ(layers.Count(), 4);
}

TEST_F(Explorer, ADropDuringARebuildWaitsForItsEnd) {
    Grid(3);
    const QString file = WritePicture(folder, QStringLiteral("late.png"), 30, 30);
    doc->CurrentPicFile = file.toStdString();
    // The drop arrives while the rebuild lets events through.
    const std::unique_ptr<QMimeData> data(ExplorerData(file));
    bool busyAtDrop = false;
    bool taken = false;
    QMetaObject::invokeMethod(
        win->plImgView,
        [&] {
            busyAtDrop = doc->Busy();
            taken = DropAt(*data, PageOf(TPoint{10, 10}));
        },
        Qt::QueuedConnection);
    doc->LoadThreads = 1;
    win->RebuildPicture();
    EXPECT_TRUE(busyAtDrop);
    EXPECT_TRUE(taken);
    ASSERT_EQ(doc->PicFileList.size(), 4u);
    const TLayerCollection& layers = win->ImgView->Layers();
    ASSERT_EQ(layers.Count(), 5);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(layers.Items(i)->Tag, i) << "the dropped picture after the rebuilt ones";
}

TEST_F(Explorer, DropsFollowTheLayoutOfTheLastRebuild) {
    Grid(1);
    const QString file = WritePicture(folder, QStringLiteral("p.png"), 200, 100);
    // A wizard cancelled after changing the cell size: the canvas did not follow.
    IniOption.ResizeWidth = 100;
    IniOption.ResizeHeight = 100;
    IniOption.ResizeType = 1;
    Visit(folder.path());
    Press(0);
    Release(0);
    EXPECT_EQ(panel->DropImg.size(), QSize(131, 120));
    const std::unique_ptr<QMimeData> data(ExplorerData(file));
    ASSERT_TRUE(DropAt(*data, PageOf(TPoint{300, 10})));
    EXPECT_EQ(Selected()->Bitmap().Width(), 240);
    EXPECT_EQ(Selected()->Bitmap().Height(), 220);
    EXPECT_EQ(Selected()->Location().Left, 244);
}

} // namespace
