#include "main/TExplorerModel.h"

#include "tests/codecs/CodecFixtures.h"
#include "tests/main/ExplorerFiles.h"
#include "tests/main/MainWindowFixture.h"

#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

const QSize kBox(136, 98);

class ExplorerModel : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QDir dir;

    void SetUp() override {
        MainTestApp();
        ASSERT_TRUE(tmp.isValid());
        dir = QDir(tmp.path());
    }
    QStringList Names(const QStringList& Paths) const {
        QStringList names;
        for (const QString& p : Paths) {
            EXPECT_EQ(p, QDir::toNativeSeparators(dir.filePath(QFileInfo(p).fileName())));
            names << QFileInfo(p).fileName();
        }
        return names;
    }
    // Lets the reading threads deliver until no decode is under way.
    static void Settle(TExplorerModel& Model) {
        EXPECT_TRUE(WaitFor([&] { return Model.Decoding() == 0; }));
        QCoreApplication::processEvents();
    }
};

TEST_F(ExplorerModel, FolderListingOrderAndMasks) {
    for (const char* name : {"PHOTO.JPG", "b.png", "a.png", "A.png", "x.ani", "notes.txt",
                             "Ørkén ß.png", "c.tiff", "noext"})
        WriteFile(dir.filePath(QString::fromUtf8(name)), "x");
    ASSERT_TRUE(dir.mkdir(QStringLiteral("folder.png")));
    // Sorted by path without regard to case; a.png and A.png are two files here.
    EXPECT_EQ(Names(TExplorerModel::ListFolder(dir.path())),
              (QStringList{"A.png", "a.png", "b.png", "c.tiff", "PHOTO.JPG", "x.ani",
                           QString::fromUtf8("Ørkén ß.png")}));
    // The same with a separator at the end, or doubled inside.
    EXPECT_EQ(TExplorerModel::ListFolder(dir.path() + QStringLiteral("/")).size(), 7);
    EXPECT_TRUE(TExplorerModel::ListFolder(dir.filePath(QStringLiteral("missing"))).isEmpty());
    EXPECT_TRUE(TExplorerModel::ListFolder(QString()).isEmpty());

    const QStringList masks = TExplorerModel::FileMasks();
    EXPECT_EQ(masks.count(QStringLiteral("*.png")), 1) << "named twice, listed once";
    EXPECT_EQ(masks.first(), QStringLiteral("*.png"));
    EXPECT_TRUE(masks.contains(QStringLiteral("*.ani")));
}

TEST_F(ExplorerModel, ThumbnailsAreShrunkNeverEnlargedAndSayWhyTheyFail) {
    QString why;
    const QImage photo = TExplorerModel::DecodeThumbnail(
        WritePicture(dir, QStringLiteral("wide.jpg"), 2000, 1000, QColor(200, 30, 30)), kBox, why);
    ASSERT_FALSE(photo.isNull()) << why.toStdString();
    EXPECT_EQ(photo.size(), QSize(136, 68));
    const QColor middle = photo.pixelColor(68, 34);
    EXPECT_NEAR(middle.red(), 200, 6);
    EXPECT_NEAR(middle.green(), 30, 6);

    EXPECT_EQ(TExplorerModel::DecodeThumbnail(
                  WritePicture(dir, QStringLiteral("small.png"), 30, 20), kBox, why)
                  .size(),
              QSize(30, 20));

    const struct {
        const char* Name;
        QByteArray Data;
        const char* Why;
    } bad[] = {
        {"cursor.ani", "RIFF....ACON", "Unknown picture file extension (.ani)"},
        {"broken.png", "not a picture", nullptr},
    };
    for (const auto& b : bad) {
        const QString path = dir.filePath(QString::fromLatin1(b.Name));
        WriteFile(path, b.Data);
        why.clear();
        EXPECT_TRUE(TExplorerModel::DecodeThumbnail(path, kBox, why).isNull()) << b.Name;
        if (b.Why)
            EXPECT_EQ(why, QString::fromLatin1(b.Why));
        else
            EXPECT_FALSE(why.isEmpty()) << b.Name;
    }
}

TEST_F(ExplorerModel, APhotosEmbeddedThumbnailIsShownWhenItCoversTheBox) {
    // A blue photo carrying a red thumbnail: the thumbnail is what shows, turned
    // as the photo is.
    fixtures::JpegSpec photo;
    photo.Width = 640;
    photo.Height = 480;
    photo.Samples.resize(640 * 480 * 3);
    for (std::size_t i = 2; i < photo.Samples.size(); i += 3)
        photo.Samples[i] = 255;
    fixtures::JpegSpec thumbnail;
    thumbnail.Width = 160;
    thumbnail.Height = 120;
    thumbnail.Samples.resize(160 * 120 * 3);
    for (std::size_t i = 0; i < thumbnail.Samples.size(); i += 3)
        thumbnail.Samples[i] = 255;
    photo.Exif = fixtures::MakeExifWithThumbnail(8, fixtures::WriteJpeg(thumbnail));
    const QString path = dir.filePath(QStringLiteral("camera.jpg"));
    fixtures::WriteFile(path.toStdString(), fixtures::WriteJpeg(photo));
    QString why;
    const QImage shown = TExplorerModel::DecodeThumbnail(path, kBox, why);
    ASSERT_FALSE(shown.isNull()) << why.toStdString();
    EXPECT_EQ(shown.size(), QSize(74, 98));
    EXPECT_GT(shown.pixelColor(36, 49).red(), 240);
    EXPECT_LT(shown.pixelColor(36, 49).blue(), 15);
}

TEST_F(ExplorerModel, OnlyItemsInViewAreDecodedAndErrorsAreReportedOnce) {
    for (int i = 0; i < 12; ++i)
        WritePicture(dir, QStringLiteral("p%1.png").arg(i, 2, 10, QLatin1Char('0')), 300, 200,
                     QColor(i * 20, 100, 100));
    WriteFile(dir.filePath(QStringLiteral("p05.png")), "not a picture");
    WriteFile(dir.filePath(QStringLiteral("p09.png")), "not a picture");

    TExplorerModel model(kBox, 2);
    model.Lookahead = 1;
    QSignalSpy reset(&model, &TExplorerModel::ItemsReset);
    QSignalSpy errors(&model, &TExplorerModel::ErrorFound);
    model.Load(dir.path());
    EXPECT_EQ(reset.count(), 1);
    ASSERT_EQ(model.Count(), 12);
    QCoreApplication::processEvents();
    EXPECT_EQ(model.Decoding(), 0) << "nothing before the items come into view";

    model.SetVisibleRange(3, 5);
    EXPECT_LE(model.Decoding(), model.ThreadCount());
    Settle(model);
    for (int i = 0; i < 12; ++i) {
        const bool wanted = i >= 3 && i <= 6; // in view and one ahead
        EXPECT_EQ(model.State(i) != TExplorerModel::isWaiting, wanted) << i;
    }
    EXPECT_EQ(model.State(5), TExplorerModel::isFailed);
    EXPECT_FALSE(model.Error(5).isEmpty());
    EXPECT_EQ(model.Image(4).size(), QSize(136, 91));
    ASSERT_EQ(errors.count(), 1);
    EXPECT_EQ(errors[0][0].toInt(), 5);

    // Scrolled on, back, and on again: each bad file is reported once, when in view.
    model.SetVisibleRange(7, 8);
    Settle(model);
    EXPECT_EQ(model.State(9), TExplorerModel::isFailed) << "decoded ahead";
    EXPECT_EQ(errors.count(), 1) << "not in view yet";
    model.SetVisibleRange(4, 9);
    Settle(model);
    model.SetVisibleRange(0, 11);
    Settle(model);
    ASSERT_EQ(errors.count(), 2);
    EXPECT_EQ(errors[1][0].toInt(), 9);

    // Reading the folder again shows what changed on disk.
    WritePicture(dir, QStringLiteral("p99.png"), 10, 10);
    model.Load(dir.path());
    EXPECT_EQ(model.Count(), 13);
    EXPECT_EQ(model.State(5), TExplorerModel::isWaiting);
}

TEST_F(ExplorerModel, ResultsOfAnEarlierFolderAreDropped) {
    QDir other(dir.filePath(QStringLiteral("other")));
    ASSERT_TRUE(dir.mkdir(QStringLiteral("other")));
    for (int i = 0; i < 4; ++i) {
        WritePicture(dir, QStringLiteral("big%1.jpg").arg(i), 1600, 1200, Qt::red);
        WritePicture(other, QStringLiteral("small%1.png").arg(i), 20, 10, Qt::green);
    }
    TExplorerModel model(kBox, 2);
    model.Load(dir.path());
    model.SetVisibleRange(0, 3);
    model.Load(other.path());
    model.SetVisibleRange(0, 3);
    Settle(model);
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(model.State(i), TExplorerModel::isReady) << i;
        EXPECT_EQ(model.Image(i).size(), QSize(20, 10)) << i;
    }
}

TEST_F(ExplorerModel, APressDecodesAnItemNotYetDelivered) {
    WritePicture(dir, QStringLiteral("a.png"), 50, 40);
    WriteFile(dir.filePath(QStringLiteral("b.png")), "not a picture");
    TExplorerModel model(kBox, 1);
    model.Load(dir.path());
    EXPECT_EQ(model.ImageNow(0).size(), QSize(50, 40));
    EXPECT_EQ(model.State(0), TExplorerModel::isReady);
    EXPECT_TRUE(model.ImageNow(1).isNull());
    EXPECT_EQ(model.State(1), TExplorerModel::isFailed);
    EXPECT_THROW(model.ImageNow(2), std::out_of_range);
}

TEST(DragPictureOf, AtMostTheItemSizeAndFittedInGridMode) {
    QImage wide(136, 68, QImage::Format_RGB32);
    wide.fill(QColor(0, 0, 255));
    const QSize item(140, 120);
    // An empty canvas: the thumbnail itself; a larger one is shrunk.
    EXPECT_EQ(DragPicture(wide, false, 240, 220, 1, 0, item).size(), QSize(136, 68));
    QImage big(600, 600, QImage::Format_RGB32);
    big.fill(Qt::white);
    EXPECT_EQ(DragPicture(big, false, 0, 0, 0, 0, item).size(), QSize(120, 120));

    // A grid of 240 x 220 cells: the cell's shape, at most the item size; the
    // ratio kept on the fill colour (green), or stretched.
    const QImage kept = DragPicture(wide, true, 240, 220, 1, 0x00FF00, item);
    ASSERT_EQ(kept.size(), QSize(131, 120));
    EXPECT_EQ(QColor(kept.pixel(65, 2)), QColor(0, 255, 0));
    EXPECT_EQ(QColor(kept.pixel(65, 60)), QColor(0, 0, 255));
    const QImage stretched = DragPicture(wide, true, 240, 220, 0, 0x00FF00, item);
    ASSERT_EQ(stretched.size(), QSize(131, 120));
    EXPECT_EQ(QColor(stretched.pixel(65, 2)), QColor(0, 0, 255));
    // Small cells keep their size.
    EXPECT_EQ(DragPicture(wide, true, 50, 40, 0, 0, item).size(), QSize(50, 40));
}

} // namespace
