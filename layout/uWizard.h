// The creation wizard: three pages with a route map, on which the user picks
// the kind of the new picture, sets its layout and lists its pictures. It is
// made once, hidden, and keeps its controls between openings; every field
// writes the settings record at once, and Cancel undoes nothing. The New
// command reads only its grid flag and its list of files.
#pragma once

#include "layout/TLayoutFieldControls.h"
#include "layout/TWizardLogic.h"

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTableWidget;
class TBitmap32;
class TImage32;
class TIntegerEdit;
class TPictureOpenDialog;

class TfrmWizard : public QDialog {
    Q_OBJECT
public:
    explicit TfrmWizard(TIniOption& Option, QWidget* Parent = nullptr);
    ~TfrmWizard() override;

    // Opens the wizard modally, after the resets of every opening. True when
    // it was closed with "&Finish".
    bool Execute();

    // What the New command takes: the grid flag and the files of the list, in order.
    bool GridFlag() const { return FLogic.GridFlag(); }
    std::vector<std::string> PictureFiles() const { return FLogic.Pictures.Texts(); }
    // Empties the list (after a grid has been made).
    void ClearPictures();

    TWizardLogic& Logic() { return FLogic; }

    // Loads the preview's picture; the pixel store's own loader unless a test
    // sets another. Errors reach the program's error reporter.
    std::function<void(const std::string& File, TBitmap32& Picture)> PreviewLoader;

    // The route map, the pages and the buttons.
    QWidget* WizardNodes;
    QLabel* lbTitle;
    QLabel* lbSubtitle;
    QStackedWidget* WizardMain;
    QWidget* wp1;
    QWidget* wp2;
    QWidget* wp3;
    QPushButton* btnBack;
    QPushButton* btnNext;
    QPushButton* btnFinish;
    QPushButton* btnCancel;
    // Page 1.
    QRadioButton* rbWizard;
    QRadioButton* rbEmpty;
    QLineEdit* feSampleFile;
    QPushButton* feSampleFileBrowse;
    TIntegerEdit* edtPicWidth;
    TIntegerEdit* edtPicHeight;
    // Page 2 (and the background colour of page 1).
    TLayoutFieldControls Fields;
    QPushButton* btnOriginalSize;
    // Page 3.
    QPushButton* btnAdd;
    QPushButton* btnRemove;
    QPushButton* btnUp;
    QPushButton* btnDown;
    QTableWidget* lvPictures;
    TImage32* ImgPreview;
    // The sample picture's open dialog and the list's picture open dialog.
    TPictureOpenDialog* SampleDlg;
    TPictureOpenDialog* OpenPicDlg;

    // The handlers of the buttons.
    void btnNextClick();
    void btnBackClick();
    void btnFinishClick();
    void feSampleFileButtonClick();
    void btnOriginalSizeClick();
    void btnAddClick();
    void btnRemoveClick();
    void btnUpClick();
    void btnDownClick();

protected:
    void showEvent(QShowEvent* Event) override;

private:
    void CreatePage1();
    void CreatePage2();
    void CreatePage3();
    void Wire();
    // Shows the state of the logic: page, route map, buttons and fields.
    void ShowState();
    // Rebuilds the list's rows, selection and current entry from the logic.
    void ShowPictures();
    void Move(int Step);
    void SelectionChanged();
    void ShowPreview();
    void ShowSampleMessage(TSampleResult Result);
    void FocusPage();

    TWizardLogic FLogic;
    std::vector<QLabel*> FNodes;
    bool FPreviewPending = false;
};
