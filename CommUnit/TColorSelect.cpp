#include "CommUnit/TColorSelect.h"

#include <QActionGroup>
#include <QColorDialog>
#include <QMenu>
#include <QPainter>
#include <QPixmap>

namespace {

const TPaletteColor kPalette[] = {
    {"Black", 0x000000},  {"Maroon", 0x000080},  {"Green", 0x008000}, {"Olive", 0x008080},
    {"Navy", 0x800000},   {"Purple", 0x800080},  {"Teal", 0x808000},  {"Gray", 0x808080},
    {"Silver", 0xC0C0C0}, {"Red", 0x0000FF},     {"Lime", 0x00FF00},  {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000},   {"Fuchsia", 0xFF00FF}, {"Aqua", 0xFFFF00},  {"White", 0xFFFFFF},
};

QColor ShownColor(TColor C) {
    return QColor::fromRgb(ColorToColor32(C));
}

// A swatch of Size with a dark frame, so that white shows on a light button.
QIcon Swatch(TColor C, QSize Size) {
    QPixmap pixmap(Size);
    pixmap.fill(ShownColor(C));
    QPainter painter(&pixmap);
    painter.setPen(QColor(64, 64, 64));
    painter.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    return QIcon(pixmap);
}

} // namespace

const TPaletteColor* TColorSelect::PaletteColors(int& Count) {
    Count = int(sizeof(kPalette) / sizeof(kPalette[0]));
    return kPalette;
}

TColorSelect::TColorSelect(QWidget* Parent) : QToolButton(Parent) {
    setPopupMode(QToolButton::InstantPopup);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setIconSize(QSize(36, 14));
    setFocusPolicy(Qt::StrongFocus);
    FMenu = new QMenu(this);
    auto* group = new QActionGroup(FMenu);
    for (const TPaletteColor& entry : kPalette) {
        QAction* action =
            FMenu->addAction(Swatch(entry.Color, QSize(16, 12)), QString::fromLatin1(entry.Name));
        action->setCheckable(true);
        action->setData(entry.Color);
        group->addAction(action);
        const TColor value = entry.Color;
        connect(action, &QAction::triggered, this, [this, value] { Choose(value); });
    }
    FMenu->addSeparator();
    QAction* other = FMenu->addAction(QStringLiteral("&Other..."));
    other->setObjectName(QStringLiteral("actOther"));
    connect(other, &QAction::triggered, this, &TColorSelect::ChooseOther);
    setMenu(FMenu);
    ShowSwatch();
}

void TColorSelect::SetColor(TColor Value) {
    FColor = Value;
    ShowSwatch();
}

void TColorSelect::Choose(TColor Value) {
    if (Value == FColor) {
        ShowSwatch();
        return;
    }
    SetColor(Value);
    emit ColorChanged(Value);
}

void TColorSelect::ChooseOther() {
    QColorDialog dialog(ShownColor(FColor), this);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QColor c = dialog.selectedColor();
    if (!c.isValid())
        return;
    Choose(TColor(c.red() | (c.green() << 8) | (c.blue() << 16)));
}

void TColorSelect::ShowSwatch() {
    setIcon(Swatch(FColor, iconSize()));
    for (QAction* action : FMenu->actions())
        if (action->isCheckable())
            action->setChecked(action->data().toInt() == FColor);
    const QColor shown = ShownColor(FColor);
    setAccessibleName(shown.name());
    setToolTip(shown.name().toUpper());
}
