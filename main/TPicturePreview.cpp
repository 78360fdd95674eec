#include "main/TPicturePreview.h"

#include "main/TExplorerModel.h"

#include <QFileInfo>
#include <QPixmap>
#include <QRunnable>

TPicturePreview::TPicturePreview(QSize Box, QWidget* Parent) : QLabel(Parent), FBox(Box) {
    setObjectName(QStringLiteral("PicturePreview"));
    setMinimumSize(Box);
    setAlignment(Qt::AlignCenter);
    setWordWrap(true);
    setFrameShape(QFrame::StyledPanel);
    FPool.setMaxThreadCount(1);
}

TPicturePreview::~TPicturePreview() {
    FPool.clear();
    FPool.waitForDone();
}

void TPicturePreview::ShowFile(const QString& File) {
    ++FGeneration;
    FFile = File;
    FPicture = QImage();
    clear();
    if (File.isEmpty() || !QFileInfo(File).isFile()) {
        emit PreviewShown();
        return;
    }
    // Only the newest file matters: one not yet begun is dropped.
    FPool.clear();
    const unsigned generation = FGeneration;
    const QSize box = FBox;
    FPool.start(QRunnable::create([this, generation, File, box] {
        QString why;
        QImage picture;
        try {
            picture = TExplorerModel::DecodeThumbnail(File, box, why);
        } catch (const std::exception& e) {
            why = QString::fromUtf8(e.what());
        }
        // The preview outlives every decode it started: its destructor waits.
        QMetaObject::invokeMethod(
            this, [this, generation, picture, why] { Delivered(generation, picture, why); },
            Qt::QueuedConnection);
    }));
}

void TPicturePreview::Delivered(unsigned Generation, const QImage& Picture, const QString& Why) {
    if (Generation != FGeneration)
        return;
    FPicture = Picture;
    if (Picture.isNull())
        setText(Why);
    else
        setPixmap(QPixmap::fromImage(Picture));
    emit PreviewShown();
}
