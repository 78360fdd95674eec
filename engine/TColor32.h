// Pixel and form colours and the conversions between them.
#pragma once

#include <cstdint>

// A pixel: 0xAARRGGBB, not premultiplied. In memory the bytes are blue, green,
// red, alpha. Alpha 0 is fully transparent, 255 fully opaque.
using TColor32 = std::uint32_t;

// A form or settings colour: 0x00BBGGRR, or a system colour when the top bit is
// set; the low byte of a system colour is the index of the colour scheme entry.
using TColor = std::int32_t;

// Indices of the colour scheme (the low byte of a system colour).
enum TSystemColorIndex : int {
    COLOR_SCROLLBAR = 0,
    COLOR_BACKGROUND = 1,
    COLOR_ACTIVECAPTION = 2,
    COLOR_INACTIVECAPTION = 3,
    COLOR_MENU = 4,
    COLOR_WINDOW = 5,
    COLOR_WINDOWFRAME = 6,
    COLOR_MENUTEXT = 7,
    COLOR_WINDOWTEXT = 8,
    COLOR_CAPTIONTEXT = 9,
    COLOR_ACTIVEBORDER = 10,
    COLOR_INACTIVEBORDER = 11,
    COLOR_APPWORKSPACE = 12,
    COLOR_HIGHLIGHT = 13,
    COLOR_HIGHLIGHTTEXT = 14,
    COLOR_BTNFACE = 15,
    COLOR_BTNSHADOW = 16,
    COLOR_GRAYTEXT = 17,
    COLOR_BTNTEXT = 18,
    COLOR_INACTIVECAPTIONTEXT = 19,
    COLOR_BTNHIGHLIGHT = 20,
    COLOR_3DDKSHADOW = 21,
    COLOR_3DLIGHT = 22,
    COLOR_INFOTEXT = 23,
    COLOR_INFOBK = 24,
    COLOR_HOTLIGHT = 26,
    COLOR_GRADIENTACTIVECAPTION = 27,
    COLOR_GRADIENTINACTIVECAPTION = 28,
    COLOR_MENUHILIGHT = 29,
    COLOR_MENUBAR = 30,
};

// Form colours used by the program.
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clWindowText = static_cast<TColor>(0xFF000000u | COLOR_WINDOWTEXT);
constexpr TColor clAppWorkSpace = static_cast<TColor>(0xFF000000u | COLOR_APPWORKSPACE);
constexpr TColor clBtnFace = static_cast<TColor>(0xFF000000u | COLOR_BTNFACE);

// The current value (0x00BBGGRR) of the colour scheme entry Index. With a
// running QGuiApplication the entries that have a palette role follow the
// application's palette; everything else comes from a fixed table of the
// classic scheme. Unknown indices give black.
TColor SystemColor(int Index);

// An opaque pixel of the form colour C; a system colour is resolved first
// (only its low byte counts).
TColor32 ColorToColor32(TColor C);

constexpr TColor32 MakeColor32(std::uint8_t R, std::uint8_t G, std::uint8_t B,
                               std::uint8_t A = 255) {
    return (TColor32(A) << 24) | (TColor32(R) << 16) | (TColor32(G) << 8) | TColor32(B);
}

constexpr std::uint8_t AlphaComponent(TColor32 C) {
    return std::uint8_t(C >> 24);
}
constexpr std::uint8_t RedComponent(TColor32 C) {
    return std::uint8_t(C >> 16);
}
constexpr std::uint8_t GreenComponent(TColor32 C) {
    return std::uint8_t(C >> 8);
}
constexpr std::uint8_t BlueComponent(TColor32 C) {
    return std::uint8_t(C);
}
