// The Save command: the merged picture flattened and written as one JPEG, PNG,
// BMP or GIF file, the format chosen by the file type picked in the save dialog.
#pragma once

#include "document/uPictureFile.h"

#include <QDateTime>
#include <QString>

class TBitmap32;
class TLogFile;
class TMergeDocument;
class TSaveDialog;

// The file types of the picture save dialog, in the order of TSaveFormat.
extern const char* const SavePictureFilter;
// The dialog's default extension before the first save.
extern const char* const SavePictureDefaultExt; // "*.jpg"

// The default extension the dialog offers after a save in Format; empty for GIF,
// which leaves the previous one.
QString DefaultExtAfterSave(TSaveFormat Format);

// The whole command. Runs the dialog (nothing happens when it is cancelled:
// false), renders the merged picture, writes it in the chosen type, sets the
// document's Saved and appends "Create New Picture" with the file's path to Log
// (an error of the log is swallowed). A failure to render or write throws;
// Saved and the log are then untouched.
bool SaveMergedPicture(TSaveDialog& Dialog, TMergeDocument& Document, TLogFile& Log,
                       const TSaveOptions& Options,
                       const QDateTime& Now = QDateTime::currentDateTime());
