#include "main/uOpenPicturesDialog.h"

#include "codecs/uCodecRegistry.h"
#include "main/TPicturePreview.h"
#include "main/uSaveDialog.h"

#include <QGridLayout>

namespace {

constexpr int kPreviewSide = 180;

} // namespace

TOpenPicturesDialog::TOpenPicturesDialog(QWidget* Parent) : QFileDialog(Parent) {
    setObjectName(QStringLiteral("OpenPicDlg"));
    // The dialog of the toolkit, so that the preview can sit beside its list.
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFiles);
    setNameFilters(TSaveDialog::NameFiltersOf(QString::fromStdString(PictureOpenFilter())));
    setSizeGripEnabled(true);
    Preview = new TPicturePreview(QSize(kPreviewSide, kPreviewSide), this);
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addWidget(Preview, 1, grid->columnCount(), grid->rowCount() - 1, 1);
    connect(this, &QFileDialog::currentChanged, Preview, &TPicturePreview::ShowFile);
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
