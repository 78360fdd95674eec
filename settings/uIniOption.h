// The settings record of the whole program and its file Setup.ini.
#pragma once

#include <cstdint>
#include <string>

// A settings colour: 0x00BBGGRR, or a system colour when the top bit is set.
using TColor = std::int32_t;

struct TIniOption {
    TColor DesktopColor = 0xFFFFFF;
    std::string DesktopBg = "MainBg1.bmp";
    std::string ScrIniPath;
    std::int32_t JpgCompress = 100;
    std::int32_t PngCompress = 9;
    std::int32_t MaxColor = 3;
    std::int32_t OutputFormat = 0;
    std::int32_t NewWidth = 480;
    std::int32_t NewHeight = 640;
    TColor NewBg = 0xFFFFFF;
    TColor FillColor = 0;
    std::int32_t RowNumber = 4;
    std::int32_t ColNumber = 2;
    std::int32_t ResizeType = 0;
    std::int32_t ResizeWidth = 240;
    std::int32_t ResizeHeight = 220;
    std::int32_t Space = 2;
    std::int32_t WinWidth = 750;
    std::int32_t WinHeight = 550;
    std::int32_t WinState = 0;
    bool ShowToolbar = true;
};

// The one settings record of the process, read and changed by the user-interface thread.
extern TIniOption IniOption;

// The settings file's name inside its folder.
extern const char* const kIniFileName; // "Setup.ini"

// Fills IniOption from folder + "Setup.ini" (folder ends in a separator). A missing
// file or key gives the defaults; a file that exists but cannot be read throws.
void LoadIniOption(const std::string& folder);
// Writes IniOption into folder + "Setup.ini", keeping every other section and key.
void SaveIniOption(const std::string& folder);

// The same for any record and file, for tools that keep a record of their own.
// defaultScrIniPath is the value of ScrIniPath when the file has no such key.
TIniOption ReadIniOptionFile(const std::string& fileName, const std::string& defaultScrIniPath);
void WriteIniOptionFile(const TIniOption& option, const std::string& fileName);

// Brings the three output values into range after loading: JpgCompress outside
// 0..100 becomes 70, PngCompress outside 0..9 becomes 9, MaxColor outside 0..3 becomes 3.
void CorrectOutputOptions(TIniOption& option);
