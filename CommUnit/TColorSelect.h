// A colour button: it shows its colour and drops down a palette of the
// standard colours with "&Other..." at the end, which offers any colour in the
// colour dialog. Colours are form colours (0x00BBGGRR, or a system colour
// when the top bit is set, shown resolved).
#pragma once

#include "engine/TColor32.h"

#include <QToolButton>

#include <functional>

class QColorDialog;
class QMenu;

struct TPaletteColor {
    const char* Name;
    TColor Color;
};

class TColorSelect : public QToolButton {
    Q_OBJECT
public:
    explicit TColorSelect(QWidget* Parent = nullptr);

    // The colours of the drop-down palette, in their order.
    static const TPaletteColor* PaletteColors(int& Count);

    TColor Color() const { return FColor; }
    // Shows Value without signalling a change.
    void SetColor(TColor Value);

    // The drop-down palette, its "&Other..." entry last.
    QMenu* PaletteMenu() const { return FMenu; }
    // "&Other...": the colour dialog, starting at the colour shown. A choice
    // other than that colour changes it.
    void ChooseOther();

signals:
    // The user chose a colour other than the one shown; it shows it already.
    void ColorChanged(TColor Value);

private:
    void Choose(TColor Value);
    void ShowSwatch();

    TColor FColor = 0;
    QMenu* FMenu;
};
