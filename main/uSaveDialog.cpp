#include "main/uSaveDialog.h"

#include "CommUnit/TPictureOpenDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

namespace {

// "*.jpg", ".jpg" or "jpg" -> "jpg".
QString SuffixOf(QString Ext) {
    while (Ext.startsWith(QLatin1Char('*')) || Ext.startsWith(QLatin1Char('.')))
        Ext.remove(0, 1);
    return Ext;
}

} // namespace

TSaveDialog::TSaveDialog(QWidget* Parent, const QString& Filter, const QString& DefaultExt)
    : QFileDialog(Parent) {
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setNameFilters(NameFiltersOf(Filter));
    setSizeGripEnabled(true);
    SetDefaultExt(DefaultExt);
}

QStringList TSaveDialog::NameFiltersOf(const QString& Filter) {
    return TPictureOpenDialog::NameFiltersOf(Filter);
}

void TSaveDialog::SetDefaultExt(const QString& Ext) {
    FDefaultExt = Ext;
    setDefaultSuffix(SuffixOf(Ext));
}

void TSaveDialog::SetConfirmOverwrite(bool Confirm) {
    setOption(QFileDialog::DontConfirmOverwrite, !Confirm);
}

bool TSaveDialog::Execute() {
    if (Chooser)
        return Chooser(*this);
    const QStringList filters = nameFilters();
    if (FilterIndex >= 1 && FilterIndex <= filters.size())
        selectNameFilter(filters[FilterIndex - 1]);
    if (!FileName.isEmpty())
        selectFile(FileName);
    if (exec() != QDialog::Accepted)
        return false;
    const QStringList files = selectedFiles();
    if (files.isEmpty() || files.first().isEmpty())
        return false;
    FileName = files.first();
    const int index = int(filters.indexOf(selectedNameFilter()));
    FilterIndex = index >= 0 ? index + 1 : 1;
    return true;
}

void TSaveDialog::accept() {
    if (FolderMustExist) {
        const QStringList files = selectedFiles();
        if (!files.isEmpty() && !files.first().isEmpty()) {
            const QFileInfo file(files.first());
            if (!file.isDir() && !QFileInfo(file.absolutePath()).isDir()) {
                QMessageBox::warning(
                    this, windowTitle(),
                    QStringLiteral("The folder \"%1\" does not exist. Choose another folder.")
                        .arg(QDir::toNativeSeparators(file.absolutePath())));
                return;
            }
        }
    }
    QFileDialog::accept();
}
