#include "main/uOpenPicturesDialog.h"

#include "codecs/uCodecRegistry.h"
#include "main/TPicturePreview.h"

#include <QGridLayout>

namespace {

constexpr int kPreviewSide = 180;

} // namespace

TOpenPicturesDialog::TOpenPicturesDialog(QWidget* Parent) : TPictureOpenDialog(Parent, true) {
    setObjectName(QStringLiteral("OpenPicDlg"));
    // The dialog of the toolkit, so that the preview can sit beside its list.
    setOption(QFileDialog::DontUseNativeDialog);
    setNameFilters(NameFiltersOf(QString::fromStdString(PictureOpenFilter())));
    Preview = new TPicturePreview(QSize(kPreviewSide, kPreviewSide), this);
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addWidget(Preview, 1, grid->columnCount(), grid->rowCount() - 1, 1);
    connect(this, &QFileDialog::currentChanged, Preview, &TPicturePreview::ShowFile);
}
