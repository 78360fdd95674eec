#include "main/uSaveCommand.h"

#include "engine/TBitmap32.h"
#include "document/TLogFile.h"
#include "document/TMergeDocument.h"
#include "document/uPictureFile.h"
#include "main/uSaveDialog.h"

const char* const SavePictureFilter =
    "JPEG Bitmap (JPG)|*.jpg|Portable Network Graphics (PNG)|*.png|Windows Bitmap (BMP)|*.bmp|"
    "CompuServe Bitmap (GIF)|*.gif";
const char* const SavePictureDefaultExt = "*.jpg";

QString DefaultExtAfterSave(TSaveFormat Format) {
    switch (Format) {
    case TSaveFormat::Jpeg:
        return QStringLiteral("*.jpg");
    case TSaveFormat::Png:
        return QStringLiteral("*.png");
    case TSaveFormat::Bmp:
        return QStringLiteral("*.bmp");
    case TSaveFormat::Gif:
        break;
    }
    return QString();
}

bool SaveMergedPicture(TSaveDialog& Dialog, TMergeDocument& Document, TLogFile& Log,
                       const TSaveOptions& Options, const QDateTime& Now) {
    if (!Dialog.Execute())
        return false;
    const QString fileName = Dialog.FileName;
    const TSaveFormat format = SaveFormatFromFilterIndex(Dialog.FilterIndex);

    TBitmap32 picture;
    Document.RenderMergedPicture(picture);
    const QString ext = DefaultExtAfterSave(format);
    if (!ext.isEmpty())
        Dialog.SetDefaultExt(ext);
    WritePictureFile(fileName, format, picture, Options);
    Document.MarkSaved();

    try {
        Log.AppendEntry(LogDateTimeText(Now), QString::fromLatin1(LogActionCreatePicture),
                        fileName);
    } catch (...) {
        // The picture is saved; a log that cannot be written does not change that.
    }
    return true;
}
