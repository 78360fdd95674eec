// The reset dialog: the layout of the current grid picture, edited field by
// field. It is made once, hidden, and keeps its controls between openings;
// every field writes the settings record at once, and Cancel undoes nothing.
// The Reset command reads only its result.
#pragma once

#include "layout/TLayoutFieldControls.h"
#include "layout/TResetLogic.h"

#include <QDialog>

class QPushButton;

class TfrmReset : public QDialog {
    Q_OBJECT
public:
    explicit TfrmReset(TIniOption& Option, QWidget* Parent = nullptr);

    // Opens the dialog modally after the steps of every opening. True when it
    // was closed with OK.
    bool Execute();

    TResetLogic& Logic() { return FLogic; }

    TLayoutFieldControls Fields;
    QPushButton* btnOK;
    QPushButton* btnCancel;

    // OK: closes the dialog unless the grid's canvas would not fit.
    void btnOKClick();

protected:
    bool event(QEvent* Event) override;
    void showEvent(QShowEvent* Event) override;

private:
    TResetLogic FLogic;
};
