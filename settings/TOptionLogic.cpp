#include "settings/TOptionLogic.h"

#include "settings/uDesktopPicture.h"

#include <algorithm>

namespace {

// The index when Value is one of Count items, else -1.
int ItemIndex(int Value, std::size_t Count) {
    return Value >= 0 && static_cast<std::size_t>(Value) < Count ? Value : -1;
}

} // namespace

const std::vector<std::string>& TOptionLogic::FormatNames() {
    static const std::vector<std::string> names = {
        "JPEG Bitmap (*.JPG)", "Portable Network Graphics (*.PNG)", "Windows Bitmap (*.BMP)",
        "CompuServe Bitmap (*.GIF)"};
    return names;
}

const std::vector<std::string>& TOptionLogic::PngLevelNames() {
    static const std::vector<std::string> names = {"0", "1", "2", "3", "4",
                                                   "5", "6", "7", "8", "9"};
    return names;
}

const std::vector<std::string>& TOptionLogic::ColorDepthNames() {
    static const std::vector<std::string> names = {"16 colors", "256 colors", "True color(16bit)",
                                                   "True color(24bit)"};
    return names;
}

const std::vector<std::string>& TOptionLogic::DesktopPictureNames() {
    static const std::vector<std::string> names = {"MainBG1.bmp", "MainBG2.bmp", "MainBG3.bmp"};
    return names;
}

TOptionLogic::TPage TOptionLogic::PageForFormat(int Row) {
    switch (Row) {
    case 0:
        return pgJpeg;
    case 1:
        return pgPng;
    case 2:
        return pgColors;
    default:
        return pgEmpty;
    }
}

void TOptionLogic::Open(const TIniOption& Option) {
    DesktopName = Option.DesktopBg;
    JpgQuality = Option.JpgCompress;
    PngLevel = ItemIndex(Option.PngCompress, PngLevelNames().size());
    ColorDepth = ItemIndex(Option.MaxColor, ColorDepthNames().size());
    ShowToolbar = Option.ShowToolbar;
    FormatRow = 0;
}

void TOptionLogic::Save(TIniOption& Option) const {
    Option.DesktopBg = DesktopName;
    Option.JpgCompress = std::clamp(JpgQuality, 0, 100);
    if (ItemIndex(PngLevel, PngLevelNames().size()) >= 0)
        Option.PngCompress = PngLevel;
    if (ItemIndex(ColorDepth, ColorDepthNames().size()) >= 0)
        Option.MaxColor = ColorDepth;
    Option.ShowToolbar = ShowToolbar;
}

std::string TOptionLogic::PreviewFile(const std::string& AppFolder) const {
    return FindDesktopPicture(AppFolder, DesktopName);
}
