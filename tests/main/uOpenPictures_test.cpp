#include "engine/TImgView32.h"
#include "tests/document/TestFiles.h"
#include "tests/main/MainWindowFixture.h"

#include <QStackedWidget>

namespace {

using OpenPictures = MainWindowTest;

TEST_F(OpenPictures, PicturesGivenMakeAGridInTheirOrder) {
    auto win = Start();
    std::vector<std::string> files = Pictures(3);
    WriteFile(QString::fromStdString(files[1]), "not a picture");
    std::reverse(files.begin(), files.end());
    files.push_back(pictureDir.filePath(QStringLiteral("missing.png")).toStdString());
    win->OpenPictures(files);
    TMergeDocument& doc = win->Document();
    EXPECT_TRUE(doc.GridMode);
    EXPECT_EQ(doc.PicFileList, (std::vector<std::string>{files[0], files[2]}))
        << "in the order given, the unreadable ones left out";
    EXPECT_EQ(win->PageListMain->currentWidget(), win->plImgView);
    EXPECT_EQ(win->ImgView->Bitmap().Width(), 486) << "the layout of the settings";
    EXPECT_FALSE(doc.Saved);
    EXPECT_EQ(doc.History.UndoName(), "New Picture");
}

TEST_F(OpenPictures, NoneReadableSaysSoAndKeepsTheWelcomePage) {
    auto win = Start();
    const QString bad = pictureDir.filePath(QStringLiteral("bad.jpg"));
    WriteFile(bad, "nothing");
    TMessageBoxAnswerer box(QMessageBox::Ok);
    win->OpenPictures({bad.toStdString(), "/no/such/picture.png"});
    ASSERT_TRUE(WaitFor([&] { return box.Seen; }));
    EXPECT_EQ(box.Text, QStringLiteral("None of the pictures given could be read."));
    EXPECT_EQ(win->PageListMain->currentWidget(), win->plWelcome);
    EXPECT_TRUE(win->Document().PicFileList.empty());
    EXPECT_TRUE(win->Document().Saved);
}

} // namespace
