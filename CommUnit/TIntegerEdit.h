// A field for a whole number with up and down buttons: a range that a value
// set by the program is brought into, and a limit on the digits that can be
// typed. Every change of its value, typed, stepped or set, is signalled by
// valueChanged unless the program shows a value quietly.
#pragma once

#include <QSpinBox>

class TIntegerEdit : public QSpinBox {
    Q_OBJECT
public:
    explicit TIntegerEdit(QWidget* Parent = nullptr);

    // The values the field accepts and the most digits that can be typed.
    void SetLimits(int Min, int Max, int Digits);
    int MaxDigits() const;

    // Shows Value, brought into the range, without signalling a change.
    void ShowValue(int Value);
};
