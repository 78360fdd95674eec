#include "main/uDesktopLauncher.h"

#include "main/uAbout.h"
#include "main/uProgramInfo.h"
#include "tests/document/TestFiles.h"
#include "tests/main/MainWindowFixture.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Keeps what it was asked to open or start instead of doing it.
class TRecordingLauncher : public TDesktopLauncher {
public:
    std::vector<QUrl> Opened;
    std::vector<std::pair<QString, QStringList>> Started;
    bool Accept = true;
    bool OpenUrl(const QUrl& Url) override {
        Opened.push_back(Url);
        return Accept;
    }
    bool StartProgram(const QString& Program, const QStringList& Arguments) override {
        Started.emplace_back(Program, Arguments);
        return true;
    }
};

#ifndef Q_OS_WIN
// The editor receives the picture's path as its one argument, exactly as it
// is, whatever the path holds: a stub editor writes down what it got.
TEST(DesktopLauncher, TheEditorGetsThePathAsOneArgumentWithoutAShell) {
    QTemporaryDir app;
    const QString record = app.filePath(QStringLiteral("received"));
    WriteFile(app.filePath(QStringLiteral("ImgEditor")),
              "#!/bin/sh\nprintf '%s|' \"$#\" \"$@\" > \"$0.tmp\" && mv \"$0.tmp\" \"" +
                  record.toUtf8() + "\"\n");
    ASSERT_TRUE(QFile::setPermissions(app.filePath(QStringLiteral("ImgEditor")),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QTemporaryDir pictures;
    const char* const names[] = {"with blanks.png", "quote\"s 'and' more.png", "$HOME.png",
                                 "a;rm -rf x.png",  "`id`.png",              "Bücher ÄÖÜ ß.png",
                                 "-dash.png"};
    TDesktopLauncher launcher;
    for (const char* name : names) {
        const QString picture = pictures.filePath(QString::fromUtf8(name));
        WriteFile(picture, "x");
        QFile::remove(record);
        OpenInEditor(launcher, app.path(), picture);
        ASSERT_TRUE(WaitFor([&] { return QFile::exists(record); })) << name;
        EXPECT_EQ(QString::fromUtf8(ReadAll(record)), QStringLiteral("1|") + picture + '|')
            << name;
    }
}
#endif

TEST(DesktopLauncher, WithoutAnEditorThePictureOpensInItsOwnApplication) {
    QTemporaryDir app, pictures;
    const QString picture = pictures.filePath(QStringLiteral("a b.png"));
    WriteFile(picture, "x");
    TRecordingLauncher launcher;
    OpenInEditor(launcher, app.path(), picture);
    ASSERT_EQ(launcher.Opened.size(), 1u);
    EXPECT_EQ(launcher.Opened[0].toLocalFile(), picture);
    // A picture that is gone, or none: nothing happens.
    OpenInEditor(launcher, app.path(), pictures.filePath(QStringLiteral("gone.png")));
    OpenInEditor(launcher, app.path(), QString());
    EXPECT_EQ(launcher.Opened.size(), 1u);
    EXPECT_TRUE(launcher.Started.empty());
}

TEST(DesktopLauncher, HelpOpensTheHelpFileOrElseTheManual) {
    QTemporaryDir root;
    // A program folder whose path would break an address built by hand.
    const QString app = root.filePath(QStringLiteral("odd #1 100% ?folder"));
    ASSERT_TRUE(QDir().mkpath(app));
    TRecordingLauncher launcher;
    OpenHelp(launcher, app);
    ASSERT_EQ(launcher.Opened.size(), 1u);
    EXPECT_EQ(launcher.Opened[0].toLocalFile(), app + QStringLiteral("/manual/index.html"));

    WriteFile(app + QStringLiteral("/help.chm"), "chm");
    launcher.Opened.clear();
    OpenHelp(launcher, app);
    ASSERT_EQ(launcher.Opened.size(), 1u);
    EXPECT_EQ(launcher.Opened[0].toLocalFile(), app + QStringLiteral("/help.chm"));

    // Nothing on this system opens a help file of that kind: the manual.
    launcher.Opened.clear();
    launcher.Accept = false;
    OpenHelp(launcher, app);
    ASSERT_EQ(launcher.Opened.size(), 2u);
    EXPECT_EQ(launcher.Opened[1].toLocalFile(), app + QStringLiteral("/manual/index.html"));
}

class AboutBox : public MainWindowTest {};

TEST_F(AboutBox, ShowsTheVersionAndOpensItsLinks) {
    TRecordingLauncher launcher;
    TfrmAbout about(nullptr, appDir.path(), launcher);
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(about.size(), QSize(399, 276));
    EXPECT_EQ(about.LabelVer->text(), QString::fromLatin1(kProgramVersion));
    EXPECT_EQ(about.btnAboutYes->text(), QStringLiteral("&Close"));
    EXPECT_TRUE(about.ImageLeft->pixmap().isNull()) << "no logo beside the program";
    emit about.LinkLabelUrl->linkActivated(QStringLiteral("#"));
    emit about.LinkLabelUrlEmail->linkActivated(QStringLiteral("#"));
    ASSERT_EQ(launcher.Opened.size(), 2u);
    EXPECT_EQ(launcher.Opened[0], QUrl(QString::fromLatin1(kHomePageUrl)));
    EXPECT_EQ(launcher.Opened[1].scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(launcher.Opened[1].path(), QString::fromLatin1(kSupportEmail));

    QImage logo(20, 30, QImage::Format_RGB32);
    logo.fill(Qt::red);
    ASSERT_TRUE(logo.save(appDir.filePath(QStringLiteral("leftlogo.bmp")), "BMP"));
    TfrmAbout withLogo(nullptr, appDir.path(), launcher);
    EXPECT_EQ(withLogo.ImageLeft->pixmap().size(), QSize(20, 30));
}

TEST_F(AboutBox, TheWindowsCommandsGoThroughTheLauncher) {
    auto win = Start();
    auto launcher = std::make_shared<TRecordingLauncher>();
    win->Launcher = launcher;
    QTest::keyClick(win.get(), Qt::Key_F1);
    win->Action(QStringLiteral("ActHomePage"))->trigger();
    ASSERT_EQ(launcher->Opened.size(), 2u);
    EXPECT_TRUE(launcher->Opened[0].toLocalFile().endsWith(QStringLiteral("manual/index.html")));
    EXPECT_EQ(launcher->Opened[1], QUrl(QString::fromLatin1(kHomePageUrl)));
    TWhenModal<TfrmAbout> about([](TfrmAbout& a) { a.btnAboutYes->click(); });
    win->Action(QStringLiteral("ActAboutSoft"))->trigger();
    EXPECT_TRUE(about.Ran);
}

} // namespace
