#include "main/uActions.h"

#include "main/uErrorMessage.h"
#include "main/uToolbarIcons.h"

#include <QAction>
#include <QFrame>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

namespace {

const std::vector<TActionSpec> kActions = {
    {"ActFileNew", "File", "Create New Picture...", "Create New Picture...", "Ctrl+N", erAlways},
    {"ActSave", "File", "Save Picture...", "Save Picture", "Ctrl+S", erCanvas},
    {"ActOpenProject", "File", "Open Project...", "Open Project", "Ctrl+O", erAlways},
    {"ActSaveProject", "File", "Save Project...", "Save Project", "Ctrl+Shift+S", erCanvas},
    {"ActPrint", "File", "Print", "", "", erAlways},
    {"ActPrintSetup", "File", "Print Setup", "Print Setup", "", erAlways},
    {"ActPrintPreview", "File", "Print Preview", "Print Preview", "", erAlways},
    {"ActExit", "File", "Exit", "Exit System", "", erAlways},
    {"ActFlattenPicture", "Layer", "Flatten Picture", "Flatten Picture", "", erAlways},
    {"ActBringFront", "Layer", "Bring Front", "Bring to Front", "", erAlways},
    {"ActSendBack", "Layer", "Send to Back", "Send to Back", "", erAlways},
    {"ActPictureUp", "Layer", "Up One Level", "Up One Level", "", erCanvas},
    {"ActPictureDown", "Layer", "Down One Level", "Down one Level", "", erCanvas},
    {"ActScaledPicture", "Layer", "Scaled", "", "", erAlways},
    {"ActDeletePicture", "Layer", "Del Selected", "", "", erCanvas},
    {"ActFlipHorz", "Layer", "Flip Horizontally", "Flip Horizontally", "", erAlways},
    {"ActFlipVert", "Layer", "Flip Vertically", "Flip Vertically", "", erAlways},
    {"ActRotate90", "Layer", "Rotate 90°", "Rotate 90°", "", erAlways},
    {"ActRotate180", "Layer", "Rotate 180°", "Rotate 180°", "", erAlways},
    {"ActRotate270", "Layer", "Rotate 270°", "Rotate 270°", "", erAlways},
    {"ActAddText", "Edit", "Add Text", "Add Text", "", erCanvas},
    {"ActAboutSoft", "Help", "About Soft", "About Soft", "", erAlways},
    {"ActHomePage", "Help", "Home Page", "Home Page", "", erAlways},
    {"ActHelpManual", "Help", "Help Manual", "Help Manual", "F1", erAlways},
    {"ActStandardOption", "Tools", "Standard Option", "Standard Option", "", erAlways},
    {"ActShowLogs", "Tools", "Show Logs", "Show Logs", "", erAlways},
    {"ActClearLogs", "Tools", "Clear Logs", "", "", erAlways},
    {"ActAutoFit", "Edit", "Auto Fit", "Auto Fit", "", erAlways},
    {"ActReset", "Edit", "Reset", "Reset", "", erGrid},
    {"ActAddPic", "Edit", "Insert Pictures", "", "", erGrid},
    {"ActDelPic", "Edit", "Del Selected", "", "Del", erGrid},
    {"ActUpPic", "Edit", "Move Up", "", "", erGrid},
    {"ActDownPic", "Edit", "Move Down", "", "", erGrid},
    {"ActEditPic", "Tools", "Edit", "", "", erPicFile},
    {"ActUndo", "Edit", "Undo", "Undo", "Ctrl+Z", erUndo},
    {"ActRedo", "Edit", "Redo", "Redo", "Ctrl+Y;Ctrl+Shift+Z", erRedo},
};

// A menu: its caption, then pairs of (item caption, action name), a null action
// being a separator line; the list ends with a null caption.
const char* const kFileMenu[] = {"Create New Picture...",
                                 "ActFileNew",
                                 "Save Picture...",
                                 "ActSave",
                                 "Open Project...",
                                 "ActOpenProject",
                                 "Save Project...",
                                 "ActSaveProject",
                                 "-",
                                 nullptr,
                                 "Exit",
                                 "ActExit",
                                 nullptr};
const char* const kEditMenu[] = {
    "",        "ActUndo",           "",          "ActRedo",         "-",
    nullptr,
    "Reset",   "ActReset",          "Add Text",  "ActAddText",      "-",
    nullptr,   "Insert a Pictures", "ActAddPic", "Delete Selected", "ActDelPic",
    "Move Up", "ActUpPic",          "Move Down", "ActDownPic",      nullptr};
const char* const kLayerMenu[] = {
    "Delete Selected", "ActDeletePicture", "-",           nullptr,        "Bring Front",
    "ActBringFront",   "Send to Back",     "ActSendBack", "Up One Level", "ActPictureUp",
    "Down One Level",  "ActPictureDown",   "-",           nullptr,        "Flip Horizontally",
    "ActFlipHorz",     "Flip Vertically",  "ActFlipVert", "Rotate 90°",   "ActRotate90",
    "Rotate 180°",     "ActRotate180",     "Rotate 270°", "ActRotate270", nullptr};
const char* const kToolsMenu[] = {
    "Standard Option", "ActStandardOption", "Picture Editor", "ActEditPic",   "-",    nullptr,
    "Show Logs",       "ActShowLogs",       "Clear Logs",     "ActClearLogs", nullptr};
const char* const kHelpMenu[] = {"Help Manual", "ActHelpManual", "Home Page",      "ActHomePage",
                                 "-",           nullptr,         "About Software", "ActAboutSoft",
                                 nullptr};
const char* const kRotateMenu[] = {"",
                                   "ActUndo",
                                   "",
                                   "ActRedo",
                                   "-",
                                   nullptr,
                                   "Up One Level",
                                   "ActPictureUp",
                                   "Down One Level",
                                   "ActPictureDown",
                                   "-",
                                   nullptr,
                                   "Flip Horizontally",
                                   "ActFlipHorz",
                                   "Flip Vertically",
                                   "ActFlipVert",
                                   "Rotate 90°",
                                   "ActRotate90",
                                   "Rotate 180°",
                                   "ActRotate180",
                                   "Rotate 270°",
                                   "ActRotate270",
                                   nullptr};

struct TToolButtonSpec {
    const char* Name;
    const char* Caption; // null: the action's caption
    const char* Hint;
    const char* Action; // null: a separator 8 pixels wide
    int Picture;
};

const TToolButtonSpec kToolButtons[] = {
    {"BtnCreateNew", "New", "Create a new picture...", "ActFileNew", 0},
    {"BtnHelp", nullptr, "Reset all pictures", "ActReset", 1},
    {"ToolBtnSaveIt", "Save", "Save created picture", "ActSave", 2},
    {"ToolLine1", nullptr, nullptr, nullptr, -1},
    {"BtnCutSelect", "Cut Seled", "Cut the selected picture", "ActDeletePicture", 3},
    {"BtnAddText", nullptr, "Add text to created picture", "ActAddText", 4},
    {"BtnUpLevel", "Up", "Move up one level", "ActPictureUp", 5},
    {"BtnDownLevel", "Down", "Move down one level", "ActPictureDown", 6},
    {"ToolLine2", nullptr, nullptr, nullptr, -1},
    {"BtnEditpic", "Edit Pic", "", "ActEditPic", 7},
    {"BtnOption", "Options", "Standard option", "ActStandardOption", 8},
    {"BtnExit", nullptr, "Exit the program", "ActExit", 9},
};

constexpr int kButtonWidth = 53;
constexpr int kButtonHeight = 44;
constexpr int kSeparatorWidth = 8;

// "ActFileNew" -> "FileNew": the part of an action name after its prefix.
QString Role(const char* ActionName) {
    return QString::fromLatin1(ActionName).mid(3);
}

// The caption of a menu item: its own text, and the shortcut of its action in
// the column where menus show shortcuts.
QString MenuItemText(const QString& Caption, const QAction* Action) {
    const QKeySequence key = Action->shortcut();
    if (key.isEmpty())
        return Caption;
    return Caption + QLatin1Char('\t') + key.toString(QKeySequence::NativeText);
}

} // namespace

bool RuleEnabled(TEnabledRule Rule, const TActionState& State) {
    switch (Rule) {
    case erAlways:
        return true;
    case erCanvas:
        return !State.CanvasEmpty;
    case erGrid:
        return State.GridMode;
    case erPicFile:
        return State.PicFileExists;
    case erUndo:
        return State.CanUndo;
    case erRedo:
        return State.CanRedo;
    }
    return true;
}

const std::vector<TActionSpec>& ActionTable() {
    return kActions;
}

TMainActions::TMainActions(QWidget* Owner) : QObject(Owner), FOwner(Owner) {
    setObjectName(QStringLiteral("ActMain"));
    for (const TActionSpec& spec : kActions) {
        auto* action = new QAction(QString::fromUtf8(spec.Caption), this);
        action->setObjectName(QString::fromLatin1(spec.Name));
        action->setProperty("category", QString::fromLatin1(spec.Category));
        action->setToolTip(QString::fromUtf8(spec.Hint));
        // Several shortcuts are separated by ";"; menus show the first.
        QList<QKeySequence> keys;
        for (const QString& key : QString::fromLatin1(spec.Shortcut).split(QLatin1Char(';'), Qt::SkipEmptyParts))
            keys << QKeySequence(key);
        action->setShortcuts(keys);
        // Shortcuts act anywhere in the main window, also while its menus and
        // tool bar are hidden.
        action->setShortcutContext(Qt::WindowShortcut);
        Owner->addAction(action);
        FActions.push_back(action);
        FRules.push_back(spec.Rule);
        FHandlers.emplace_back();
        FFunctions.emplace_back();
    }
}

QAction* TMainActions::Action(const QString& Name) const {
    for (QAction* action : FActions)
        if (action->objectName() == Name)
            return action;
    return nullptr;
}

TEnabledRule TMainActions::Rule(const QAction* Action) const {
    for (std::size_t i = 0; i < FActions.size(); ++i)
        if (FActions[i] == Action)
            return FRules[i];
    return erAlways;
}

void TMainActions::SetHandler(const QString& Name, std::function<void()> Handler) {
    for (std::size_t i = 0; i < FActions.size(); ++i) {
        if (FActions[i]->objectName() != Name)
            continue;
        QObject::disconnect(FHandlers[i]);
        FFunctions[i] = std::move(Handler);
        FHandlers[i] = connect(FActions[i], &QAction::triggered, this, [this, i] { RunAt(i); });
        return;
    }
}

void TMainActions::Run(const QString& Name) {
    for (std::size_t i = 0; i < FActions.size(); ++i)
        if (FActions[i]->objectName() == Name)
            RunAt(i);
}

void TMainActions::RunAt(std::size_t Index) {
    // A copy: the handler may replace itself while it runs.
    const std::function<void()> handler = FFunctions[Index];
    if (handler)
        RunCommand(FOwner, handler);
}

void TMainActions::Update(const TActionState& State) {
    for (std::size_t i = 0; i < FActions.size(); ++i)
        FActions[i]->setEnabled(RuleEnabled(FRules[i], State));
}

QAction* TMainActions::MakeMenuItem(QAction* Action, const QString& Caption, QObject* Parent) {
    const bool ownCaption = !Caption.isEmpty();
    auto* item = new QAction(Parent);
    auto sync = [item, Action, ownCaption, Caption] {
        item->setText(MenuItemText(ownCaption ? Caption : Action->text(), Action));
        item->setEnabled(Action->isEnabled());
        item->setVisible(Action->isVisible());
    };
    sync();
    QObject::connect(Action, &QAction::changed, item, sync);
    QObject::connect(item, &QAction::triggered, Action, [Action] { Action->trigger(); });
    return item;
}

void TMainActions::BindButton(QToolButton* Button, QAction* Action, const QString& Caption) {
    const bool ownCaption = !Caption.isEmpty();
    auto sync = [Button, Action, ownCaption, Caption] {
        Button->setText(ownCaption ? Caption : Action->text());
        Button->setEnabled(Action->isEnabled());
    };
    sync();
    QObject::connect(Action, &QAction::changed, Button, sync);
    QObject::connect(Button, &QToolButton::clicked, Action, [Action] { Action->trigger(); });
}

void TMainActions::FillMenu(QMenu* Menu, const char* const* Items, const char* Prefix) {
    for (const char* const* p = Items; *p; p += 2) {
        if (!p[1]) {
            Menu->addSeparator();
            continue;
        }
        QAction* action = Action(QString::fromLatin1(p[1]));
        QAction* item = MakeMenuItem(action, QString::fromUtf8(p[0]), Menu);
        item->setObjectName(QString::fromLatin1(Prefix) + Role(p[1]));
        Menu->addAction(item);
    }
}

void TMainActions::BuildMainMenu(QMenuBar* Menu) {
    struct TMenuSpec {
        const char* Name;
        const char* Caption;
        const char* const* Items;
    };
    const TMenuSpec menus[] = {{"mnFile", "&File", kFileMenu},
                               {"mnEdit", "&Edit", kEditMenu},
                               {"mnLayer", "Layer", kLayerMenu},
                               {"mnTools", "&Tools", kToolsMenu},
                               {"mnHelp", "&Help", kHelpMenu}};
    for (const TMenuSpec& spec : menus) {
        QMenu* menu = Menu->addMenu(QString::fromLatin1(spec.Caption));
        menu->setObjectName(QString::fromLatin1(spec.Name));
        FillMenu(menu, spec.Items, "mn");
    }
}

QMenu* TMainActions::BuildRotateMenu(QWidget* Parent) {
    auto* menu = new QMenu(Parent);
    menu->setObjectName(QStringLiteral("pmenuRotate"));
    FillMenu(menu, kRotateMenu, "pm");
    return menu;
}

void TMainActions::BuildToolBar(QToolBar* ToolBar) {
    ToolBar->setIconSize(QSize(kToolbarPictureSize, kToolbarPictureSize));
    ToolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    for (const TToolButtonSpec& spec : kToolButtons) {
        if (!spec.Action) {
            auto* line = new QFrame(ToolBar);
            line->setObjectName(QString::fromLatin1(spec.Name));
            line->setFrameShape(QFrame::VLine);
            line->setFrameShadow(QFrame::Sunken);
            line->setFixedWidth(kSeparatorWidth);
            ToolBar->addWidget(line);
            continue;
        }
        auto* button = new QToolButton(ToolBar);
        button->setObjectName(QString::fromLatin1(spec.Name));
        button->setAutoRaise(true);
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setIconSize(QSize(kToolbarPictureSize, kToolbarPictureSize));
        button->setIcon(ToolbarIcon(spec.Picture));
        button->setToolTip(QString::fromLatin1(spec.Hint));
        BindButton(button, Action(QString::fromLatin1(spec.Action)),
                   spec.Caption ? QString::fromLatin1(spec.Caption) : QString());
        // The buttons are 53 x 44; one whose caption needs more room in the
        // font at hand grows wider rather than cutting its caption short.
        button->setFixedSize(std::max(kButtonWidth, button->sizeHint().width()), kButtonHeight);
        ToolBar->addWidget(button);
    }
}
