#include "document/uPictureFile.h"

#include "codecs/TWriterOutputBudget.h"
#include "engine/TBitmap32.h"
#include "tests/document/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// Every writer that fails part way through its file: the error names the
// writer and why, and the file it would have replaced is left as it was.
TEST(PictureFile, AWriterFailingPartWayLeavesTheOldFile) {
    QTemporaryDir dir;
    TBitmap32 picture;
    picture.SetSize(64, 48);
    // Noise, so that no format squeezes it under the budget.
    std::uint32_t seed = 12345;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            seed = seed * 1664525u + 1013904223u;
            picture.SetPixel(x, y, 0xFF000000u | (seed >> 8));
        }
    const struct {
        TSaveFormat Format;
        const char* Writer;
    } cases[] = {{TSaveFormat::Jpeg, "JPEG"},
                 {TSaveFormat::Png, "PNG"},
                 {TSaveFormat::Bmp, "BMP"},
                 {TSaveFormat::Gif, "GIF"}};
    for (const auto& c : cases) {
        const QString target = dir.filePath(QStringLiteral("old.pic"));
        WriteFile(target, "old contents");
        const TWriterOutputBudget budget(300);
        try {
            WritePictureFile(target, c.Format, picture, TSaveOptions());
            ADD_FAILURE() << c.Writer << " wrote past its budget";
        } catch (const std::exception& e) {
            EXPECT_EQ(std::string(e.what()).rfind(c.Writer, 0), 0u) << e.what();
        }
        EXPECT_EQ(ReadAll(target), QByteArray("old contents")) << c.Writer;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{QStringLiteral("old.pic")})
            << "no temporary file is left";
    }
}

} // namespace
