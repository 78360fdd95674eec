#include "settings/TIniDocument.h"

#include <QFile>
#include <QSaveFile>

#include <cctype>
#include <stdexcept>

namespace {

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::string Trim(const std::string& s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::optional<std::int32_t> ParseIniInteger(const std::string& text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < text.size() && text[i] == '$') {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= text.size())
        return std::nullopt;
    std::uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int d =
            hex ? HexDigit(text[i])
                : (std::isdigit(static_cast<unsigned char>(text[i])) ? text[i] - '0' : -1);
        if (d < 0)
            return std::nullopt;
        magnitude = magnitude * (hex ? 16 : 10) + static_cast<std::uint64_t>(d);
        if (magnitude > 0xFFFFFFFFull)
            return std::nullopt;
    }
    if (hex) {
        // Hexadecimal is a bit pattern: 0xFFFFFFFF is -1, as colours need.
        std::uint32_t bits = static_cast<std::uint32_t>(magnitude);
        if (negative)
            bits = 0u - bits;
        return static_cast<std::int32_t>(bits);
    }
    const std::int64_t value =
        negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

void TIniDocument::Parse(const std::string& text) {
    sections_.clear();
    TSection* current = nullptr;
    std::size_t pos = 0;
    // Editors may put a UTF-8 byte-order mark in front; it is no part of the text.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        pos = 3;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = Trim(text.substr(pos, end - pos));
        pos = end;
        if (pos < text.size() && text[pos] == '\r')
            ++pos;
        if (pos < text.size() && text[pos] == '\n')
            ++pos;

        if (line.empty() || line[0] == ';')
            continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            const std::string name = Trim(line.substr(1, line.size() - 2));
            current = FindSection(name);
            if (!current) {
                sections_.push_back(TSection{name, {}});
                current = &sections_.back();
            }
            continue;
        }
        if (!current)
            continue;
        TLine l;
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) {
            l.value = line;
        } else {
            l.isPair = true;
            l.key = Trim(line.substr(0, eq));
            l.value = Trim(line.substr(eq + 1));
        }
        current->lines.push_back(std::move(l));
    }
}

std::string TIniDocument::ToText() const {
    std::string out;
    for (const TSection& s : sections_) {
        out += '[' + s.name + "]\r\n";
        for (const TLine& l : s.lines) {
            if (l.isPair)
                out += l.key + '=' + l.value + "\r\n";
            else
                out += l.value + "\r\n";
        }
        out += "\r\n";
    }
    return out;
}

bool TIniDocument::LoadFromFile(const std::string& fileName) {
    sections_.clear();
    QFile file(QString::fromStdString(fileName));
    if (!file.exists())
        return false;
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("Cannot open file \"" + fileName + "\". " +
                                 file.errorString().toStdString());
    if (file.size() > kMaxIniFileBytes)
        throw std::runtime_error("Cannot read file \"" + fileName +
                                 "\". It is too large to be a settings file.");
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw std::runtime_error("Cannot read file \"" + fileName + "\". " +
                                 file.errorString().toStdString());
    Parse(data.toStdString());
    return true;
}

void TIniDocument::SaveToFile(const std::string& fileName) const {
    QSaveFile file(QString::fromStdString(fileName));
    const std::string text = ToText();
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !file.commit())
        throw std::runtime_error("Cannot create file \"" + fileName + "\". " +
                                 file.errorString().toStdString());
}

const TIniDocument::TSection* TIniDocument::FindSection(const std::string& name) const {
    for (const TSection& s : sections_)
        if (SameText(s.name, name))
            return &s;
    return nullptr;
}

TIniDocument::TSection* TIniDocument::FindSection(const std::string& name) {
    return const_cast<TSection*>(static_cast<const TIniDocument*>(this)->FindSection(name));
}

std::optional<std::string> TIniDocument::Value(const std::string& section,
                                               const std::string& key) const {
    if (const TSection* s = FindSection(section))
        for (const TLine& l : s->lines)
            if (l.isPair && SameText(l.key, key))
                return l.value;
    return std::nullopt;
}

std::string TIniDocument::ReadString(const std::string& section, const std::string& key,
                                     const std::string& def) const {
    return Value(section, key).value_or(def);
}

std::int32_t TIniDocument::ReadInteger(const std::string& section, const std::string& key,
                                       std::int32_t def) const {
    const auto v = Value(section, key);
    if (!v)
        return def;
    return ParseIniInteger(*v).value_or(def);
}

bool TIniDocument::ReadBool(const std::string& section, const std::string& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniDocument::WriteString(const std::string& section, const std::string& key,
                               const std::string& rawValue) {
    // A line break inside a value would split it into lines of its own on the
    // next read; it becomes a blank instead.
    std::string value = rawValue;
    for (char& c : value)
        if (c == '\r' || c == '\n')
            c = ' ';
    TSection* s = FindSection(section);
    if (!s) {
        sections_.push_back(TSection{section, {}});
        s = &sections_.back();
    }
    for (TLine& l : s->lines) {
        if (l.isPair && SameText(l.key, key)) {
            l.key = key;
            l.value = value;
            return;
        }
    }
    s->lines.push_back(TLine{true, key, value});
}

void TIniDocument::WriteInteger(const std::string& section, const std::string& key,
                                std::int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void TIniDocument::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}
