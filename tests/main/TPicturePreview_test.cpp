#include "main/TPicturePreview.h"

#include "main/uOpenPicturesDialog.h"
#include "tests/main/ExplorerFiles.h"
#include "tests/main/MainWindowFixture.h"

#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

TEST(PicturePreview, ShowsTheNewestFileShrunkOrWhyNot) {
    MainTestApp();
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QDir dir(tmp.path());
    const QString big = WritePicture(dir, QStringLiteral("big.jpg"), 1200, 600, Qt::red);
    const QString small = WritePicture(dir, QStringLiteral("small.png"), 40, 30);
    const QString bad = dir.filePath(QStringLiteral("bad.png"));
    WriteFile(bad, "not a picture");

    TPicturePreview preview(QSize(180, 180));
    QSignalSpy shown(&preview, &TPicturePreview::PreviewShown);
    // Asked for one file after another, it shows the last.
    preview.ShowFile(small);
    preview.ShowFile(big);
    ASSERT_TRUE(WaitFor([&] { return !preview.Picture().isNull(); }));
    EXPECT_EQ(preview.Picture().size(), QSize(180, 90));
    EXPECT_EQ(preview.File(), big);
    QTest::qWait(50);
    EXPECT_EQ(preview.Picture().size(), QSize(180, 90)) << "the earlier file does not come back";

    preview.ShowFile(bad);
    ASSERT_TRUE(WaitFor([&] { return !preview.text().isEmpty(); }));
    EXPECT_TRUE(preview.Picture().isNull());
    preview.ShowFile(dir.path());
    EXPECT_TRUE(preview.text().isEmpty()) << "a folder clears it";
    EXPECT_TRUE(preview.Picture().isNull());
}

TEST(PicturePreview, SitsInThePictureOpenDialog) {
    MainTestApp();
    TOpenPicturesDialog dialog(nullptr);
    ASSERT_NE(dialog.Preview, nullptr);
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_TRUE(dialog.isAncestorOf(dialog.Preview));
}

} // namespace
