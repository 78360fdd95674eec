#include "engine/TColor32.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

constexpr TColor Rgb(int R, int G, int B) {
    return TColor(R | (G << 8) | (B << 16));
}

// The classic colour scheme, by index; 0 (black) where there is no entry.
constexpr TColor kClassicScheme[31] = {
    Rgb(200, 200, 200), // scroll bar
    Rgb(0, 0, 0),       // desktop
    Rgb(153, 180, 209), // active caption
    Rgb(191, 205, 219), // inactive caption
    Rgb(240, 240, 240), // menu
    Rgb(255, 255, 255), // window
    Rgb(100, 100, 100), // window frame
    Rgb(0, 0, 0),       // menu text
    Rgb(0, 0, 0),       // window text
    Rgb(0, 0, 0),       // caption text
    Rgb(180, 180, 180), // active border
    Rgb(244, 247, 252), // inactive border
    Rgb(171, 171, 171), // application workspace
    Rgb(0, 120, 215),   // highlight
    Rgb(255, 255, 255), // highlight text
    Rgb(240, 240, 240), // button face
    Rgb(160, 160, 160), // button shadow
    Rgb(109, 109, 109), // grey text
    Rgb(0, 0, 0),       // button text
    Rgb(0, 0, 0),       // inactive caption text
    Rgb(255, 255, 255), // button highlight
    Rgb(105, 105, 105), // 3-D dark shadow
    Rgb(227, 227, 227), // 3-D light
    Rgb(0, 0, 0),       // tool tip text
    Rgb(255, 255, 225), // tool tip background
    Rgb(0, 0, 0),       // (unused)
    Rgb(0, 102, 204),   // hot-tracked item
    Rgb(185, 209, 234), // gradient of the active caption
    Rgb(215, 228, 242), // gradient of the inactive caption
    Rgb(0, 120, 215),   // menu highlight
    Rgb(240, 240, 240), // menu bar
};

// The palette entry that stands for a scheme entry, when there is one.
bool PaletteRole(int Index, QPalette::ColorGroup& Group, QPalette::ColorRole& Role) {
    Group = QPalette::Active;
    switch (Index) {
    case COLOR_MENU:
    case COLOR_BTNFACE:
    case COLOR_MENUBAR:
        Role = QPalette::Button;
        return true;
    case COLOR_WINDOW:
        Role = QPalette::Base;
        return true;
    case COLOR_MENUTEXT:
    case COLOR_WINDOWTEXT:
        Role = QPalette::WindowText;
        return true;
    case COLOR_APPWORKSPACE:
    case COLOR_BTNSHADOW:
        Role = QPalette::Dark;
        return true;
    case COLOR_HIGHLIGHT:
    case COLOR_MENUHILIGHT:
        Role = QPalette::Highlight;
        return true;
    case COLOR_HIGHLIGHTTEXT:
        Role = QPalette::HighlightedText;
        return true;
    case COLOR_GRAYTEXT:
        Group = QPalette::Disabled;
        Role = QPalette::Text;
        return true;
    case COLOR_BTNTEXT:
        Role = QPalette::ButtonText;
        return true;
    case COLOR_BTNHIGHLIGHT:
        Role = QPalette::Light;
        return true;
    case COLOR_3DDKSHADOW:
        Role = QPalette::Shadow;
        return true;
    case COLOR_3DLIGHT:
        Role = QPalette::Midlight;
        return true;
    case COLOR_INFOTEXT:
        Role = QPalette::ToolTipText;
        return true;
    case COLOR_INFOBK:
        Role = QPalette::ToolTipBase;
        return true;
    case COLOR_HOTLIGHT:
        Role = QPalette::Link;
        return true;
    default:
        return false;
    }
}

} // namespace

TColor SystemColor(int Index) {
    if (Index < 0 || Index > COLOR_MENUBAR)
        return clBlack;
    QPalette::ColorGroup Group;
    QPalette::ColorRole Role;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr &&
        PaletteRole(Index, Group, Role)) {
        const QColor C = QGuiApplication::palette().color(Group, Role);
        return Rgb(C.red(), C.green(), C.blue());
    }
    return kClassicScheme[Index];
}

TColor32 ColorToColor32(TColor C) {
    std::uint32_t V = static_cast<std::uint32_t>(C);
    if (C < 0)
        V = static_cast<std::uint32_t>(SystemColor(int(V & 0xFF)));
    return 0xFF000000u | ((V & 0xFF) << 16) | (V & 0xFF00) | ((V >> 16) & 0xFF);
}
