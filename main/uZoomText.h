// The rules of the zoom box and the wheel zoom, apart from the widgets.
#pragma once

#include <QString>

// What a change of the zoom box's text leads to.
struct TZoomEdit {
    // False for an empty box: nothing changes, the text stays as typed.
    bool Changed = false;
    // The new scale when the text held a percentage from 1 to 2000.
    bool SetScale = false;
    float Scale = 1.0f;
    // The box's new text ("<n>%") and the caret, just before the "%".
    QString Text;
    int Caret = 0;
};

// The box's text with every "%" and blank removed, read as a whole
// percentage: from 1 to 2000 it becomes the scale; anything else gives the
// current scale back as the box's text.
TZoomEdit ZoomFromText(const QString& Text, float CurrentScale);

// One notch of the wheel: away from the user (Up) divides the scale by 1.1 down
// to 0.2, towards the user multiplies it by 1.1 up to 20.
float WheelZoom(float Scale, bool Up);

// The scale as the box shows it: a whole percentage (halves to even) and "%".
QString ZoomText(float Scale);
