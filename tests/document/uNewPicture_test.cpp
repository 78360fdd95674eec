#include "document/uNewPicture.h"

#include "document/TMergeDocument.h"
#include "settings/uIniOption.h"
#include "tests/document/TestFiles.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

class NewPicture : public ::testing::Test {
protected:
    QTemporaryDir dir;
    TBitmap32 canvas;
    TLayerCollection layers;
    TMergeDocument doc{canvas, layers};
    TIniOption option;

    std::string Picture(const QString& name) {
        QImage img(30, 20, QImage::Format_RGB32);
        img.fill(Qt::darkCyan);
        const QString path = dir.filePath(name);
        EXPECT_TRUE(img.save(path, "PNG"));
        return path.toStdString();
    }
    void Start(bool grid, const std::vector<std::string>& files) {
        StartNewPicture(doc, grid, files, TMergeLayout::FromOption(option));
    }
};

TEST_F(NewPicture, GridKeepsTheFilesThatLoadInOrder) {
    const std::string a = Picture("a.png"), b = Picture("b.png"), c = Picture("c.png");
    WriteFile(QString::fromStdString(b), "not a picture");
    doc.PicFileList = {"old"};
    doc.ImgPicList = {QImage(70, 50, QImage::Format_RGB32)};
    Start(true, {a, b, c});
    EXPECT_TRUE(doc.GridMode);
    EXPECT_FALSE(doc.Saved);
    EXPECT_EQ(doc.PicFileList, (std::vector<std::string>{a, c}));
    EXPECT_EQ(doc.ImgPicList.size(), 2u);

    // An empty picture takes none of them.
    Start(false, {a, c});
    EXPECT_FALSE(doc.GridMode);
    EXPECT_TRUE(doc.PicFileList.empty());
    EXPECT_TRUE(doc.ImgPicList.empty());
}

TEST_F(NewPicture, ACanvasTooLargeIsRefusedBeforeAnythingChanges) {
    const std::string a = Picture("a.png");
    doc.PicFileList = {a};
    doc.ImgPicList = {QImage(70, 50, QImage::Format_RGB32)};
    option.RowNumber = option.ColNumber = 999;
    option.ResizeWidth = option.ResizeHeight = 9999;
    EXPECT_THROW(Start(true, {a, a}), std::runtime_error);
    EXPECT_TRUE(doc.Saved);
    EXPECT_FALSE(doc.GridMode);
    EXPECT_EQ(doc.PicFileList.size(), 1u);
    EXPECT_EQ(doc.ImgPicList.size(), 1u);

    // The grid's size plays no part in an empty picture, and the reverse.
    EXPECT_NO_THROW(Start(false, {}));
    option = TIniOption();
    option.NewWidth = 40000;
    option.NewHeight = 40000;
    EXPECT_NO_THROW(Start(true, {}));
    EXPECT_THROW(Start(false, {}), std::runtime_error);
}

} // namespace
