#include "document/TLogFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "tests/document/TestFiles.h"

#include <gtest/gtest.h>

#include <optional>

void PrintTo(const TLogEntry& e, std::ostream* out) {
    *out << "{" << e.DateTime.toStdString() << "|" << e.Action.toStdString() << "|"
         << e.Description.toStdString() << "}";
}

namespace {

TLogEntry Entry(const char* dateTime, const char* action, const char* description) {
    return TLogEntry{QString::fromUtf8(dateTime), QString::fromUtf8(action),
                     QString::fromUtf8(description)};
}

// The log as the main window sets it up at its first showing.
class LogFile : public ::testing::Test {
protected:
    QTemporaryDir Dir;
    QString Path() const { return Dir.filePath(QStringLiteral("Log.dat")); }
    void Start(TLogFile& log) {
        log.SetFileName(Path());
        log.SetAutoSave(true);
        log.SetActive(true);
    }
};

} // namespace

TEST(LogFileFormat, EntryLineDoublesTheActionsSeparators) {
    EXPECT_EQ(
        TLogFile::EntryLine(
            Entry("9/12/2009 10:15:02 AM", "Create New Picture", "C:\\Photos\\merged.jpg")),
        QStringLiteral("[9/12/2009 10:15:02 AM]Create New Picture>C:\\Photos\\merged.jpg\r\n"));
    EXPECT_EQ(TLogFile::EntryLine(Entry("d", "a>b", "x>y")), QStringLiteral("[d]a>>b>x>y\r\n"));
    // A line break inside a field would split the entry in two on reading.
    EXPECT_EQ(TLogFile::EntryLine(Entry("d", "a", "/tmp/odd\nname\r.png")),
              QStringLiteral("[d]a>/tmp/odd name .png\r\n"));
}

TEST(LogFileFormat, ParsesLinesByTheSeparatorRules) {
    struct Case {
        const char* Line;
        std::optional<TLogEntry> Expected;
    };
    const Case cases[] = {
        {"[9/12/2009 10:15:02 AM]Create New Picture>C:\\Photos\\merged.jpg",
         Entry("9/12/2009 10:15:02 AM", "Create New Picture", "C:\\Photos\\merged.jpg")},
        {"no bracket at all>x", std::nullopt},
        {"[a date but no closing bracket>x", std::nullopt},
        {"]closing before[opening", std::nullopt},
        {"noise before [d]act>desc", Entry("d", "act", "desc")},
        {"[d]text without separator", Entry("d", "text without separator", "")},
        {"[d]a>>b>x>y>>z", Entry("d", "a>b", "x>y>>z")},
        {"[d]>>>x", Entry("d", ">", "x")},
        {"[d]a>>", Entry("d", "a>", "")},
        {"[d]a>", Entry("d", "a", "")},
        {"[a[b]c]x>y", Entry("a[b", "c]x", "y")},
        {"[]>", Entry("", "", "")},
        {"[]", Entry("", "", "")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TLogFile::ParseLine(QString::fromUtf8(c.Line)), c.Expected) << c.Line;
}

TEST(LogFileFormat, ReadsEveryKindOfLineBreak) {
    const QByteArray text("[1]a>x\r\n[2]b>y\n[3]c>z\r[4]d>w\r\n\r\n\nskipped\r\n[5]e>v");
    const auto entries = TLogFile::ParseFileBytes(text);
    ASSERT_EQ(entries.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(entries[i].DateTime, QString::number(i + 1));
    EXPECT_EQ(entries[4].Description, QStringLiteral("v"));
}

TEST(LogFileFormat, EntriesSurviveWritingAndReading) {
    const std::vector<TLogEntry> entries = {
        Entry("9/12/2009 10:15:02 AM", "Create New Picture", "/home/u/a>b.png"),
        Entry("d", "a>b>>c>", "lead and trail>"), Entry("", "", ""),
        Entry("12.09.2009 10:15:02",
              "\xC3\x9C"
              "bersicht",
              "/tmp/\xC3\xA4.jpg")};
    EXPECT_EQ(TLogFile::ParseFileBytes(TLogFile::FileBytes(entries)), entries);
}

TEST(LogFileFormat, ExportLinesHaveBlanksAndNoDoubling) {
    const std::vector<TLogEntry> entries = {
        Entry("9/12/2009 10:15:02 AM", "Create New Picture", "C:\\Photos\\merged.jpg"),
        Entry("d", "a>b", "x")};
    EXPECT_EQ(
        TLogFile::ExportLine(entries[0]),
        QStringLiteral("[9/12/2009 10:15:02 AM] Create New Picture > C:\\Photos\\merged.jpg"));
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("log.csv"));
    const QString dat = dir.filePath(QStringLiteral("log.dat"));
    WriteFile(csv, "to be replaced without asking");
    TLogFile::WriteExportFile(csv, entries);
    TLogFile::WriteExportFile(dat, entries);
    const QByteArray expected("[9/12/2009 10:15:02 AM] Create New Picture > "
                              "C:\\Photos\\merged.jpg\r\n[d] a>b > x\r\n");
    EXPECT_EQ(ReadAll(csv), expected);
    EXPECT_EQ(ReadAll(dat), expected);
}

TEST(LogFileFormat, DateTimeIsShortDateBlankLongTime) {
    const QLocale locale(QLocale::English, QLocale::UnitedStates);
    const QDateTime when(QDate(2009, 9, 12), QTime(10, 15, 2));
    const QString text = LogDateTimeText(when, locale);
    // The system's formats, without a time zone at the end.
    // The system's formats, without a time zone at the end (the blank before AM
    // may be a narrow one, as the locale data has it).
    const QString date = locale.toString(when.date(), QLocale::ShortFormat);
    EXPECT_TRUE(text.startsWith(date + QStringLiteral(" 10:15:02"))) << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("AM"))) << text.toStdString();
    EXPECT_EQ(text.size(), date.size() + 12) << text.toStdString();
    EXPECT_EQ(LogDateTimeText(when, QLocale(QLocale::German, QLocale::Germany)),
              QStringLiteral("12.09.09 10:15:02"));
}

// Thirty saves of 66-character lines: fifteen make 990 characters, sixteen 1056,
// so the sixteen newest stay, in the file as in memory.
TEST_F(LogFile, AppendKeepsTheNewestEntriesWithinTheLimit) {
    TLogFile log;
    Start(log);
    QByteArray expected;
    for (int i = 0; i < 30; ++i) {
        const QString description =
            QStringLiteral("C:\\Photos\\merged%1.jpg").arg(i, 2, 10, QLatin1Char('0'));
        log.AppendEntry(QStringLiteral("9/12/2009 10:15:02 AM"),
                        QString::fromLatin1(LogActionCreatePicture), description);
        const TLogEntry entry = log.Entries().back();
        ASSERT_EQ(TLogFile::EntryLine(entry).size(), 66);
        if (i >= 14)
            expected += TLogFile::EntryLine(entry).toLatin1();
    }
    ASSERT_EQ(log.Entries().size(), 16u);
    EXPECT_EQ(log.Entries().front().Description, QStringLiteral("C:\\Photos\\merged14.jpg"));
    EXPECT_EQ(log.Entries().back().Description, QStringLiteral("C:\\Photos\\merged29.jpg"));
    EXPECT_EQ(ReadAll(Path()), expected);
}

TEST_F(LogFile, LimitEdges) {
    // One line of 1000 characters or more stays and pushes out everything older.
    TLogFile log;
    log.SetActive(true);
    log.AppendEntry("d", "a", "x");
    log.AppendEntry("d", "a", "y");
    log.AppendEntry("d", "a", QString(1000 - 7, QLatin1Char('z')));
    ASSERT_EQ(log.Entries().size(), 1u);
    EXPECT_EQ(TLogFile::EntryLine(log.Entries()[0]).size(), 1000);

    // Below the limit nothing goes: 99 lines of 10 characters make 990.
    TLogFile below;
    below.SetActive(true);
    for (int i = 0; i < 99; ++i)
        below.AppendEntry("ddd", "a", "x");
    ASSERT_EQ(TLogFile::EntryLine(below.Entries()[0]).size(), 10);
    EXPECT_EQ(below.Entries().size(), 99u);
    below.AppendEntry("ddd", "a", "y"); // 1000: the sum reaches the limit, nothing older is left
    EXPECT_EQ(below.Entries().size(), 100u);
    below.AppendEntry("ddd", "a", "z"); // the oldest goes
    EXPECT_EQ(below.Entries().size(), 100u);
    EXPECT_EQ(below.Entries()[98], Entry("ddd", "a", "y"));

    // Limit 0 keeps everything.
    TLogFile unlimited;
    unlimited.SetActive(true);
    unlimited.SetSizeLimit(0);
    for (int i = 0; i < 50; ++i)
        unlimited.AppendEntry("d", "a", QString(100, QLatin1Char('z')));
    EXPECT_EQ(unlimited.Entries().size(), 50u);
}

TEST_F(LogFile, InactiveLogIgnoresEntriesAndAutoSaveNeedsAFileName) {
    TLogFile log;
    EXPECT_FALSE(log.Active());
    EXPECT_EQ(log.SizeLimit(), 1000u);
    log.AppendEntry("d", "a", "x");
    EXPECT_TRUE(log.Entries().empty());
    log.SetAutoSave(true);
    EXPECT_FALSE(log.AutoSave());
    log.SetFileName(Path());
    log.SetAutoSave(true);
    EXPECT_TRUE(log.AutoSave());
    log.AppendEntry("d", "a", "x");
    EXPECT_FALSE(QFile::exists(Path())); // not active yet
    log.SetFileName(QString());
    EXPECT_FALSE(log.AutoSave());
}

// Setting the file name loads the file whole, dropping what does not parse; the
// limit is not applied until the next entry, and the next write drops the junk.
TEST_F(LogFile, LoadsTheFileAndTrimsOnlyOnTheNextEntry) {
    QByteArray text;
    for (int i = 0; i < 30; ++i)
        text +=
            QStringLiteral("[9/12/2009 10:15:02 AM]Create New Picture>C:\\Photos\\merged%1.jpg\r\n")
                .arg(i, 2, 10, QLatin1Char('0'))
                .toLatin1();
    text += "a line that does not parse\r\n";
    WriteFile(Path(), text);
    TLogFile log;
    Start(log);
    EXPECT_EQ(log.Entries().size(), 30u);
    EXPECT_EQ(ReadAll(Path()), text);
    log.AppendEntry("9/12/2009 10:15:02 AM", LogActionCreatePicture, "C:\\Photos\\merged30.jpg");
    EXPECT_EQ(log.Entries().size(), 16u);
    const QByteArray written = ReadAll(Path());
    EXPECT_EQ(written.count('\n'), 16);
    EXPECT_FALSE(written.contains("does not parse"));
}

TEST_F(LogFile, ClearLeavesAnEmptyFile) {
    TLogFile log;
    Start(log);
    log.AppendEntry("d", "a", "x");
    log.ClearEntries();
    EXPECT_TRUE(log.Entries().empty());
    ASSERT_TRUE(QFile::exists(Path()));
    EXPECT_EQ(QFileInfo(Path()).size(), 0);
}

TEST_F(LogFile, DestructionWritesTheFileOnceMore) {
    {
        TLogFile log;
        Start(log);
        log.AppendEntry("d", "a", "x");
        QFile::remove(Path());
    }
    EXPECT_EQ(ReadAll(Path()), QByteArray("[d]a>x\r\n"));
}

// A log that cannot be written raises the error after the entry has been kept;
// a log that cannot be read leaves the entries as they were.
TEST_F(LogFile, FailuresAreErrorsThatKeepTheEntries) {
    TLogFile log;
    log.SetFileName(Dir.filePath(QStringLiteral("missing folder/Log.dat")));
    log.SetAutoSave(true);
    log.SetActive(true);
    EXPECT_THROW(log.AppendEntry("d", "a", "x"), std::runtime_error);
    EXPECT_EQ(log.Entries().size(), 1u);
    EXPECT_THROW(log.ClearEntries(), std::runtime_error);
    EXPECT_TRUE(log.Entries().empty());

    TLogFile other;
    other.SetActive(true);
    other.AppendEntry("d", "a", "x");
    EXPECT_THROW(other.ReadLogFile(Dir.path()), std::runtime_error);
    EXPECT_THROW(other.ReadLogFile(Dir.filePath(QStringLiteral("absent.dat"))), std::runtime_error);
    EXPECT_EQ(other.Entries().size(), 1u);
    // The destructor of the first log must not throw either.
}
