// Thumbnails may come from a JPEG's embedded thumbnail or its DC scans; the
// pictures of a merge never do.
#include "pictures/TPicturePrefetcher.h"
#include "pictures/uPicLib.h"

#include "tests/codecs/CodecFixtures.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <functional>

namespace {

using fixtures::Bytes;

jpeg_scan_info AllComponents(int Ss, int Se) {
    return jpeg_scan_info{3, {0, 1, 2, 0}, Ss, Se, 0, 0};
}
jpeg_scan_info OneComponent(int Component, int Ss, int Se) {
    return jpeg_scan_info{1, {Component, 0, 0, 0}, Ss, Se, 0, 0};
}

// The file up to the second scan's marker: its DC scan whole, nothing after.
Bytes DcScanOnly(const Bytes& File) {
    int seen = 0;
    for (std::size_t i = 0; i + 1 < File.size(); ++i)
        if (File[i] == 0xFF && File[i + 1] == 0xDA && ++seen == 2)
            return Bytes(File.begin(), File.begin() + long(i) + 2);
    throw std::runtime_error("fewer than two scans");
}

// The red of a bitmap's middle pixel (24 bits: blue, green, red).
int MiddleRed(const TBitmap& Picture) {
    return Picture.ScanLine(Picture.Height() / 2)[3 * (Picture.Width() / 2) + 2];
}
int MiddleRed(const TBitmap32& Picture) {
    return int(Picture.Pixel(Picture.Width() / 2, Picture.Height() / 2) >> 16 & 0xFF);
}

class ThumbnailLoad : public ::testing::Test {
protected:
    QTemporaryDir dir;

    std::string Write(const char* Name, const Bytes& File) {
        const std::string path = dir.filePath(QString::fromLatin1(Name)).toStdString();
        fixtures::WriteFile(path, File);
        return path;
    }
};

// Every way a picture is loaded, told whether it is for a thumbnail, into a
// 136 x 98 box with the ratio kept; false when the picture cannot be read.
struct Route {
    const char* Name;
    bool Thumbnail;
    std::function<bool(const std::string&, int& Red, int& OwnWidth, int& OwnHeight)> Load;
};

std::vector<Route> Routes() {
    auto prepared = [](bool Thumbnail) {
        return [Thumbnail](const std::string& File, int& Red, int& OwnWidth, int& OwnHeight) {
            TPrefetchRequest request;
            request.File = File;
            request.CellWidth = 136;
            request.CellHeight = 98;
            request.FitType = 1;
            request.Thumbnail = Thumbnail;
            TPreparedPicture picture;
            PreparePicture(request, picture);
            if (!picture.Loaded || picture.Error)
                return false;
            Red = MiddleRed(*picture.Bitmap);
            OwnWidth = OwnHeight = -1; // the cell does not say
            return true;
        };
    };
    auto loaded = [](bool Thumbnail) {
        return [Thumbnail](const std::string& File, int& Red, int& OwnWidth, int& OwnHeight) {
            TBitmap picture;
            const bool read = (Thumbnail ? LoadPictureForThumbnail : LoadPictureForFit)(
                File, picture, 136, 98, 1, OwnWidth, OwnHeight, nullptr);
            if (read)
                Red = MiddleRed(picture);
            return read;
        };
    };
    return {{"LoadPictureForThumbnail", true, loaded(true)},
            {"a thumbnail request", true, prepared(true)},
            {"LoadPictureForFit", false, loaded(false)},
            {"a merge cell", false, prepared(false)}};
}

TEST_F(ThumbnailLoad, EmbeddedThumbnailShowsOnlyInThumbnails) {
    // A blue photo turned a quarter by its EXIF block, whose thumbnail is red:
    // whichever shows tells which was read.
    fixtures::JpegSpec photo = fixtures::PlainJpeg(640, 480, 0, 0, 255);
    photo.Exif = fixtures::MakeExifWithThumbnail(
        6, fixtures::WriteJpeg(fixtures::PlainJpeg(160, 120, 255, 0, 0)));
    const std::string file = Write("photo.jpg", fixtures::WriteJpeg(photo));
    for (const Route& route : Routes()) {
        SCOPED_TRACE(route.Name);
        int red = -1, ownWidth = 0, ownHeight = 0;
        ASSERT_TRUE(route.Load(file, red, ownWidth, ownHeight));
        if (route.Thumbnail)
            EXPECT_GT(red, 240);
        else
            EXPECT_LT(red, 15);
        if (ownWidth != -1) { // the photo's own size, upright, whichever was read
            EXPECT_EQ(ownWidth, 480);
            EXPECT_EQ(ownHeight, 640);
        }
    }
}

TEST_F(ThumbnailLoad, DcScansAloneServeOnlyThumbnails) {
    // A progressive photo read at 1/8 for the box, cut after its DC scan: only a
    // reader that stops after the DC scans gets a picture out of it.
    fixtures::JpegSpec photo = fixtures::PlainJpeg(1280, 960, 200, 40, 40);
    photo.Scans = {AllComponents(0, 0), OneComponent(0, 1, 63), OneComponent(1, 1, 63),
                   OneComponent(2, 1, 63)};
    const Bytes whole = fixtures::WriteJpeg(photo);
    const std::string cut = Write("cut.jpg", DcScanOnly(whole));
    const std::string full = Write("whole.jpg", whole);
    for (const Route& route : Routes()) {
        SCOPED_TRACE(route.Name);
        int red = -1, ownWidth = 0, ownHeight = 0;
        EXPECT_EQ(route.Load(cut, red, ownWidth, ownHeight), route.Thumbnail);
        if (route.Thumbnail) {
            EXPECT_NEAR(red, 200, 3);
            if (ownWidth != -1) {
                EXPECT_EQ(ownWidth, 1280);
            }
        }
        ASSERT_TRUE(route.Load(full, red, ownWidth, ownHeight));
        EXPECT_NEAR(red, 200, 3);
    }
}

} // namespace
