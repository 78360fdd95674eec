#include "document/uPictureFile.h"

#include "document/uSafeSave.h"
#include "engine/TBitmap32.h"
#include "settings/uIniOption.h"

TSaveOptions SaveOptionsFromSettings(const TIniOption& Option) {
    TSaveOptions options;
    options.JpgCompress = Option.JpgCompress;
    options.PngCompress = Option.PngCompress;
    options.MaxColor = Option.MaxColor;
    return options;
}

void WritePictureFile(const QString& FileName, TSaveFormat Format, const TBitmap32& Picture,
                      const TSaveOptions& Options) {
    const TPixelView view(Picture.Width(), Picture.Height(), Picture.Bits());
    SaveFileSafely(FileName, EncodePicture(Format, view, Options));
}
