// A file open dialog for pictures: one file or several, its file types given
// as "description|masks|description|masks" (masks separated by ";"), started
// in a given folder. A test sets a chooser that stands in for the dialog.
#pragma once

#include <QFileDialog>
#include <QStringList>

#include <functional>

class TPictureOpenDialog : public QFileDialog {
    Q_OBJECT
public:
    // Several files may be chosen when Multiple, one existing file otherwise.
    TPictureOpenDialog(QWidget* Parent, bool Multiple);

    // The file types as name filters: "description (masks)", the masks joined
    // by blanks; a description that already ends in them is kept as it is.
    static QStringList NameFiltersOf(const QString& Filter);

    // The files chosen last, in the order the dialog lists them.
    QStringList Files;

    // When set, runs in place of the dialog: it sees the starting folder, may
    // fill Files, and answers false to cancel.
    using TChooser = std::function<bool(TPictureOpenDialog&, const QString& Folder)>;
    TChooser Chooser;

    // Shows the dialog modally in Folder. True when a file was chosen.
    bool Execute(const QString& Folder);
};
