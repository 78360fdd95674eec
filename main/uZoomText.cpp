#include "main/uZoomText.h"

#include <cmath>

namespace {

int Percent(float Scale) {
    return int(std::nearbyint(double(Scale) * 100.0)); // halves to even
}

} // namespace

TZoomEdit ZoomFromText(const QString& Text, float CurrentScale) {
    TZoomEdit edit;
    QString digits = Text;
    digits.remove(QLatin1Char('%'));
    digits.remove(QLatin1Char(' '));
    if (digits.isEmpty())
        return edit;
    edit.Changed = true;
    bool ok = false;
    int n = digits.toInt(&ok);
    if (!ok)
        n = -1;
    if (n >= 1 && n <= 2000) {
        edit.SetScale = true;
        edit.Scale = float(n) / 100.0f;
    } else {
        n = Percent(CurrentScale);
    }
    edit.Text = QString::number(n) + QLatin1Char('%');
    edit.Caret = edit.Text.size() - 1;
    return edit;
}

float WheelZoom(float Scale, bool Up) {
    double s = Up ? double(Scale) / 1.1 : double(Scale) * 1.1;
    if (Up && s < 0.2)
        s = 0.2;
    if (!Up && s > 20.0)
        s = 20.0;
    return float(s);
}

QString ZoomText(float Scale) {
    return QString::number(Percent(Scale)) + QLatin1Char('%');
}
