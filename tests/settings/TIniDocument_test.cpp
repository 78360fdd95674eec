#include "settings/TIniDocument.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

TEST(ParseIniInteger, AcceptsDecimalAndHexForms) {
    struct Case {
        const char* text;
        std::optional<std::int32_t> value;
    } cases[] = {
        {"480", 480},
        {"-1", -1},
        {"+7", 7},
        {"0x1E0", 480},
        {"0X1e0", 480},
        {"$1E0", 480},
        {"0xFFFFFFFF", -1}, // a bit pattern, as colours are written in hex
        {"-$10", -16},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"2147483648", std::nullopt}, // beyond 32 bits in decimal
        {"0x100000000", std::nullopt},
        {"", std::nullopt},
        {"abc", std::nullopt},
        {"12a", std::nullopt},
        {"0x", std::nullopt},
        {"$", std::nullopt},
        {"-", std::nullopt},
        {"1 2", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseIniInteger(c.text), c.value) << "text: \"" << c.text << '"';
}

TEST(TIniDocument, ParsingFollowsTheFileRules) {
    TIniDocument doc;
    doc.Parse("orphan=1\r\n"
              "; comment\r\n"
              "  [ setup ]  \r\n"
              "  NewWidth   =  0x1E0  \r\n"
              "Empty=\r\n"
              "a line without equals\r\n"
              "Path=C:\\a=b\n" // split at the first '=' only; LF alone ends a line too
              "[Other]\r"      // CR alone as well
              "k=v\r\n");
    EXPECT_EQ(doc.ReadInteger("Setup", "newwidth", 0), 480);
    EXPECT_EQ(doc.ReadString("SETUP", "Path", ""), "C:\\a=b");
    EXPECT_EQ(doc.Value("Setup", "Empty"), std::optional<std::string>(""));
    EXPECT_EQ(doc.Value("Setup", "orphan"), std::nullopt);
    EXPECT_EQ(doc.ReadString("other", "K", "x"), "v");
    EXPECT_EQ(doc.ReadString("Missing", "k", "def"), "def");
}

TEST(TIniDocument, AByteOrderMarkIsNoPartOfTheFirstLine) {
    TIniDocument doc;
    doc.Parse("\xEF\xBB\xBF[Setup]\r\nRowNumber=1\r\n");
    EXPECT_EQ(doc.ReadInteger("Setup", "RowNumber", 4), 1);
    EXPECT_EQ(doc.ToText(), "[Setup]\r\nRowNumber=1\r\n\r\n");
}

TEST(TIniDocument, BooleansAreIntegers) {
    TIniDocument doc;
    doc.Parse("[S]\r\nTwo=2\r\nZero=0\r\nText=yes\r\n");
    EXPECT_TRUE(doc.ReadBool("S", "Two", false));
    EXPECT_FALSE(doc.ReadBool("S", "Zero", true));
    EXPECT_TRUE(doc.ReadBool("S", "Text", true));
    EXPECT_FALSE(doc.ReadBool("S", "Text", false));
    EXPECT_TRUE(doc.ReadBool("S", "Missing", true));
}

TEST(TIniDocument, WritingKeepsUnknownLinesInPlaceAndDropsComments) {
    TIniDocument doc;
    doc.Parse("before=1\r\n"
              "[First]\r\n"
              "; gone\r\n"
              "a=1\r\n"
              "free text\r\n"
              "\r\n"
              "[setup]\r\n"
              "Unknown=keep\r\n"
              "jpgcompress = 50\r\n"
              "Tail=2\r\n");
    doc.WriteInteger("Setup", "JpgCompress", 80);
    doc.WriteInteger("Setup", "NewKey", -5);
    doc.WriteBool("Third", "Flag", true);
    EXPECT_EQ(doc.ToText(), "[First]\r\n"
                            "a=1\r\n"
                            "free text\r\n"
                            "\r\n"
                            "[setup]\r\n"
                            "Unknown=keep\r\n"
                            "JpgCompress=80\r\n"
                            "Tail=2\r\n"
                            "NewKey=-5\r\n"
                            "\r\n"
                            "[Third]\r\n"
                            "Flag=1\r\n"
                            "\r\n");
}

TEST(TIniDocument, ALineBreakInAValueCannotInjectLines) {
    TIniDocument doc;
    doc.WriteString("S", "Path", "a\r\n[Evil]\nx=1");
    TIniDocument again;
    again.Parse(doc.ToText());
    EXPECT_EQ(again.Value("Evil", "x"), std::nullopt);
    EXPECT_EQ(again.ReadString("S", "Path", ""), "a  [Evil] x=1");
}

TEST(TIniDocument, FileRoundTripAndFailures) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string name = dir.filePath("t.ini").toStdString();

    TIniDocument doc;
    EXPECT_FALSE(doc.LoadFromFile(name)); // missing: empty, no error
    doc.WriteString("S", "k", "v");
    doc.SaveToFile(name);

    TIniDocument back;
    EXPECT_TRUE(back.LoadFromFile(name));
    EXPECT_EQ(back.ToText(), "[S]\r\nk=v\r\n\r\n");

    // A folder where the file should be cannot be read: that is an error.
    const std::string folderName = dir.filePath("folder.ini").toStdString();
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folderName)));
    EXPECT_THROW(back.LoadFromFile(folderName), std::runtime_error);
    // Nor can a file be written where a folder is missing; nothing is left behind.
    EXPECT_THROW(back.SaveToFile(dir.filePath("no/such/dir/t.ini").toStdString()),
                 std::runtime_error);
}

} // namespace
