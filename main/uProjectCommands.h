// The window's project commands: "Open Project..." and "Save Project..." with
// their dialogs, the search for pictures a project cannot find, the project's
// own layout, and the caption that names the project.
#pragma once

#include "document/TMergeDocument.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <string>

class QWidget;
class TPictureOpenDialog;
class TSaveDialog;

// The file types of the project dialogs.
extern const char* const ProjectFilter;

// Whether File is named as a project file (".tessellon" in any case).
bool IsProjectFileName(const std::string& File);

// The window title: the program's own, after the project's name and an
// asterisk while the project lacks changes made since; the program's alone
// without a project.
QString ProjectCaption(const QString& ProgramTitle, const QString& ProjectFile, bool Unsaved);

// Runs Edit (a layout dialog working on Option) with Layout's values in
// Option's place; afterwards Layout holds the values Edit left there and Option
// its own again, also when Edit throws. Edit's answer is returned.
struct TIniOption;
bool EditLayoutInOption(TIniOption& Option, TMergeLayout& Layout,
                        const std::function<bool()>& Edit);

// Files as the lines of a message: at most Limit of them, then how many more.
QString FileLines(const QStringList& Files, int Limit = 12);

class TProjectCommands {
public:
    TProjectCommands(QWidget* Owner, TMergeDocument& Document);
    ~TProjectCommands();
    TProjectCommands(const TProjectCommands&) = delete;
    TProjectCommands& operator=(const TProjectCommands&) = delete;

    // The dialogs, made with the window; tests set their Chooser hooks.
    TSaveDialog* SaveDlg;
    TPictureOpenDialog* OpenDlg;
    // Stands in for the folder dialog that looks for missing pictures: it is
    // given the folder shown first, fills Chosen and answers false to cancel.
    using TFolderChooser = std::function<bool(const QString& Initial, QString& Chosen)>;
    TFolderChooser FolderChooser;

    // The project file the document was opened from or saved as last; empty
    // for none.
    const QString& File() const { return FFile; }
    bool Attached() const { return !FFile.isEmpty(); }
    // Whether the document has changes its project file lacks.
    bool Unsaved() const { return Attached() && !FDocument.ProjectSaved(); }

    // The layout rebuilds of this document go by: the project's while one is
    // open (the user's settings stay as they are), else none.
    const std::optional<TMergeLayout>& Layout() const { return FLayout; }
    void SetLayout(const TMergeLayout& Layout) { FLayout = Layout; }

    // "Open Project...": the open dialog in Folder, then OpenFile. False when
    // cancelled or nothing was opened.
    bool Open(const QString& Folder);
    // Reads File and makes the document its project. A file that cannot be
    // read as a project throws with the reason, the document unchanged.
    // Missing pictures are listed in one message that offers to look for them
    // in another folder; what is still missing is left out and said once.
    bool OpenFile(const QString& File);
    // "Save Project...": the save dialog, then SaveTo. False when cancelled.
    bool SaveAs();
    // Writes the document as the project File (through a temporary file) and
    // attaches it. Errors throw with nothing marked saved.
    void SaveTo(const QString& File);
    // The document is no longer the project's (after New).
    void Detach();

private:
    QWidget* FOwner;
    TMergeDocument& FDocument;
    QString FFile;
    std::optional<TMergeLayout> FLayout;
};
