// An INI text held in memory: sections of key=value lines, read and written
// without regard to the case of section and key names.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Larger files are refused as settings files: no one writes this much by hand,
// and reading it whole would only cost memory.
constexpr long long kMaxIniFileBytes = 4LL << 20;

class TIniDocument {
public:
    // Replaces the document with the parsed text. Comment lines (";"), empty
    // lines and lines before the first section are dropped.
    void Parse(const std::string& text);
    // The document as file text: CRLF line ends, one empty line after each section.
    std::string ToText() const;

    // Reads the file when it exists and returns true; an absent file leaves the
    // document empty and returns false. A file that exists but cannot be read
    // throws std::runtime_error.
    bool LoadFromFile(const std::string& fileName);
    // Writes the whole document through a temporary file and a rename, so a
    // failed write leaves the previous file as it was. Throws on failure.
    void SaveToFile(const std::string& fileName) const;

    // The trimmed value of a key, or nothing when the section or key is missing.
    std::optional<std::string> Value(const std::string& section, const std::string& key) const;

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& def) const;
    std::int32_t ReadInteger(const std::string& section, const std::string& key,
                             std::int32_t def) const;
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;

    // Replaces the key's line where it stands, or appends it to the end of the
    // section; a missing section is appended to the end of the document.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, std::int32_t value);
    void WriteBool(const std::string& section, const std::string& key, bool value);

private:
    struct TLine {
        bool isPair = false;
        std::string key;   // trimmed, as written in the file
        std::string value; // trimmed; for a line without "=", the whole trimmed line
    };
    struct TSection {
        std::string name;
        std::vector<TLine> lines;
    };
    std::vector<TSection> sections_;

    const TSection* FindSection(const std::string& name) const;
    TSection* FindSection(const std::string& name);
};

// Reads an integer the way the settings file stores it: decimal with an optional
// sign, or hexadecimal after "0x", "0X" or "$" (up to 32 bits, wrapping into the
// signed range so colours with the top bit set survive). Nothing for anything else.
std::optional<std::int32_t> ParseIniInteger(const std::string& text);
