// The picture open dialog: several files at once, the file types of every
// picture the program reads, starting in a given folder, with a preview of the
// picture under the cursor beside the file list.
#pragma once

#include <QFileDialog>
#include <QStringList>

#include <functional>

class TPicturePreview;

class TOpenPicturesDialog : public QFileDialog {
    Q_OBJECT
public:
    explicit TOpenPicturesDialog(QWidget* Parent);

    // The files chosen last, in the order the dialog lists them.
    QStringList Files;

    // When set, runs in place of the dialog: it sees the starting folder, may
    // fill Files, and answers false to cancel.
    using TChooser = std::function<bool(TOpenPicturesDialog&, const QString& Folder)>;
    TChooser Chooser;

    // Shows the dialog modally in Folder. True when files were chosen.
    bool Execute(const QString& Folder);

    // The picture of the file under the cursor.
    TPicturePreview* Preview;
};
