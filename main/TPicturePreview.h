// A preview of one picture file beside a file list: the file is decoded on a
// reading thread, shrunk to the preview's box, and shown when it arrives; the
// interface thread never waits for it.
#pragma once

#include <QImage>
#include <QLabel>
#include <QThreadPool>

class TPicturePreview : public QLabel {
    Q_OBJECT
public:
    explicit TPicturePreview(QSize Box, QWidget* Parent = nullptr);
    // Waits for a decode under way; its result is dropped.
    ~TPicturePreview() override;

    // Shows File once decoded; anything but a readable picture shows its
    // reason as text, and an empty name clears the preview.
    void ShowFile(const QString& File);
    QString File() const { return FFile; }
    // The picture shown; null while decoding and when there is none.
    QImage Picture() const { return FPicture; }

signals:
    // The preview of the last file asked for is shown.
    void PreviewShown();

private:
    void Delivered(unsigned Generation, const QImage& Picture, const QString& Why);

    QSize FBox;
    QString FFile;
    QImage FPicture;
    unsigned FGeneration = 0;
    QThreadPool FPool;
};
