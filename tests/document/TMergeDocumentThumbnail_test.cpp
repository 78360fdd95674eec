// The picture list's thumbnails may be made from a photo's embedded thumbnail;
// the grid's cells always show the photo itself.
#include "document/TMergeDocument.h"

#include "settings/uIniOption.h"
#include "tests/codecs/CodecFixtures.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QTemporaryDir>

namespace {

TEST(DocumentThumbnails, GridCellShowsThePhotoWhereTheListShowsItsEmbeddedThumbnail) {
    QTemporaryDir dir;
    // A blue photo that an 1/8 read fits into a cell of 240 x 220, with a red
    // embedded thumbnail of the cell's size.
    fixtures::JpegSpec photo = fixtures::PlainJpeg(1920, 1760, 0, 0, 255);
    photo.Progressive = true;
    photo.Exif = fixtures::MakeExifWithThumbnail(
        1, fixtures::WriteJpeg(fixtures::PlainJpeg(240, 220, 255, 0, 0)));
    const std::string file = dir.filePath("photo.jpg").toStdString();
    fixtures::WriteFile(file, fixtures::WriteJpeg(photo));

    TBitmap32 canvas;
    TLayerCollection layers;
    TMergeDocument doc{canvas, layers};
    ASSERT_TRUE(doc.AddThumbnail(file));
    doc.PicFileList.push_back(file);
    EXPECT_GT(doc.ImgPicList.at(0).pixelColor(35, 25).red(), 240);
    EXPECT_LT(doc.ImgPicList.at(0).pixelColor(35, 25).blue(), 15);

    doc.GridMode = true;
    doc.RebuildPicture(TMergeLayout::FromOption(TIniOption()));
    TBitmapLayer* cell = nullptr;
    for (int i = 0; i < layers.Count() && !cell; ++i)
        cell = dynamic_cast<TBitmapLayer*>(layers.Items(i));
    ASSERT_NE(cell, nullptr);
    ASSERT_EQ(cell->Bitmap().Width(), 240);
    const TColor32 middle = cell->Bitmap().Pixel(120, 110);
    EXPECT_LT(int(middle >> 16 & 0xFF), 15) << std::hex << middle;
    EXPECT_GT(int(middle & 0xFF), 240) << std::hex << middle;
}

} // namespace
