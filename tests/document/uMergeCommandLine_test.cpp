#include "document/uMergeCommandLine.h"

#include "codecs/uCodecRegistry.h"
#include "document/TMergeDocument.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <sstream>

namespace {

TMergeJob Parse(std::vector<std::string> args) {
    return ParseMergeArguments(args);
}

TEST(MergeArguments, BadArgumentsAreUsageErrors) {
    const std::vector<std::vector<std::string>> cases = {
        {"a.jpg"},                                     // no output
        {"-o", "out.xyz", "a.jpg"},                    // no format from the name
        {"-o", "o.png", "--rows", "0", "a.jpg"},       // below the range
        {"-o", "o.png", "--cols", "1000"},             // above it
        {"-o", "o.png", "--cell", "240", "a.jpg"},     // not WxH
        {"-o", "o.png", "--cell", "1x5"},              // cell below 2
        {"-o", "o.png", "--fit", "squash"},            //
        {"-o", "o.png", "--fill", "#12345"},           // short colour
        {"-o", "o.png", "--bg", "red"},                //
        {"-o", "o.png", "--format", "tiff"},           //
        {"-o", "o.png", "--quality", "101"},           //
        {"-o", "o.png", "--bmp-colors", "7"},          //
        {"-o", "o.png", "--frobnicate"},               // unknown option
        {"-o", "o.png", "--rows"},                     // missing value
        {"-o", "o.png", "--at", "10,10"},              // no picture after the point
        {"-o", "o.png", "--at", "10;10", "a.png"},     //
        {"-o", "o.png", "--canvas", "20x20", "a.png"}, // both kinds at once
        {"-o", "o.png", "--settings", "/no/such/Setup.ini"},
        {"-o", "o.png", "--rows", " 3"},               // blanks
        {"-o", "o.png", "--rows", "3 "},               //
        {"-o", "o.png", "--space", "+2"},              // a plus sign
        {"-o", "o.png", "--cell", "+240x220"},         //
        {"-o", "o.png", "--at", "+1,2", "a.png"},      //
        {"-o", "o.png", "--bg", " 255"},               //
        {"-o", "o.png", "--quiet=yes"},                // a flag takes no value
        {"-o", "o.png", "--help=1"},                   //
        {"-o", "o.png", "--project", "a.tessellon", "a.png"}, // a project has its own pictures
        {"-o", "o.png", "--project", "a.tessellon", "--rows", "2"}, // and its own layout
        {"-o", "o.png", "--project", "a.tessellon", "--bg", "#000000"},
    };
    for (const auto& args : cases) {
        std::string joined;
        for (const auto& a : args)
            joined += a + ' ';
        EXPECT_THROW(Parse(args), EUsageError) << joined;
    }
}

TEST(MergeArguments, GridEmptyAndOutputOptions) {
    TMergeJob grid =
        Parse({"--rows=3", "--cols", "5", "--cell", "100x80", "--space", "0", "--fit", "keep",
               "--fill", "#102030", "--bg", "255", "-o", "OUT.PNG", "a.jpg", "--", "-b.jpg"});
    EXPECT_TRUE(grid.GridMode);
    EXPECT_EQ(grid.Option.RowNumber, 3);
    EXPECT_EQ(grid.Option.ColNumber, 5);
    EXPECT_EQ(grid.Option.ResizeWidth, 100);
    EXPECT_EQ(grid.Option.ResizeHeight, 80);
    EXPECT_EQ(grid.Option.Space, 0);
    EXPECT_EQ(grid.Option.ResizeType, 1);
    EXPECT_EQ(grid.Option.FillColor, 0x302010);
    EXPECT_EQ(grid.Option.NewBg, 255);
    EXPECT_EQ(grid.Format, TSaveFormat::Png);
    EXPECT_EQ(grid.Files, (std::vector<std::string>{"a.jpg", "-b.jpg"}));

    TMergeJob empty = Parse({"--canvas", "300x200", "--at", "-5,7", "x.png", "--at", "1,2", "y.gif",
                             "-o", "o.bmp", "--bmp-colors", "16bit", "--quiet"});
    EXPECT_FALSE(empty.GridMode);
    EXPECT_EQ(empty.Option.NewWidth, 300);
    EXPECT_EQ(empty.Option.NewHeight, 200);
    ASSERT_EQ(empty.Placed.size(), 2u);
    EXPECT_EQ(empty.Placed[0].X, -5);
    EXPECT_EQ(empty.Placed[0].Y, 7);
    EXPECT_EQ(empty.Placed[1].File, "y.gif");
    EXPECT_EQ(empty.Format, TSaveFormat::Bmp);
    EXPECT_EQ(empty.Option.MaxColor, 2);
    EXPECT_TRUE(empty.Quiet);

    EXPECT_EQ(Parse({"-o", "x.png", "--format", "JPEG"}).Format, TSaveFormat::Jpeg);
    EXPECT_TRUE(Parse({"--help"}).Help);
    EXPECT_TRUE(Parse({"--rows", "0", "-h"}).Help) << "help is given whatever else the line holds";
}

TEST(MergeArguments, MessagesNameTheFault) {
    const struct {
        std::vector<std::string> Args;
        std::string Message;
    } cases[] = {
        {{"--canvas", "9x9", "--at", "1,2", "--quiet", "-o", "o.png"},
         "--at 1,2 needs a picture file, not the option --quiet"},
        {{"--canvas", "9x9", "--at", "1,2", "-o", "o.png"},
         "--at 1,2 needs a picture file, not the option -o"},
        {{"--quiet=1", "-o", "o.png"}, "--quiet takes no value, not \"1\""},
        {{"--rows", "+3", "-o", "o.png"}, "--rows takes a whole number from 1 to 999, not \"+3\""},
        {{"--fit", "squash", "-o", "o.png"}, "--fit takes stretch or keep, not \"squash\""},
        {{"-o", "o.tif"}, "cannot tell the format from \"o.tif\": give --format jpg, jpeg, png, "
                          "bmp or gif"},
    };
    for (const auto& c : cases) {
        try {
            Parse(c.Args);
            ADD_FAILURE() << c.Message;
        } catch (const EUsageError& e) {
            EXPECT_EQ(e.what(), c.Message);
        }
    }
    // A file whose name merely starts with a dash still follows --at.
    EXPECT_EQ(Parse({"--canvas", "9x9", "--at", "1,2", "-x.png", "-o", "o.png"}).Placed[0].File,
              "-x.png");
}

TEST(MergeArguments, HelpListsEveryOptionOfTheTable) {
    const std::string usage = MergeUsage();
    for (const char* option :
         {"--rows N", "--cols N", "--cell WxH", "--space N", "--fit stretch|keep", "--fill COLOUR",
          "--canvas WxH", "--at X,Y PICTURE", "--bg COLOUR", "--settings FILE",
          "-o, --output FILE", "--format FORMAT", "--quality N", "--png-level N",
          "--bmp-colors C", "--quiet", "-h, --help"})
        EXPECT_NE(usage.find(std::string("  ") + option), std::string::npos) << option;
    // Every help line fits a terminal.
    std::size_t from = 0;
    while (from < usage.size()) {
        const std::size_t end = usage.find('\n', from);
        EXPECT_LE(end - from, 80u) << usage.substr(from, end - from);
        from = end + 1;
    }
}

TEST(MergeArguments, WarningsForPicturesBeyondTheCellsOrNone) {
    const struct {
        std::vector<std::string> Args;
        std::vector<std::string> Warnings;
    } cases[] = {
        {{"--rows", "1", "--cols", "2", "-o", "o.png", "a", "b"}, {}},
        {{"--rows", "1", "--cols", "2", "-o", "o.png", "a", "b", "c", "d", "e"},
         {"5 pictures given for 2 cells: the last 3 are left out"}},
        {{"-o", "o.png"}, {"no pictures given: the grid's cells stay empty"}},
        {{"--canvas", "9x9", "-o", "o.png"}, {"no pictures given: the canvas stays empty"}},
        {{"--canvas", "9x9", "--at", "0,0", "a", "-o", "o.png"}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MergeWarnings(Parse(c.Args)), c.Warnings) << c.Args.size();
}

TEST(MergeArguments, ExplicitOptionsOverrideTheSettingsFileInAnyOrder) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("Setup.ini");
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Setup]\r\nSpace=7\r\nRowNumber=9\r\nJpgCompress=150\r\nNewBg=-16777201\r\n");
    f.close();
    const TMergeJob job =
        Parse({"--space", "3", "--settings", ini.toStdString(), "-o", "o.jpg", "a.png"});
    EXPECT_EQ(job.Option.Space, 3);
    EXPECT_EQ(job.Option.RowNumber, 9);
    EXPECT_EQ(job.Option.JpgCompress, 70) << "out-of-range output values are corrected";
    EXPECT_EQ(job.Option.NewBg, -16777201);
}

TEST(MergeArguments, Colours) {
    EXPECT_EQ(ParseColourArgument("#FF0000"), 0x0000FF);
    EXPECT_EQ(ParseColourArgument("#00ff80"), 0x80FF00);
    EXPECT_EQ(ParseColourArgument("16777215"), 0xFFFFFF);
    EXPECT_EQ(ParseColourArgument("-16777201"), -16777201);
    for (const char* bad : {"", "#", "#GGGGGG", "#1234567", "#0x1234", "# 12345", "12a",
                            "99999999999", " 255", "+255", "255 "})
        EXPECT_THROW(ParseColourArgument(bad), EUsageError) << bad;
}

class MergeRun : public ::testing::Test {
protected:
    QTemporaryDir dir;

    std::string Picture(int index, int w, int h) {
        QImage img(w, h, QImage::Format_ARGB32);
        img.fill(QColor(40 * index, 255 - 30 * index, 90, 160 + index));
        const QString name = dir.filePath(QStringLiteral("p%1.png").arg(index));
        EXPECT_TRUE(img.save(name, "PNG"));
        return name.toStdString();
    }
};

TEST_F(MergeRun, WritesExactlyWhatTheDocumentRenders) {
    std::vector<std::string> files = {Picture(0, 50, 30), Picture(1, 20, 40),
                                      dir.filePath("missing.png").toStdString(),
                                      Picture(3, 31, 31)};
    const std::string out = dir.filePath("grid.png").toStdString();
    TMergeJob job = Parse({"--rows", "2", "--cols", "2", "--cell", "41x33", "--space", "3", "--fit",
                           "keep", "--fill", "#FF00FF", "--bg", "#202020", "-o", out});
    job.Files = files;
    std::ostringstream err;
    // The run reads only the job's own settings, never the process-wide record.
    const TIniOption before = IniOption;
    IniOption.RowNumber = 7;
    IniOption.ResizeType = 0;
    int lastDone = 0;
    EXPECT_EQ(RunMergeJob(job, err, [&](int done, int) { lastDone = done; }), kMergeSkipped);
    IniOption = before;
    EXPECT_EQ(lastDone, 4);
    // The skipped picture's message starts on a line of its own.
    EXPECT_NE(err.str().find("\ntessellon-merge: skipped \""), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("missing.png"), std::string::npos) << err.str();

    // The same settings and list through the document directly.
    TBitmap32 canvas, expected;
    TLayerCollection layers;
    TMergeDocument doc(canvas, layers);
    doc.GridMode = true;
    doc.PicFileList = files;
    doc.RebuildPicture(TMergeLayout::FromOption(job.Option));
    doc.RenderMergedPicture(expected);

    const TDecodedPicture written = DecodePictureFile(out);
    ASSERT_EQ(written.Width, expected.Width());
    ASSERT_EQ(written.Height, expected.Height());
    for (int y = 0; y < written.Height; ++y)
        for (int x = 0; x < written.Width; ++x)
            ASSERT_EQ(written.Pixel(x, y) & 0xFFFFFFu, expected.Pixel(x, y) & 0xFFFFFFu)
                << x << "," << y;
}

TEST_F(MergeRun, EmptyCanvasKeepsTransparencyOverTheBackground) {
    const std::string out = dir.filePath("empty.png").toStdString();
    TMergeJob job = Parse(
        {"--canvas", "60x50", "--bg", "#FFFFFF", "--at", "10,5", Picture(2, 8, 8), "-o", out});
    std::ostringstream err;
    ASSERT_EQ(RunMergeJob(job, err), kMergeOk) << err.str();
    const TDecodedPicture written = DecodePictureFile(out);
    EXPECT_EQ(written.Width, 60);
    EXPECT_EQ(written.Pixel(0, 0) & 0xFFFFFFu, 0xFFFFFFu);
    // Colour (80, 195, 90) at alpha 162 over white.
    const std::uint32_t p = written.Pixel(12, 7);
    EXPECT_NEAR(int((p >> 16) & 0xFF), (80 * 162 + 255 * 93) / 255, 1);
    EXPECT_NEAR(int(p & 0xFF), (90 * 162 + 255 * 93) / 255, 1);
}

TEST_F(MergeRun, AFailedWriteIsReportedAndLeavesTheOldFile) {
    const QString out = dir.filePath("keep.jpg");
    QFile old(out);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old contents");
    old.close();
    // A grid whose canvas cannot be allocated fails before anything is written.
    TMergeJob job = Parse({"-o", out.toStdString(), Picture(0, 4, 4)});
    job.Option.RowNumber = job.Option.ColNumber = 999;
    job.Option.ResizeWidth = job.Option.ResizeHeight = 9999;
    std::ostringstream err;
    EXPECT_EQ(RunMergeJob(job, err), kMergeFailed);
    EXPECT_NE(err.str().find("Can't allocate the DIB handle"), std::string::npos) << err.str();
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("old contents"));

    TMergeJob nowhere =
        Parse({"-o", dir.filePath("no/such/dir/x.png").toStdString(), Picture(1, 4, 4)});
    std::ostringstream err2;
    EXPECT_EQ(RunMergeJob(nowhere, err2), kMergeFailed);
    EXPECT_FALSE(err2.str().empty());
}

} // namespace

namespace {

// The manual page names every option that --help lists.
TEST(MergeArguments, TheManualPageNamesEveryOption) {
    QFile page(QStringLiteral(TESSELLON_TEST_DATA_DIR "/../../packaging/tessellon-merge.1"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << page.fileName().toStdString();
    // roff writes a dash as "\-".
    const std::string text = page.readAll().replace("\\-", "-").toStdString();
    const std::string usage = MergeUsage();
    std::size_t at = 0;
    int options = 0;
    while ((at = usage.find("--", at)) != std::string::npos) {
        const std::size_t end = usage.find_first_of(" ,=\n", at);
        const std::string option = usage.substr(at, end - at);
        at = end;
        if (option.size() <= 2)
            continue;
        ++options;
        EXPECT_NE(text.find(option), std::string::npos) << option;
    }
    EXPECT_GT(options, 10);
}

} // namespace
