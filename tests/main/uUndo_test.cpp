#include "CommUnit/TThumbnailViewer.h"
#include "engine/TImgView32.h"
#include "main/TLeftPanel.h"
#include "tests/main/MainWindowFixture.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>

namespace {

class UndoCommands : public StartedWindowTest {
protected:
    void SetUp() override {
        StartedWindowTest::SetUp();
        doc->GridMode = true;
        doc->AddPictures(Pictures(4));
        win->RebuildPicture();
        win->UpdateActions();
        doc->History.Clear();
        doc->MarkSaved();
    }
    QAction* Act(const char* Name) { return win->Action(QString::fromLatin1(Name)); }
    TBitmapLayer* Layer(int Tag) {
        for (int i = 0; i < win->ImgView->Layers().Count(); ++i)
            if (auto* l = dynamic_cast<TBitmapLayer*>(win->ImgView->Layers().Items(i)))
                if (l->Tag == Tag)
                    return l;
        return nullptr;
    }
};

TEST_F(UndoCommands, CaptionsKeysAndTheSavedState) {
    EXPECT_FALSE(Act("ActUndo")->isEnabled());
    EXPECT_EQ(Act("ActUndo")->text(), QStringLiteral("Undo"));
    doc->SelectLayer(Layer(1));
    win->ImgView->setFocus();
    QTest::keyClick(win->ImgView, Qt::Key_Right);
    QTest::keyClick(win->ImgView, Qt::Key_Right);
    EXPECT_EQ(Act("ActUndo")->text(), QStringLiteral("Undo Move"));
    EXPECT_TRUE(Act("ActUndo")->isEnabled());
    EXPECT_FALSE(doc->Saved);
    Act("ActFlipHorz")->trigger();
    EXPECT_EQ(Act("ActUndo")->text(), QStringLiteral("Undo Flip Horizontally"));

    QTest::keyClick(win->ImgView, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Act("ActRedo")->text(), QStringLiteral("Redo Flip Horizontally"));
    QTest::keyClick(win->ImgView, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Layer(1)->Location().Left, 244) << "both presses were one step";
    EXPECT_TRUE(doc->Saved) << "back where it was saved";
    EXPECT_FALSE(Act("ActUndo")->isEnabled());
    QTest::keyClick(win->ImgView, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Layer(1)->Location().Left, 246);
    QTest::keyClick(win->ImgView, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Act("ActUndo")->text(), QStringLiteral("Undo Flip Horizontally"));
    EXPECT_EQ(doc->SelectedLayer, Layer(1)) << "the layer the step touched";

    // In the zoom box, Ctrl+Z is the box's own.
    QLineEdit* box = win->LeftPanel->ScaleCombo->lineEdit();
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Act("ActUndo")->text(), QStringLiteral("Undo Flip Horizontally"));
}

TEST_F(UndoCommands, AnUndoneListChangeBringsBackItsPicture) {
    win->LeftPanel->lvPicList->SetSelectedIndex(2);
    Act("ActUpPic")->trigger();
    EXPECT_TRUE(win->ReloadTimer->isActive());
    EXPECT_EQ(Act("ActUndo")->text(), QStringLiteral("Undo Move Up"));
    // Taken back before the rebuild came: no rebuild is wanted any more.
    Act("ActUndo")->trigger();
    EXPECT_FALSE(win->ReloadTimer->isActive());
    EXPECT_EQ(Layer(2)->Location().Left, 2);
    // Done again: the rebuild comes, and joins the step.
    Act("ActRedo")->trigger();
    EXPECT_TRUE(win->ReloadTimer->isActive());
    for (int i = 0; i < 3; ++i)
        win->ReloadTimerTimer();
    EXPECT_EQ(doc->History.Count(), 1u);
    Act("ActUndo")->trigger();
    EXPECT_FALSE(win->ReloadTimer->isActive());
    EXPECT_TRUE(doc->Saved);
}

TEST_F(UndoCommands, ExitAsksOnlyWhenThePictureDiffersFromTheLastSave) {
    doc->SelectLayer(Layer(0));
    Act("ActRotate180")->trigger();
    Act("ActUndo")->trigger();
    // Undone back to the save: Exit asks nothing.
    TMessageBoxAnswerer none(QMessageBox::No);
    win->ActExitExecute();
    EXPECT_FALSE(none.Seen);
    EXPECT_FALSE(win->isVisible());
}

} // namespace
