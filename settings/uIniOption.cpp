#include "settings/uIniOption.h"

#include "settings/TIniDocument.h"
#include "settings/uAppPaths.h"

#include <cstddef>

TIniOption IniOption;
const char* const kIniFileName = "Setup.ini";

namespace {

const char* const kSection = "Setup";

enum class TKeyKind { Integer, Boolean, Text };

// One row per key of section "Setup", in the order the keys are read.
struct TKeyRow {
    const char* name;
    TKeyKind kind;
    std::int32_t TIniOption::*integer;
    bool TIniOption::*boolean;
    std::string TIniOption::*text;
};

constexpr TKeyRow Int(const char* name, std::int32_t TIniOption::*field) {
    return {name, TKeyKind::Integer, field, nullptr, nullptr};
}
constexpr TKeyRow Bool(const char* name, bool TIniOption::*field) {
    return {name, TKeyKind::Boolean, nullptr, field, nullptr};
}
constexpr TKeyRow Text(const char* name, std::string TIniOption::*field) {
    return {name, TKeyKind::Text, nullptr, nullptr, field};
}

const TKeyRow kKeys[] = {
    Int("DesktopColor", &TIniOption::DesktopColor),
    Text("DesktopBg", &TIniOption::DesktopBg),
    Text("ScrIniPath", &TIniOption::ScrIniPath),
    Int("JpgCompress", &TIniOption::JpgCompress),
    Int("PngCompress", &TIniOption::PngCompress),
    Int("MaxColor", &TIniOption::MaxColor),
    Int("OutputFormat", &TIniOption::OutputFormat),
    Int("NewWidth", &TIniOption::NewWidth),
    Int("NewHeight", &TIniOption::NewHeight),
    Int("NewBg", &TIniOption::NewBg),
    Int("FillColor", &TIniOption::FillColor),
    Int("RowNumber", &TIniOption::RowNumber),
    Int("ColNumber", &TIniOption::ColNumber),
    Int("ResizeType", &TIniOption::ResizeType),
    Int("ResizeWidth", &TIniOption::ResizeWidth),
    Int("ResizeHeight", &TIniOption::ResizeHeight),
    Int("Space", &TIniOption::Space),
    Int("WinWidth", &TIniOption::WinWidth),
    Int("WinHeight", &TIniOption::WinHeight),
    Int("WinState", &TIniOption::WinState),
    Bool("ShowToolbar", &TIniOption::ShowToolbar),
};

// Indexes into kKeys in the order the keys are written.
const std::size_t kSaveOrder[] = {2,  0, 1,  3,  4,  5,  6,  7,  8,  11, 12,
                                  13, 9, 10, 14, 15, 16, 17, 18, 19, 20};
static_assert(sizeof(kSaveOrder) / sizeof(kSaveOrder[0]) == sizeof(kKeys) / sizeof(kKeys[0]),
              "every key is written once");

} // namespace

TIniOption ReadIniOptionFile(const std::string& fileName, const std::string& defaultScrIniPath) {
    TIniDocument doc;
    doc.LoadFromFile(fileName);
    TIniOption defaults;
    defaults.ScrIniPath = defaultScrIniPath;
    TIniOption option;
    for (const TKeyRow& k : kKeys) {
        switch (k.kind) {
        case TKeyKind::Integer:
            option.*k.integer = doc.ReadInteger(kSection, k.name, defaults.*k.integer);
            break;
        case TKeyKind::Boolean:
            option.*k.boolean = doc.ReadBool(kSection, k.name, defaults.*k.boolean);
            break;
        case TKeyKind::Text:
            option.*k.text = doc.ReadString(kSection, k.name, defaults.*k.text);
            break;
        }
    }
    return option;
}

void WriteIniOptionFile(const TIniOption& option, const std::string& fileName) {
    TIniDocument doc;
    doc.LoadFromFile(fileName);
    for (std::size_t i : kSaveOrder) {
        const TKeyRow& k = kKeys[i];
        switch (k.kind) {
        case TKeyKind::Integer:
            doc.WriteInteger(kSection, k.name, option.*k.integer);
            break;
        case TKeyKind::Boolean:
            doc.WriteBool(kSection, k.name, option.*k.boolean);
            break;
        case TKeyKind::Text:
            doc.WriteString(kSection, k.name, option.*k.text);
            break;
        }
    }
    doc.SaveToFile(fileName);
}

void LoadIniOption(const std::string& folder) {
    IniOption = ReadIniOptionFile(folder + kIniFileName, DefaultPictureFolder());
}

void SaveIniOption(const std::string& folder) {
    WriteIniOptionFile(IniOption, folder + kIniFileName);
}

void CorrectOutputOptions(TIniOption& option) {
    if (option.JpgCompress < 0 || option.JpgCompress > 100)
        option.JpgCompress = 70;
    if (option.PngCompress < 0 || option.PngCompress > 9)
        option.PngCompress = 9;
    if (option.MaxColor < 0 || option.MaxColor > 3)
        option.MaxColor = 3;
}
