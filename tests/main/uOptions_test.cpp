#include "settings/uOption.h"

#include "tests/main/MainWindowFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>

namespace {

using OptionsCommand = MainWindowTest;

// Runs "Standard Option" with Body acting in the dialog; the dialog is gone
// once the command has returned.
void RunOptions(TfrmMain& win, std::function<void(TfrmOption&)> Body) {
    QPointer<TfrmOption> seen;
    TWhenModal<TfrmOption> driver([&](TfrmOption& dlg) {
        seen = &dlg;
        Body(dlg);
    });
    win.Action(QStringLiteral("ActStandardOption"))->trigger();
    EXPECT_TRUE(driver.Ran);
    EXPECT_TRUE(seen.isNull()) << "each opening makes its own dialog and frees it";
}

TEST_F(OptionsCommand, TheToolBarFollowsTheSettingAfterEveryClose) {
    auto win = Start();
    ASSERT_TRUE(win->CoolBarMain->isVisible());

    RunOptions(*win, [](TfrmOption& dlg) {
        EXPECT_TRUE(dlg.isModal());
        dlg.lbFormat->setCurrentRow(2);
        dlg.cbShowToolbar->setChecked(false);
        dlg.btnCancel->click();
    });
    EXPECT_TRUE(win->CoolBarMain->isVisible());
    EXPECT_TRUE(IniOption.ShowToolbar);

    RunOptions(*win, [](TfrmOption& dlg) {
        // The format looked at last time is not kept.
        EXPECT_EQ(dlg.lbFormat->currentRow(), 0);
        EXPECT_EQ(dlg.plCompress->currentIndex(), 0);
        EXPECT_TRUE(dlg.cbShowToolbar->isChecked());
        dlg.cbShowToolbar->setChecked(false);
        dlg.btnSave->click();
    });
    EXPECT_FALSE(win->CoolBarMain->isVisible());
    EXPECT_FALSE(IniOption.ShowToolbar);

    // The close box stores nothing; the tool bar stays hidden as it is set.
    RunOptions(*win, [](TfrmOption& dlg) {
        dlg.cbShowToolbar->setChecked(true);
        dlg.close();
    });
    EXPECT_FALSE(win->CoolBarMain->isVisible());

    RunOptions(*win, [](TfrmOption& dlg) {
        dlg.cbShowToolbar->setChecked(true);
        dlg.btnSave->click();
    });
    EXPECT_TRUE(win->CoolBarMain->isVisible());
    EXPECT_TRUE(IniOption.ShowToolbar);
}

TEST_F(OptionsCommand, TheColoursChosenForBmpApplyToTheNextSave) {
    auto win = Start();
    TMergeDocument& doc = win->Document();
    doc.GridMode = true;
    doc.PicFileList = Pictures(2);
    win->RebuildPicture();
    win->UpdateActions();
    ASSERT_TRUE(win->Action(QStringLiteral("ActSave"))->isEnabled());

    RunOptions(*win, [](TfrmOption& dlg) {
        dlg.lbFormat->setCurrentRow(2); // "Windows Bitmap (*.BMP)"
        ASSERT_TRUE(dlg.cbColors->isVisible());
        dlg.cbColors->setCurrentIndex(1); // "256 colors"
        dlg.btnSave->click();
    });
    EXPECT_EQ(IniOption.MaxColor, 1);

    const QString file = pictureDir.filePath(QStringLiteral("grid.bmp"));
    win->SavePicDlg->Chooser = [file](TSaveDialog& d) {
        d.FileName = file;
        d.FilterIndex = 3;
        return true;
    };
    win->Action(QStringLiteral("ActSave"))->trigger();
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray header = saved.read(30);
    ASSERT_EQ(header.size(), 30);
    EXPECT_EQ(header.left(2), QByteArray("BM"));
    EXPECT_EQ(quint8(header[28]) | (quint8(header[29]) << 8), 8) << "bits per pixel";
}

} // namespace
