// A save-file dialog that keeps its state between uses: the file name last
// chosen, the file type (1-based, in the order of the filter) and the default
// extension. The file types are given as "description|masks|description|masks",
// masks separated by ";".
#pragma once

#include <QFileDialog>
#include <QString>
#include <QStringList>

#include <functional>

class TSaveDialog : public QFileDialog {
    Q_OBJECT
public:
    TSaveDialog(QWidget* Parent, const QString& Filter, const QString& DefaultExt);

    // The file types as name filters: "description (masks)", the masks joined by
    // blanks; a description that already ends in its masks is kept as it is.
    static QStringList NameFiltersOf(const QString& Filter);

    // The file chosen last, as the dialog returned it; empty before the first use.
    QString FileName;
    // The file type chosen last, 1 for the first.
    int FilterIndex = 1;

    // The extension given to a name typed without one, as "*.jpg" or "jpg".
    const QString& DefaultExt() const { return FDefaultExt; }
    void SetDefaultExt(const QString& Ext);

    // Whether choosing an existing file asks before replacing it (on at first).
    void SetConfirmOverwrite(bool Confirm);
    // Whether a file in a folder that does not exist is refused with a message,
    // the dialog staying open (off at first).
    bool FolderMustExist = false;

    // When set, runs in place of the dialog: it sees the dialog's state, may
    // change FileName and FilterIndex, and answers false to cancel.
    using TChooser = std::function<bool(TSaveDialog&)>;
    TChooser Chooser;

    // Shows the dialog modally with the remembered file and type. True when the
    // user accepted a file; FileName and FilterIndex then hold the choice.
    bool Execute();

public slots:
    void accept() override;

private:
    QString FDefaultExt;
};
