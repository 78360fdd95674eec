// The options dialog "Standard Option": the output settings of the three
// formats that have one, the picture of the welcome page with a preview, and
// whether the main window shows its tool bar. A new dialog is made for every
// opening; "&Save" stores the controls into the settings record, "&Cancel"
// and the close box store nothing.
#pragma once

#include "settings/TOptionLogic.h"

#include <QDialog>

#include <string>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QListWidget;
class QPushButton;
class QStackedWidget;
class TImage32;
class TIntegerEdit;

class TfrmOption : public QDialog {
    Q_OBJECT
public:
    // Option is read now and written by "&Save"; AppFolder holds the welcome
    // pictures in its folder "Desktop".
    TfrmOption(TIniOption& Option, const std::string& AppFolder, QWidget* Parent = nullptr);

    TOptionLogic& Logic() { return FLogic; }

    QGroupBox* gbFormat;
    QListWidget* lbFormat;
    QStackedWidget* plCompress;
    TIntegerEdit* spJpgcompress;
    QComboBox* cbPngCompress;
    QComboBox* cbColors;
    QGroupBox* GroupBox1;
    QComboBox* cbDesktopImage;
    TImage32* DesktopView;
    QCheckBox* cbShowToolbar;
    QPushButton* btnSave;
    QPushButton* btnCancel;

    // "&Save": the controls into the settings record, then the dialog closes.
    void btnSaveClick();
    // Shows the picture that the name in cbDesktopImage finds. A name that
    // finds none, or a picture that cannot be read, keeps what was shown.
    void ShowDesktopPreview();

protected:
    void showEvent(QShowEvent* Event) override;

private:
    TIniOption& FOption;
    std::string FAppFolder;
    TOptionLogic FLogic;
};
