#include "main/uOpenPicturesDialog.h"

#include "codecs/uCodecRegistry.h"
#include "main/uSaveDialog.h"

TOpenPicturesDialog::TOpenPicturesDialog(QWidget* Parent) : QFileDialog(Parent) {
    setObjectName(QStringLiteral("OpenPicDlg"));
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFiles);
    setNameFilters(TSaveDialog::NameFiltersOf(QString::fromStdString(PictureOpenFilter())));
    setSizeGripEnabled(true);
}

bool TOpenPicturesDialog::Execute(const QString& Folder) {
    Files.clear();
    if (Chooser)
        return Chooser(*this, Folder) && !Files.isEmpty();
    setDirectory(Folder);
    if (exec() != QDialog::Accepted)
        return false;
    Files = selectedFiles();
    return !Files.isEmpty();
}
