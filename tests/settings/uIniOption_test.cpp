#include "settings/uIniOption.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <functional>

namespace {

class IniOptionFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::string folder() const { return dir.path().toStdString() + "/"; }
    std::string fileName() const { return folder() + "Setup.ini"; }

    void WriteFile(const std::string& text) {
        QFile f(QString::fromStdString(fileName()));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.data(), static_cast<qint64>(text.size()));
    }
    std::string ReadFile() {
        QFile f(QString::fromStdString(fileName()));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll().toStdString();
    }
};

const char* const kDefaultFile = "[Setup]\r\n"
                                 "ScrIniPath=/pictures/\r\n"
                                 "DesktopColor=16777215\r\n"
                                 "DesktopBg=MainBg1.bmp\r\n"
                                 "JpgCompress=100\r\n"
                                 "PngCompress=9\r\n"
                                 "MaxColor=3\r\n"
                                 "OutputFormat=0\r\n"
                                 "NewWidth=480\r\n"
                                 "NewHeight=640\r\n"
                                 "RowNumber=4\r\n"
                                 "ColNumber=2\r\n"
                                 "ResizeType=0\r\n"
                                 "NewBg=16777215\r\n"
                                 "FillColor=0\r\n"
                                 "ResizeWidth=240\r\n"
                                 "ResizeHeight=220\r\n"
                                 "Space=2\r\n"
                                 "WinWidth=750\r\n"
                                 "WinHeight=550\r\n"
                                 "WinState=0\r\n"
                                 "ShowToolbar=1\r\n"
                                 "\r\n";

TEST_F(IniOptionFile, MissingFileGivesDefaultsAndAFirstWriteIsByteExact) {
    const TIniOption o = ReadIniOptionFile(fileName(), "/pictures/");
    EXPECT_EQ(o.DesktopBg, "MainBg1.bmp");
    EXPECT_EQ(o.ScrIniPath, "/pictures/");
    EXPECT_EQ(o.JpgCompress, 100);
    EXPECT_EQ(o.NewWidth, 480);
    EXPECT_EQ(o.NewBg, 0xFFFFFF);
    EXPECT_TRUE(o.ShowToolbar);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(fileName()))); // reading creates nothing

    WriteIniOptionFile(o, fileName());
    EXPECT_EQ(ReadFile(), kDefaultFile);
}

TEST_F(IniOptionFile, ValuesAreReadByTheirKeyType) {
    struct Case {
        const char* line;
        std::function<void(const TIniOption&)> check;
    } cases[] = {
        {"NewWidth=0x1E0", [](const TIniOption& o) { EXPECT_EQ(o.NewWidth, 480); }},
        {"NewWidth=$1E0", [](const TIniOption& o) { EXPECT_EQ(o.NewWidth, 480); }},
        {"NewWidth=abc", [](const TIniOption& o) { EXPECT_EQ(o.NewWidth, 480); }},
        {"NewWidth=", [](const TIniOption& o) { EXPECT_EQ(o.NewWidth, 480); }},
        {"NewWidth=-7", [](const TIniOption& o) { EXPECT_EQ(o.NewWidth, -7); }},
        {"ShowToolbar=2", [](const TIniOption& o) { EXPECT_TRUE(o.ShowToolbar); }},
        {"ShowToolbar=0", [](const TIniOption& o) { EXPECT_FALSE(o.ShowToolbar); }},
        {"ShowToolbar=no", [](const TIniOption& o) { EXPECT_TRUE(o.ShowToolbar); }},
        {"DesktopBg=", [](const TIniOption& o) { EXPECT_EQ(o.DesktopBg, ""); }},
        {"ScrIniPath=", [](const TIniOption& o) { EXPECT_EQ(o.ScrIniPath, ""); }},
        {"NewBg=-2147483633", [](const TIniOption& o) { EXPECT_EQ(o.NewBg, TColor(0x8000000F)); }},
        {"FillColor=0xFF00000F",
         [](const TIniOption& o) { EXPECT_EQ(o.FillColor, TColor(0xFF00000F)); }},
        {"JpgCompress=150", [](const TIniOption& o) { EXPECT_EQ(o.JpgCompress, 150); }},
        {"  rownumber   =   9  ", [](const TIniOption& o) { EXPECT_EQ(o.RowNumber, 9); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        WriteFile(std::string("[setup]\r\n") + c.line + "\r\n");
        c.check(ReadIniOptionFile(fileName(), "/p/"));
    }
}

TEST_F(IniOptionFile, SaveKeepsForeignSectionsAndKeysInPlace) {
    WriteFile("; a comment\r\n"
              "[Recent]\r\n"
              "File1=a.jpg\r\n"
              "\r\n"
              "[SETUP]\r\n"
              "Mine=1\r\n"
              "newbg = -16777201\r\n"
              "ShowToolbar=2\r\n"
              "[Tail]\r\n"
              "x=y\r\n");
    TIniOption o = ReadIniOptionFile(fileName(), "/p/");
    EXPECT_EQ(o.NewBg, -16777201);
    WriteIniOptionFile(o, fileName());
    const std::string text = ReadFile();
    EXPECT_EQ(text.find("comment"), std::string::npos);
    EXPECT_EQ(text.rfind("[Recent]\r\nFile1=a.jpg\r\n\r\n[SETUP]\r\nMine=1\r\nNewBg=-16777201\r\n"
                         "ShowToolbar=1\r\nScrIniPath=/p/\r\n",
                         0),
              0u)
        << text;
    EXPECT_NE(text.find("WinState=0\r\n\r\n[Tail]\r\nx=y\r\n\r\n"), std::string::npos) << text;
}

TEST_F(IniOptionFile, LoadAndSaveUseTheProcessRecord) {
    WriteFile("[Setup]\r\nSpace=7\r\n");
    LoadIniOption(folder());
    EXPECT_EQ(IniOption.Space, 7);
    IniOption.Space = 9;
    SaveIniOption(folder());
    EXPECT_NE(ReadFile().find("Space=9\r\n"), std::string::npos);
}

TEST_F(IniOptionFile, AnUnreadableFileIsAnError) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("Setup.ini"));
    EXPECT_THROW(ReadIniOptionFile(fileName(), "/p/"), std::runtime_error);
}

TEST(CorrectOutputOptions, BringsOnlyTheOutputValuesIntoRange) {
    struct Case {
        std::int32_t jpg, png, max;
        std::int32_t wantJpg, wantPng, wantMax;
    } cases[] = {
        {150, 10, 4, 70, 9, 3}, {-1, -1, -1, 70, 9, 3}, {0, 0, 0, 0, 0, 0},
        {100, 9, 3, 100, 9, 3}, {101, 5, 2, 70, 5, 2},
    };
    for (const Case& c : cases) {
        TIniOption o;
        o.JpgCompress = c.jpg;
        o.PngCompress = c.png;
        o.MaxColor = c.max;
        o.NewWidth = -5;
        CorrectOutputOptions(o);
        EXPECT_EQ(o.JpgCompress, c.wantJpg);
        EXPECT_EQ(o.PngCompress, c.wantPng);
        EXPECT_EQ(o.MaxColor, c.wantMax);
        EXPECT_EQ(o.NewWidth, -5);
    }
}

} // namespace
