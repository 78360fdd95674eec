// The activity log: one entry per saved picture, kept in a small text file.
//
// File format, one line per entry, oldest first, each ended by CR LF:
//   "[" DateTime "]" Action ">" Description
// with every ">" of Action written twice. The text is in the system's 8-bit
// encoding. Only the newest entries are kept, about SizeLimit characters' worth;
// a line's characters are counted as the QString holding it (line break
// included), which for the program's ASCII entries is its number of bytes.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

struct TLogEntry {
    QString DateTime;
    QString Action;
    QString Description;

    bool operator==(const TLogEntry& other) const {
        return DateTime == other.DateTime && Action == other.Action &&
               Description == other.Description;
    }
    bool operator!=(const TLogEntry& other) const { return !(*this == other); }
};

// The action of every entry the program writes.
extern const char* const LogActionCreatePicture; // "Create New Picture"

// The date and time text of an entry: the locale's short date, a blank, its long time.
QString LogDateTimeText(const QDateTime& when, const QLocale& locale = QLocale::system());

class TLogFile {
public:
    // No entries, not active, automatic saving off, size limit 1000.
    TLogFile() = default;
    // Writes the file once more when AutoSave is on; a failure to write is ignored.
    ~TLogFile();
    TLogFile(const TLogFile&) = delete;
    TLogFile& operator=(const TLogFile&) = delete;

    // Appends an entry (ignored while not Active), trims the log to its size limit
    // and, with AutoSave on, writes the file. A failure to write throws
    // std::runtime_error; the entry stays in memory.
    void AppendEntry(const QString& dateTime, const QString& action, const QString& description);
    // Drops the oldest entries beyond the size limit: walking from the newest
    // entry back, entries are kept until their lines add up to SizeLimit
    // characters or more; everything older goes. Writes the file with AutoSave on.
    void TrimToSizeLimit();
    // Deletes every entry; with AutoSave on the file is rewritten empty.
    void ClearEntries();
    // Replaces the entries by those of the file. Lines that do not parse are
    // dropped; no size limit is applied. Throws std::runtime_error when the file
    // cannot be read, leaving the entries as they were.
    void ReadLogFile(const QString& path);
    // Writes every entry to the file, replacing it safely (see uSafeSave.h);
    // does nothing for an empty path. Throws std::runtime_error on failure.
    void WriteLogFile(const QString& path) const;

    const std::vector<TLogEntry>& Entries() const { return FEntries; }

    const QString& FileName() const { return FFileName; }
    // Stores the name and reads the file if it exists (which may throw, see
    // ReadLogFile). An empty name switches AutoSave off.
    void SetFileName(const QString& fileName);
    bool AutoSave() const { return FAutoSave; }
    // AutoSave becomes true only while FileName is not empty.
    void SetAutoSave(bool autoSave) { FAutoSave = autoSave && !FFileName.isEmpty(); }
    bool Active() const { return FActive; }
    void SetActive(bool active) { FActive = active; }
    // 0 means no limit.
    std::uint32_t SizeLimit() const { return FSizeLimit; }
    void SetSizeLimit(std::uint32_t sizeLimit) { FSizeLimit = sizeLimit; }

    // One entry as a line of the file, line break included. A line break inside
    // a field is written as a blank, so that every entry stays one line.
    static QString EntryLine(const TLogEntry& entry);
    // The entry of one line of the file (without its line break), or none when the
    // line holds no "[" or no "]" after it.
    static std::optional<TLogEntry> ParseLine(const QString& line);
    // The entries of a whole file's text; lines end with CR LF, LF or CR.
    static std::vector<TLogEntry> ParseText(const QString& text);
    // The file's bytes for the given entries.
    static QByteArray FileBytes(const std::vector<TLogEntry>& entries);
    static std::vector<TLogEntry> ParseFileBytes(const QByteArray& bytes);

    // The line format of the log window's export: "[" DateTime "] " Action " > "
    // Description, no line break, ">" not doubled.
    static QString ExportLine(const TLogEntry& entry);
    // Writes the export lines, each ended by CR LF, replacing the file safely.
    // Throws std::runtime_error on failure.
    static void WriteExportFile(const QString& path, const std::vector<TLogEntry>& entries);

private:
    // Drops the old entries beyond the limit without writing; true if any went.
    bool DropBeyondLimit();

    std::vector<TLogEntry> FEntries;
    QString FFileName;
    bool FAutoSave = false;
    bool FActive = false;
    std::uint32_t FSizeLimit = 1000;
};
