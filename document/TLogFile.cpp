#include "document/TLogFile.h"

#include "document/uSafeSave.h"

#include <QFile>

#include <stdexcept>

const char* const LogActionCreatePicture = "Create New Picture";

namespace {

QString OneLine(QString text) {
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

} // namespace

namespace {

// The system's long time format without its time-zone field: the log holds the
// local time of the save, as a clock shows it.
QString LongTimeFormatWithoutZone(const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        out += c;
    }
    return out.simplified();
}

} // namespace

QString LogDateTimeText(const QDateTime& when, const QLocale& locale) {
    return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(when.time(), LongTimeFormatWithoutZone(locale));
}

TLogFile::~TLogFile() {
    if (!FAutoSave)
        return;
    try {
        WriteLogFile(FFileName);
    } catch (...) {
        // Nothing can be done about it at this point; the program goes on closing.
    }
}

void TLogFile::AppendEntry(const QString& dateTime, const QString& action,
                           const QString& description) {
    if (!FActive)
        return;
    FEntries.push_back(TLogEntry{dateTime, action, description});
    DropBeyondLimit();
    if (FAutoSave)
        WriteLogFile(FFileName);
}

bool TLogFile::DropBeyondLimit() {
    if (FSizeLimit == 0)
        return false;
    std::uint64_t sum = 0;
    std::size_t first = FEntries.size();
    while (first > 0 && sum < FSizeLimit) {
        --first;
        sum += static_cast<std::uint64_t>(EntryLine(FEntries[first]).size());
    }
    if (sum < FSizeLimit || first == 0)
        return false;
    FEntries.erase(FEntries.begin(), FEntries.begin() + static_cast<std::ptrdiff_t>(first));
    return true;
}

void TLogFile::TrimToSizeLimit() {
    if (FSizeLimit == 0)
        return;
    DropBeyondLimit();
    if (FAutoSave)
        WriteLogFile(FFileName);
}

void TLogFile::ClearEntries() {
    FEntries.clear();
    if (FAutoSave)
        WriteLogFile(FFileName);
}

void TLogFile::ReadLogFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("Cannot read the log file \"%1\": %2")
                                     .arg(path, file.errorString())
                                     .toStdString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw std::runtime_error(QStringLiteral("Cannot read the log file \"%1\": %2")
                                     .arg(path, file.errorString())
                                     .toStdString());
    FEntries = ParseFileBytes(bytes);
}

void TLogFile::WriteLogFile(const QString& path) const {
    if (path.isEmpty())
        return;
    SaveFileSafely(path, FileBytes(FEntries));
}

void TLogFile::SetFileName(const QString& fileName) {
    FFileName = fileName;
    if (FFileName.isEmpty())
        FAutoSave = false;
    else if (QFile::exists(FFileName))
        ReadLogFile(FFileName);
}

QString TLogFile::EntryLine(const TLogEntry& entry) {
    QString action = OneLine(entry.Action);
    action.replace(QLatin1String(">"), QLatin1String(">>"));
    return QLatin1Char('[') + OneLine(entry.DateTime) + QLatin1Char(']') + action +
           QLatin1Char('>') + OneLine(entry.Description) + QLatin1String("\r\n");
}

std::optional<TLogEntry> TLogFile::ParseLine(const QString& line) {
    const qsizetype open = line.indexOf(QLatin1Char('['));
    if (open < 0)
        return std::nullopt;
    const qsizetype close = line.indexOf(QLatin1Char(']'), open + 1);
    if (close < 0)
        return std::nullopt;
    TLogEntry entry;
    entry.DateTime = line.mid(open + 1, close - open - 1);
    const QString tail = line.mid(close + 1);
    // The separator is the first ">" not followed by another; a ">>" pair is
    // a ">" of the action.
    qsizetype separator = -1;
    for (qsizetype i = 0; i < tail.size(); ++i) {
        if (tail[i] != QLatin1Char('>'))
            continue;
        if (i + 1 < tail.size() && tail[i + 1] == QLatin1Char('>')) {
            ++i;
            continue;
        }
        separator = i;
        break;
    }
    if (separator >= 0) {
        entry.Action = tail.left(separator);
        entry.Description = tail.mid(separator + 1);
    } else {
        entry.Action = tail;
    }
    entry.Action.replace(QLatin1String(">>"), QLatin1String(">"));
    return entry;
}

std::vector<TLogEntry> TLogFile::ParseText(const QString& text) {
    std::vector<TLogEntry> entries;
    qsizetype start = 0;
    const qsizetype size = text.size();
    while (start < size) {
        qsizetype end = start;
        while (end < size && text[end] != QLatin1Char('\r') && text[end] != QLatin1Char('\n'))
            ++end;
        if (auto entry = ParseLine(text.mid(start, end - start)))
            entries.push_back(std::move(*entry));
        if (end < size && text[end] == QLatin1Char('\r') && end + 1 < size &&
            text[end + 1] == QLatin1Char('\n'))
            ++end;
        start = end + 1;
    }
    return entries;
}

QByteArray TLogFile::FileBytes(const std::vector<TLogEntry>& entries) {
    QString text;
    for (const TLogEntry& entry : entries)
        text += EntryLine(entry);
    return text.toLocal8Bit();
}

std::vector<TLogEntry> TLogFile::ParseFileBytes(const QByteArray& bytes) {
    return ParseText(QString::fromLocal8Bit(bytes));
}

QString TLogFile::ExportLine(const TLogEntry& entry) {
    return QLatin1Char('[') + entry.DateTime + QLatin1String("] ") + entry.Action +
           QLatin1String(" > ") + entry.Description;
}

void TLogFile::WriteExportFile(const QString& path, const std::vector<TLogEntry>& entries) {
    QString text;
    for (const TLogEntry& entry : entries)
        text += ExportLine(entry) + QLatin1String("\r\n");
    SaveFileSafely(path, text.toLocal8Bit());
}
