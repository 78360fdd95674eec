// Writing the merged picture to a file from the output settings, without any
// dialog: the part of saving that the desktop program and the command line share.
#pragma once

#include "codecs/uPictureWriter.h"

#include <QString>

class TBitmap32;
struct TIniOption;

// JpgCompress, PngCompress and MaxColor of the settings.
TSaveOptions SaveOptionsFromSettings(const TIniOption& Option);

// Encodes Picture (red, green and blue only) and writes it to FileName. The file
// is replaced only once it has been written in full: on any failure this throws
// and whatever was at FileName before is left as it was.
void WritePictureFile(const QString& FileName, TSaveFormat Format, const TBitmap32& Picture,
                      const TSaveOptions& Options);
