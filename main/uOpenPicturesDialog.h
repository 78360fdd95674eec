// The picture open dialog of the main window: several files at once, the file
// types of every picture the program reads, with a preview of the picture
// under the cursor beside the file list.
#pragma once

#include "CommUnit/TPictureOpenDialog.h"

class TPicturePreview;

class TOpenPicturesDialog : public TPictureOpenDialog {
    Q_OBJECT
public:
    explicit TOpenPicturesDialog(QWidget* Parent);

    // The picture of the file under the cursor.
    TPicturePreview* Preview;
};
