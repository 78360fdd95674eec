// The text input window: a small tool window that stays on top, in which the
// user types one line of text, may choose its font, and applies it as a new
// text layer of the merged picture. It lives for the whole run, hidden between
// uses, and keeps no modal loop: the main window stays usable while it is open.
#pragma once

#include "engine/TFont.h"

#include <QColor>
#include <QDialog>
#include <QImage>
#include <QWidget>

#include <functional>

class QFontDialog;
class QLineEdit;
class QPushButton;
class QToolButton;

// The font dialog of the text window: family, style and size of the font, and
// the colour of the text.
class TFontDlg : public QDialog {
    Q_OBJECT
public:
    explicit TFontDlg(QWidget* Parent);

    // Shows Font and lets the user change it; true, with Font taking the
    // chosen name, size, style and colour (its character set kept), when the
    // user confirms. Font is left alone on cancel.
    bool Execute(TFont& Font);
    // When set, runs in place of the dialog: it may change the font it is
    // given and answers false to cancel.
    std::function<bool(TFont&)> Chooser;

    QFontDialog* FontBox;
    QPushButton* btnColor;
    // The colour chosen so far.
    QColor Color() const { return FColor; }
    void SetColor(const QColor& Color);

private:
    QColor FColor;
};

// The pictures of the three buttons, 16 x 16, drawn in code. Scale draws the
// same picture at that many device pixels per pixel, for high-density screens
// (its device pixel ratio says so); the icon holds scales 1 to 3.
enum TTextInputPicture { tipSetFont, tipAdd, tipCancel };
QImage TextInputPicture(TTextInputPicture Which, int Scale = 1);
QIcon TextInputIcon(TTextInputPicture Which);

class TfrmTextInput : public QWidget {
    Q_OBJECT
public:
    // TextFont is the font of new text; it must outlive the window's use.
    TfrmTextInput(QWidget* Parent, TFont* TextFont);

    QLineEdit* edtText;
    QToolButton* btnSetFont;
    QToolButton* btnAdd;
    QToolButton* btnCancel;
    TFontDlg* FontDlg;

    // Adds a text layer with the text; an error it raises keeps the text and
    // the window open.
    std::function<void(const QString& Text)> OnAddText;

    // Apply: adds the text when there is one, then empties the box and hides.
    void btnAddClick();
    // Hides the window; the text stays.
    void btnCancelClick();
    // Chooses the font of new text; the window and its text stay.
    void btnSetFontClick();

    // The gradient's colours, top and bottom.
    static const QColor kTopColor;
    static const QColor kBottomColor;

protected:
    void paintEvent(QPaintEvent* Event) override;
    void showEvent(QShowEvent* Event) override;

private:
    TFont* FTextFont;
    bool FPlaced = false;
};
