// The controls of the layout fields that the creation wizard and the reset
// dialog share, and their wiring to a TLayoutParams: every change of a
// control goes to the params, and the controls then show what the params
// hold (a coupled side, the dimension text) without running a rule again.
#pragma once

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QWidget;
class TColorSelect;
class TIntegerEdit;
class TLayoutParams;

struct TLayoutFieldControls {
    TIntegerEdit* edtResizeWidth = nullptr;
    TIntegerEdit* edtResizeHeight = nullptr;
    QCheckBox* cbAspectRatio = nullptr;
    QComboBox* cbResizeType = nullptr;
    TColorSelect* FillColorSelect = nullptr;
    TIntegerEdit* edtRows = nullptr;
    TIntegerEdit* edtCols = nullptr;
    TIntegerEdit* edtSpace = nullptr;
    // The sunken panel with the dimension text.
    QLabel* plPicSize = nullptr;
    TColorSelect* BgColorSelect = nullptr;

    // Makes the controls as children of Parent, with their names, ranges,
    // digit limits, items and the check box's caption (BgColorSelect only when
    // the caller has not made it elsewhere). The caller lays them out.
    void Create(QWidget* Parent, const char* AspectRatioCaption);
    // Passes each change of a control to Params, then runs Changed. Errors of
    // a handler go to the program's error reporter.
    void Wire(QWidget* Owner, TLayoutParams& Params, std::function<void()> Changed);
    // Shows what Params holds; runs no handler.
    void Show(const TLayoutParams& Params);
};
