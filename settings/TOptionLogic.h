// What the options dialog does, without its widgets: the values its controls
// show, taken from the settings record at each opening, the page the format
// list shows, the welcome picture its preview finds, and what "&Save" stores.
// "&Cancel" stores nothing.
#pragma once

#include "settings/uIniOption.h"

#include <string>
#include <vector>

class TOptionLogic {
public:
    // The rows of the format list, in order.
    static const std::vector<std::string>& FormatNames();
    // The items of the PNG level list ("0" to "9") and of the BMP colour list;
    // an item's index is the value stored.
    static const std::vector<std::string>& PngLevelNames();
    static const std::vector<std::string>& ColorDepthNames();
    // The welcome pictures offered by name; any other name may be typed.
    static const std::vector<std::string>& DesktopPictureNames();

    // The pages beside the format list: JPEG quality, PNG level, BMP colours,
    // and an empty page for GIF, which has no setting.
    enum TPage { pgJpeg = 0, pgPng = 1, pgColors = 2, pgEmpty = 3 };
    // The page a row of the format list shows; no row (-1) shows the empty page.
    static TPage PageForFormat(int Row);

    // The values of the controls.
    std::string DesktopName;
    int JpgQuality = 100;
    int PngLevel = 9;   // -1: no item chosen
    int ColorDepth = 3; // -1: no item chosen
    bool ShowToolbar = true;
    int FormatRow = 0;

    // Every opening: the values from Option and the JPEG row chosen. A PNG
    // level or colour depth outside its list chooses no item.
    void Open(const TIniOption& Option);
    // "&Save": the values into Option. The JPEG quality is brought into
    // 0..100 and the name is stored as typed, whether or not such a picture
    // exists; a list without a chosen item leaves its setting as it was.
    void Save(TIniOption& Option) const;

    // The file the preview shows for DesktopName, found among the program's
    // files in AppFolder like the welcome page's picture; empty when there is
    // none (the preview then keeps what it showed).
    std::string PreviewFile(const std::string& AppFolder) const;
};
