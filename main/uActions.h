// The command table of the main window: every command is one action of the list
// ActMain, built from one table in order. The main menu, the canvas's pop-up
// menu and the tool bar are clients of these actions: each item shows its
// action's enabled state (and caption and hint unless it has its own) and runs
// the action when used.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QToolBar;
class QToolButton;
class QWidget;

// When UpdateActions enables an action.
enum TEnabledRule {
    erAlways,  // nothing disables it
    erCanvas,  // while the canvas is not empty
    erGrid,    // while the document is a grid
    erPicFile, // while CurrentPicFile names an existing file
    erUndo,    // while there is a step to undo
    erRedo,    // while there is a step to redo
};

// The document state UpdateActions looks at.
struct TActionState {
    bool CanvasEmpty = true;
    bool GridMode = false;
    bool PicFileExists = false;
    bool CanUndo = false;
    bool CanRedo = false;
};

bool RuleEnabled(TEnabledRule Rule, const TActionState& State);

// One row of the command table.
struct TActionSpec {
    const char* Name;
    const char* Category;
    const char* Caption;
    const char* Hint;     // "" for none
    const char* Shortcut; // "" for none; several separated by ";"
    TEnabledRule Rule;
};

// The command table, in the order of ActMain.
const std::vector<TActionSpec>& ActionTable();

// The action list ActMain with its clients.
class TMainActions : public QObject {
    Q_OBJECT
public:
    // Owner parents the error messages of the handlers; every action is added to
    // it, so that the shortcuts act anywhere in that window.
    explicit TMainActions(QWidget* Owner);

    // The action named Name, or null.
    QAction* Action(const QString& Name) const;
    const std::vector<QAction*>& Actions() const { return FActions; }
    TEnabledRule Rule(const QAction* Action) const;

    // Runs Handler when the action is triggered; an error escaping it is shown
    // in the program's error message box. Replaces an earlier handler.
    void SetHandler(const QString& Name, std::function<void()> Handler);
    // Runs the action's handler as its trigger would, also while the action is
    // disabled (a command that another command calls on its own authority).
    void Run(const QString& Name);
    // Enables and disables the actions by their rules.
    void Update(const TActionState& State);

    // The menus "&File", "&Edit", "Layer", "&Tools" and "&Help".
    void BuildMainMenu(QMenuBar* Menu);
    // The canvas's pop-up menu pmenuRotate.
    QMenu* BuildRotateMenu(QWidget* Parent);
    // The buttons of the tool bar, with their pictures and the two separators.
    void BuildToolBar(QToolBar* ToolBar);

    // A menu item that shows and runs Action, with Caption in place of the
    // action's caption when Caption is not empty.
    static QAction* MakeMenuItem(QAction* Action, const QString& Caption, QObject* Parent);
    // A button that shows and runs Action; an empty Caption takes the action's.
    static void BindButton(QToolButton* Button, QAction* Action, const QString& Caption);

private:
    void RunAt(std::size_t Index);
    void FillMenu(QMenu* Menu, const char* const* Items, const char* Prefix);

    QWidget* FOwner;
    std::vector<QAction*> FActions;
    std::vector<TEnabledRule> FRules;
    std::vector<QMetaObject::Connection> FHandlers;
    std::vector<std::function<void()>> FFunctions;
};
