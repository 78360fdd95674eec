#include "CommUnit/TIntegerEdit.h"

#include <QLineEdit>
#include <QSignalBlocker>

TIntegerEdit::TIntegerEdit(QWidget* Parent) : QSpinBox(Parent) {
    // No thousands separators: the field shows the number as it is typed.
    setGroupSeparatorShown(false);
    setAccelerated(true);
}

void TIntegerEdit::SetLimits(int Min, int Max, int Digits) {
    setRange(Min, Max);
    lineEdit()->setMaxLength(Digits);
}

int TIntegerEdit::MaxDigits() const {
    return lineEdit()->maxLength();
}

void TIntegerEdit::ShowValue(int Value) {
    if (Value == value())
        return;
    const QSignalBlocker quiet(this);
    setValue(Value);
}
