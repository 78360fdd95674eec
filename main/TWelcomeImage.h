// The picture box of the welcome page. On a high-density screen it shows a
// drawing of the welcome picture made with that many more pixels, where a
// plain picture box would blow the picture up.
#pragma once

#include "engine/TImgView32.h"

#include <QImage>

#include <string>

class QPainter;
class QRect;

class TWelcomeImage : public TImage32 {
    Q_OBJECT
public:
    explicit TWelcomeImage(QWidget* Parent = nullptr) : TImage32(Parent) {}

    // The drawing shown instead of Bitmap() where the screen has more than one
    // device pixel per pixel; its device pixel ratio tells its density. A null
    // image shows Bitmap() everywhere.
    void SetSharpPicture(const QImage& Picture);
    const QImage& SharpPicture() const { return FSharp; }

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    QImage FSharp;
};

// The file that holds the drawing of picture File at Scale device pixels per
// pixel: beside File, its name with "@<Scale>x" before the extension, as a PNG
// or with File's own extension ("MainBG1.bmp" -> "MainBG1@2x.png" or
// "MainBG1@2x.bmp"). Empty when there is no such file.
std::string SharpPictureFile(const std::string& File, int Scale);

// The drawing of SharpPictureFile(File, Scale), its device pixel ratio set to
// Scale. Null when there is none, when it cannot be read, or when it is not
// exactly Scale times Width x Height (a drawing of another picture).
QImage LoadSharpPicture(const std::string& File, int Scale, int Width, int Height);

// Draws Sharp over the logical rectangle Target with one of its pixels to each
// device pixel of a painter whose device has Sharp's density. Nothing when
// Sharp is null or its logical size is not Target's.
void DrawSharpPicture(QPainter& Painter, const QRect& Target, const QImage& Sharp);
