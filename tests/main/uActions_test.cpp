#include "main/uActions.h"

#include "engine/TImgView32.h"
#include "layout/uResetPic.h"
#include "layout/uWizard.h"
#include "main/TLeftPanel.h"
#include "main/uMain.h"
#include "settings/uOption.h"
#include "tests/main/MainWindowFixture.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QToolBar>
#include <QToolButton>

#include <optional>
#include <set>
#include <stdexcept>

namespace {

using Commands = MainWindowTest;

// The disabled actions, by name; every other action of ActMain must be enabled.
void ExpectDisabledExactly(TfrmMain& win, const std::set<QString>& disabled) {
    for (QAction* a : win.ActMain().Actions())
        EXPECT_EQ(a->isEnabled(), disabled.count(a->objectName()) == 0)
            << a->objectName().toStdString();
}

// Menu items by their captions (without the shortcut column).
QAction* MenuItem(QMenu* menu, const QString& caption) {
    for (QAction* item : menu->actions())
        if (item->text().section(QLatin1Char('\t'), 0, 0) == caption)
            return item;
    return nullptr;
}

QMenu* MainMenu(TfrmMain& win, const QString& title) {
    for (QAction* a : win.menuBar()->actions())
        if (a->menu() && a->text() == title)
            return a->menu();
    return nullptr;
}

TEST_F(Commands, EnabledStatesFollowTheDocument) {
    const std::set<QString> canvas = {"ActSave",      "ActSaveProject", "ActDeletePicture",
                                      "ActAddText",   "ActPictureUp",   "ActPictureDown"};
    const std::set<QString> grid = {"ActReset", "ActAddPic", "ActDelPic", "ActUpPic", "ActDownPic"};
    auto win = Start();

    // At start, before any New.
    std::set<QString> atStart = canvas;
    atStart.insert(grid.begin(), grid.end());
    atStart.insert({QStringLiteral("ActEditPic"), QStringLiteral("ActUndo"), QStringLiteral("ActRedo")});
    ExpectDisabledExactly(*win, atStart);
    EXPECT_FALSE(win->LeftPanel->lbScale->isEnabled());
    QMenu* edit = MainMenu(*win, QStringLiteral("&Edit"));
    QMenu* layer = MainMenu(*win, QStringLiteral("Layer"));
    QMenu* tools = MainMenu(*win, QStringLiteral("&Tools"));
    QMenu* file = MainMenu(*win, QStringLiteral("&File"));
    ASSERT_TRUE(edit && layer && tools && file);
    for (auto [menu, caption] :
         std::vector<std::pair<QMenu*, const char*>>{{file, "Save Picture..."},
                                                     {edit, "Add Text"},
                                                     {edit, "Delete Selected"},
                                                     {layer, "Delete Selected"},
                                                     {layer, "Up One Level"},
                                                     {layer, "Down One Level"},
                                                     {edit, "Reset"},
                                                     {edit, "Insert a Pictures"},
                                                     {edit, "Move Up"},
                                                     {edit, "Move Down"},
                                                     {tools, "Picture Editor"}}) {
        QAction* item = MenuItem(menu, QString::fromUtf8(caption));
        ASSERT_NE(item, nullptr) << caption;
        EXPECT_FALSE(item->isEnabled()) << caption;
    }
    for (auto [menu, caption] :
         std::vector<std::pair<QMenu*, const char*>>{{file, "Create New Picture..."},
                                                     {file, "Exit"},
                                                     {layer, "Bring Front"},
                                                     {layer, "Send to Back"},
                                                     {layer, "Rotate 270°"},
                                                     {tools, "Standard Option"}})
        EXPECT_TRUE(MenuItem(menu, QString::fromUtf8(caption))->isEnabled()) << caption;
    for (const char* name : {"ToolBtnSaveIt", "BtnCutSelect", "BtnAddText", "BtnUpLevel",
                             "BtnDownLevel", "BtnHelp", "BtnEditpic"})
        EXPECT_FALSE(win->findChild<QToolButton*>(QString::fromLatin1(name))->isEnabled()) << name;
    for (const char* name : {"BtnCreateNew", "BtnOption", "BtnExit"})
        EXPECT_TRUE(win->findChild<QToolButton*>(QString::fromLatin1(name))->isEnabled()) << name;

    // A rebuild alone does not touch the enabled states.
    TMergeDocument& doc = win->Document();
    win->RebuildPicture();
    EXPECT_FALSE(win->Action(QStringLiteral("ActSave"))->isEnabled());

    // After an empty New: the canvas commands, not the grid ones.
    win->UpdateActions();
    // The rebuild can be undone; nothing can be redone.
    std::set<QString> afterEmpty = grid;
    afterEmpty.insert({QStringLiteral("ActEditPic"), QStringLiteral("ActRedo")});
    ExpectDisabledExactly(*win, afterEmpty);
    EXPECT_TRUE(win->LeftPanel->lbScale->isEnabled());

    // After a grid New: everything but the external editor.
    doc.GridMode = true;
    doc.PicFileList = Pictures(3);
    win->RebuildPicture();
    win->UpdateActions();
    ExpectDisabledExactly(*win, {QStringLiteral("ActEditPic"), QStringLiteral("ActRedo")});
    EXPECT_TRUE(MenuItem(edit, QStringLiteral("Insert a Pictures"))->isEnabled());
    EXPECT_TRUE(win->findChild<QToolButton*>(QStringLiteral("BtnHelp"))->isEnabled());

    // The editor follows whether CurrentPicFile names an existing file.
    doc.CurrentPicFile = doc.PicFileList[0];
    win->UpdateActions();
    ExpectDisabledExactly(*win, {QStringLiteral("ActRedo")});
    EXPECT_TRUE(win->findChild<QToolButton*>(QStringLiteral("BtnEditpic"))->isEnabled());
    doc.CurrentPicFile = pictureDir.path().toStdString();
    win->UpdateActions();
    EXPECT_FALSE(win->Action(QStringLiteral("ActEditPic"))->isEnabled());
}

TEST_F(Commands, MenusShowTheirActionsInOrder) {
    auto win = Start();
    // New, Reset and Options open their dialogs, which are closed again at once.
    TWhenModal<TfrmWizard> wizard([](TfrmWizard&) {});
    TWhenModal<TfrmReset> reset([](TfrmReset&) {});
    TWhenModal<TfrmOption> options([](TfrmOption&) {});
    // Per menu: the item captions top to bottom ("-" a separator) and the action
    // each item runs.
    const std::vector<std::pair<const char*, std::vector<std::pair<const char*, const char*>>>>
        menus = {
            {"&File",
             {{"Create New Picture...", "ActFileNew"},
              {"Save Picture...", "ActSave"},
              {"Open Project...", "ActOpenProject"},
              {"Save Project...", "ActSaveProject"},
              {"-", nullptr},
              {"Exit", "ActExit"}}},
            {"&Edit",
             {{"", "ActUndo"}, // captions of their own: "Undo <step>"
              {"", "ActRedo"},
              {"-", nullptr},
              {"Reset", "ActReset"},
              {"Add Text", "ActAddText"},
              {"-", nullptr},
              {"Insert a Pictures", "ActAddPic"},
              {"Delete Selected", "ActDelPic"},
              {"Move Up", "ActUpPic"},
              {"Move Down", "ActDownPic"}}},
            {"Layer",
             {{"Delete Selected", "ActDeletePicture"},
              {"-", nullptr},
              {"Bring Front", "ActBringFront"},
              {"Send to Back", "ActSendBack"},
              {"Up One Level", "ActPictureUp"},
              {"Down One Level", "ActPictureDown"},
              {"-", nullptr},
              {"Flip Horizontally", "ActFlipHorz"},
              {"Flip Vertically", "ActFlipVert"},
              {"Rotate 90°", "ActRotate90"},
              {"Rotate 180°", "ActRotate180"},
              {"Rotate 270°", "ActRotate270"}}},
            {"&Tools",
             {{"Standard Option", "ActStandardOption"},
              {"Picture Editor", "ActEditPic"},
              {"-", nullptr},
              {"Show Logs", "ActShowLogs"},
              {"Clear Logs", "ActClearLogs"}}},
            {"&Help",
             {{"Help Manual", "ActHelpManual"},
              {"Home Page", "ActHomePage"},
              {"-", nullptr},
              {"About Software", "ActAboutSoft"}}},
        };
    // Every command usable from a menu, so that the items can be tried.
    TActionState all;
    all.CanvasEmpty = false;
    all.GridMode = true;
    all.PicFileExists = true;
    all.CanUndo = all.CanRedo = true;
    win->ActMain().Update(all);
    // New ends with UpdateActions, which keeps them so for a grid with a
    // picture chosen.
    TMergeDocument& doc = win->Document();
    doc.GridMode = true;
    doc.PicFileList = Pictures(1);
    doc.CurrentPicFile = doc.PicFileList[0];
    win->RebuildPicture();
    doc.MarkSaved(); // nothing waits to be saved: New asks nothing

    const QList<QAction*> titles = win->menuBar()->actions();
    ASSERT_EQ(titles.size(), int(menus.size()));
    for (std::size_t m = 0; m < menus.size(); ++m) {
        SCOPED_TRACE(menus[m].first);
        EXPECT_EQ(titles[int(m)]->text(), QString::fromLatin1(menus[m].first));
        const QList<QAction*> items = titles[int(m)]->menu()->actions();
        ASSERT_EQ(items.size(), int(menus[m].second.size()));
        for (int i = 0; i < items.size(); ++i) {
            const auto& [caption, actionName] = menus[m].second[std::size_t(i)];
            if (!actionName) {
                EXPECT_TRUE(items[i]->isSeparator()) << i;
                continue;
            }
            QAction* action = win->Action(QString::fromLatin1(actionName));
            ASSERT_NE(action, nullptr) << actionName;
            EXPECT_EQ(items[i]->text().section(QLatin1Char('\t'), 0, 0),
                      *caption ? QString::fromUtf8(caption) : action->text());
            // The shortcut is shown in the menu, from its action.
            EXPECT_EQ(items[i]->text().section(QLatin1Char('\t'), 1),
                      action->shortcut().toString(QKeySequence::NativeText))
                << caption;
            if (action->objectName() == QLatin1String("ActExit"))
                continue; // would close the window
            QSignalSpy spy(action, &QAction::triggered);
            const TCloseEveryModal closer; // commands that open a dialog
            items[i]->trigger();
            EXPECT_EQ(spy.count(), 1) << caption;
        }
    }

    // The canvas's pop-up menu.
    const std::vector<std::pair<const char*, const char*>> popup = {
        {"Undo", "ActUndo"},
        {"Redo", "ActRedo"},
        {"-", nullptr},
        {"Up One Level", "ActPictureUp"},
        {"Down One Level", "ActPictureDown"},
        {"-", nullptr},
        {"Flip Horizontally", "ActFlipHorz"},
        {"Flip Vertically", "ActFlipVert"},
        {"Rotate 90°", "ActRotate90"},
        {"Rotate 180°", "ActRotate180"},
        {"Rotate 270°", "ActRotate270"}};
    ASSERT_EQ(win->pmenuRotate->objectName(), QStringLiteral("pmenuRotate"));
    const QList<QAction*> items = win->pmenuRotate->actions();
    ASSERT_EQ(items.size(), int(popup.size()));
    for (int i = 0; i < items.size(); ++i) {
        if (!popup[std::size_t(i)].second) {
            EXPECT_TRUE(items[i]->isSeparator());
            continue;
        }
        // Undo and Redo name their step after the verb.
        EXPECT_TRUE(items[i]->text().section(QLatin1Char('\t'), 0, 0).startsWith(
            QString::fromUtf8(popup[std::size_t(i)].first)))
            << items[i]->text().toStdString();
        QSignalSpy spy(win->Action(QString::fromLatin1(popup[std::size_t(i)].second)),
                       &QAction::triggered);
        items[i]->trigger();
        EXPECT_EQ(spy.count(), 1) << popup[std::size_t(i)].first;
    }
    EXPECT_EQ(win->ImgView->contextMenuPolicy(), Qt::CustomContextMenu);
}

TEST_F(Commands, ToolBarButtonsShowAndRunTheirActions) {
    auto win = Start();
    // New, Reset and Options open their dialogs, which are closed again at once.
    TWhenModal<TfrmWizard> wizard([](TfrmWizard&) {});
    TWhenModal<TfrmReset> reset([](TfrmReset&) {});
    TWhenModal<TfrmOption> options([](TfrmOption&) {});
    struct Button {
        const char* Name;
        const char* Caption;
        const char* Hint;
        const char* Action;
    };
    const Button buttons[] = {
        {"BtnCreateNew", "New", "Create a new picture...", "ActFileNew"},
        {"BtnHelp", "Reset", "Reset all pictures", "ActReset"},
        {"ToolBtnSaveIt", "Save", "Save created picture", "ActSave"},
        {"ToolLine1", nullptr, nullptr, nullptr},
        {"BtnCutSelect", "Cut Seled", "Cut the selected picture", "ActDeletePicture"},
        {"BtnAddText", "Add Text", "Add text to created picture", "ActAddText"},
        {"BtnUpLevel", "Up", "Move up one level", "ActPictureUp"},
        {"BtnDownLevel", "Down", "Move down one level", "ActPictureDown"},
        {"ToolLine2", nullptr, nullptr, nullptr},
        {"BtnEditpic", "Edit Pic", "", "ActEditPic"},
        {"BtnOption", "Options", "Standard option", "ActStandardOption"},
        {"BtnExit", "Exit", "Exit the program", "ActExit"},
    };
    TActionState all;
    all.CanvasEmpty = false;
    all.GridMode = true;
    all.PicFileExists = true;
    all.CanUndo = all.CanRedo = true;
    win->ActMain().Update(all);
    // New ends with UpdateActions, which keeps them so for a grid with a
    // picture chosen.
    TMergeDocument& doc = win->Document();
    doc.GridMode = true;
    doc.PicFileList = Pictures(1);
    doc.CurrentPicFile = doc.PicFileList[0];
    win->RebuildPicture();
    doc.MarkSaved(); // nothing waits to be saved: New asks nothing

    EXPECT_EQ(win->ToolBarMain->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    const QList<QAction*> entries = win->ToolBarMain->actions();
    ASSERT_EQ(entries.size(), int(std::size(buttons)));
    for (int i = 0; i < entries.size(); ++i) {
        const Button& b = buttons[i];
        SCOPED_TRACE(b.Name);
        QWidget* w = win->ToolBarMain->widgetForAction(entries[i]);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->objectName(), QString::fromLatin1(b.Name));
        if (!b.Action) {
            EXPECT_EQ(w->width(), 8);
            continue;
        }
        auto* button = qobject_cast<QToolButton*>(w);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), QString::fromLatin1(b.Caption));
        EXPECT_EQ(button->toolTip(), QString::fromLatin1(b.Hint));
        EXPECT_EQ(button->height(), 44);
        EXPECT_GE(button->width(), 53);
        EXPECT_EQ(button->iconSize(), QSize(24, 24));
        EXPECT_TRUE(button->autoRaise());
        EXPECT_FALSE(button->icon().isNull());
        if (QLatin1String(b.Action) == QLatin1String("ActExit"))
            continue;
        QSignalSpy spy(win->Action(QString::fromLatin1(b.Action)), &QAction::triggered);
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(spy.count(), 1);
    }
    EXPECT_TRUE(options.Ran);
    // A disabled action does not run from its button.
    win->ActMain().Update(TActionState());
    QSignalSpy save(win->Action(QStringLiteral("ActSave")), &QAction::triggered);
    QTest::mouseClick(win->findChild<QToolButton*>(QStringLiteral("ToolBtnSaveIt")),
                      Qt::LeftButton);
    EXPECT_EQ(save.count(), 0);
}

TEST_F(Commands, ShortcutsActAnywhereInTheWindowWhileEnabled) {
    auto win = Start();
    // New and Reset open their dialogs, which are closed again at once.
    TWhenModal<TfrmWizard> wizard([](TfrmWizard&) {});
    TWhenModal<TfrmReset> reset([](TfrmReset&) {});
    win->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(win.get()));
    QSignalSpy fileNew(win->Action(QStringLiteral("ActFileNew")), &QAction::triggered);
    QSignalSpy save(win->Action(QStringLiteral("ActSave")), &QAction::triggered);
    QSignalSpy help(win->Action(QStringLiteral("ActHelpManual")), &QAction::triggered);
    QSignalSpy delPic(win->Action(QStringLiteral("ActDelPic")), &QAction::triggered);

    QTest::keyClick(win->LeftPanel->ScaleCombo, Qt::Key_N, Qt::ControlModifier);
    // The offscreen platform does not give the activation back after the
    // wizard, and may hand it to the hidden wizard late: the test takes it back.
    ASSERT_TRUE(WaitFor([&] { return !win->frmWizard->isVisible(); }));
    QCoreApplication::processEvents();
    QApplication::setActiveWindow(win.get());
    ASSERT_EQ(QApplication::activeWindow(), win.get());
    QTest::keyClick(win.get(), Qt::Key_F1);
    // Both need a canvas or a grid, which there is not yet.
    QTest::keyClick(win.get(), Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(win.get(), Qt::Key_Delete);
    EXPECT_EQ(fileNew.count(), 1);
    EXPECT_EQ(help.count(), 1);
    EXPECT_EQ(save.count(), 0);
    EXPECT_EQ(delPic.count(), 0);

    // With the tool bar hidden the shortcuts still act.
    win->CoolBarMain->hide();
    win->Document().GridMode = true;
    win->Document().PicFileList = Pictures(1);
    win->RebuildPicture();
    win->UpdateActions();
    QTest::keyClick(win.get(), Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(win.get(), Qt::Key_Delete);
    EXPECT_EQ(save.count(), 1);
    EXPECT_EQ(delPic.count(), 1);
}

TEST_F(Commands, ExitAsksToSaveANewPicture) {
    struct Case {
        const char* Name;
        bool Saved;
        bool CloseBox; // closed by the title bar instead of the Exit command
        QMessageBox::StandardButton Answer;
        bool SaveFails;
        bool Asked;
        int SaveRuns;
        bool SaveDisabled = false;
    };
    const Case cases[] = {
        {"saved: no question", true, false, QMessageBox::Yes, false, false, 0},
        {"new picture, No: closes without saving", false, false, QMessageBox::No, false, true, 0},
        {"new picture, Yes: saves, then closes", false, false, QMessageBox::Yes, false, true, 1},
        {"new picture, Yes, save fails: still closes", false, false, QMessageBox::Yes, true, true,
         1},
        {"close box: no question", false, true, QMessageBox::Yes, false, false, 0},
        {"Yes while Save is disabled: saves all the same", false, false, QMessageBox::Yes, false,
         true, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        QFile::remove(SetupIni());
        IniOption = TIniOption();
        auto win = Start();
        // As after a New of an empty picture.
        win->RebuildPicture();
        win->UpdateActions();
        win->Document().Saved = c.Saved;
        win->Action(QStringLiteral("ActSave"))->setEnabled(!c.SaveDisabled);
        int saveRuns = 0;
        std::optional<TMessageBoxAnswerer> errorBox;
        win->ActMain().SetHandler(QStringLiteral("ActSave"), [&] {
            ++saveRuns;
            if (c.SaveFails) {
                errorBox.emplace(QMessageBox::Ok);
                throw std::runtime_error("Cannot create the file.");
            }
        });
        TMessageBoxAnswerer box(c.Answer);
        if (c.CloseBox)
            win->close();
        else
            win->Action(QStringLiteral("ActExit"))->trigger();
        EXPECT_EQ(box.Seen, c.Asked);
        if (c.Asked) {
            EXPECT_EQ(box.Title, QStringLiteral("Confirmation"));
            EXPECT_EQ(box.Text,
                      QStringLiteral("A new picture has been created. Do you want to save now?"));
            EXPECT_EQ(box.Icon, QMessageBox::Question);
            EXPECT_EQ(box.Buttons, QMessageBox::Yes | QMessageBox::No);
        }
        EXPECT_EQ(saveRuns, c.SaveRuns);
        if (c.SaveFails) {
            ASSERT_TRUE(errorBox.has_value());
            EXPECT_TRUE(errorBox->Seen);
            EXPECT_EQ(errorBox->Text, QStringLiteral("Cannot create the file."));
        }
        EXPECT_FALSE(win->isVisible());
        // Closing wrote the settings.
        EXPECT_TRUE(ReadSetupIni().contains(QStringLiteral("WinState=0\r\n")));
    }
}

TEST_F(Commands, AnErrorEscapingACommandIsShownAndTheProgramGoesOn) {
    auto win = Start();
    win->ActMain().SetHandler(QStringLiteral("ActAboutSoft"),
                              [] { throw std::runtime_error("The about box is missing."); });
    {
        TMessageBoxAnswerer box(QMessageBox::Ok);
        win->Action(QStringLiteral("ActAboutSoft"))->trigger();
        EXPECT_TRUE(box.Seen);
        EXPECT_EQ(box.Text, QStringLiteral("The about box is missing."));
        EXPECT_EQ(box.Icon, QMessageBox::Critical);
        EXPECT_EQ(box.Title, QStringLiteral("Tessellon"));
    }
    EXPECT_TRUE(win->isVisible());
    // A new handler replaces the old one, and the same command runs again.
    int runs = 0;
    win->ActMain().SetHandler(QStringLiteral("ActAboutSoft"), [&] { ++runs; });
    TMessageBoxAnswerer none(QMessageBox::Ok);
    win->Action(QStringLiteral("ActAboutSoft"))->trigger();
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(none.Seen);
}

TEST(CommandTable, EveryActionOnceWithItsShortcut) {
    std::set<std::string> names;
    for (const TActionSpec& spec : ActionTable())
        EXPECT_TRUE(names.insert(spec.Name).second) << spec.Name;
    EXPECT_EQ(names.size(), 36u);
    EXPECT_EQ(std::string(ActionTable().front().Name), "ActFileNew");
    EXPECT_EQ(std::string(ActionTable().back().Name), "ActRedo");
    MainTestApp();
    QWidget owner;
    TMainActions actions(&owner);
    EXPECT_EQ(actions.objectName(), QStringLiteral("ActMain"));
    EXPECT_EQ(owner.actions().size(), 36);
    const std::vector<std::pair<const char*, QKeySequence>> keys = {
        {"ActFileNew", QKeySequence(Qt::CTRL | Qt::Key_N)},
        {"ActSave", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"ActOpenProject", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"ActSaveProject", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        {"ActHelpManual", QKeySequence(Qt::Key_F1)},
        {"ActDelPic", QKeySequence(Qt::Key_Delete)},
        {"ActUndo", QKeySequence(Qt::CTRL | Qt::Key_Z)},
        {"ActRedo", QKeySequence(Qt::CTRL | Qt::Key_Y)}};
    int withShortcut = 0;
    for (QAction* a : actions.Actions())
        withShortcut += a->shortcut().isEmpty() ? 0 : 1;
    EXPECT_EQ(withShortcut, 8);
    EXPECT_EQ(actions.Action(QStringLiteral("ActRedo"))->shortcuts().value(1),
              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    for (const auto& [name, key] : keys)
        EXPECT_EQ(actions.Action(QString::fromLatin1(name))->shortcut(), key) << name;
}

} // namespace
