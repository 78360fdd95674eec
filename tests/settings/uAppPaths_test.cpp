#include "settings/uAppPaths.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

namespace {

TEST(AppPaths, TrailingSeparatorIsAddedOnce) {
    const std::string sep(1, QDir::separator().toLatin1());
    EXPECT_EQ(IncludeTrailingSeparator("/opt/app"), "/opt/app" + sep);
    EXPECT_EQ(IncludeTrailingSeparator("/opt/app/"), "/opt/app/");
    EXPECT_EQ(IncludeTrailingSeparator("/"), "/");
    const std::string app = AppPath();
    ASSERT_FALSE(app.empty());
    EXPECT_EQ(app.back(), sep[0]);
}

TEST(AppPaths, DataLivesBesideTheProgramOnlyWhenThatFolderIsWritable) {
    QTemporaryDir app, config;
    const std::string appPath = app.path().toStdString() + "/";
    const std::string configPath = config.path().toStdString() + "/cfg";
    EXPECT_EQ(ChooseDataPath(appPath, configPath), appPath);
    // A folder that cannot take a file (here: one that does not exist) sends the
    // data to the configuration folder, which is created.
    const std::string chosen = ChooseDataPath(appPath + "missing/", configPath);
    EXPECT_EQ(chosen, IncludeTrailingSeparator(configPath));
    EXPECT_TRUE(QDir(QString::fromStdString(configPath)).exists());
    EXPECT_TRUE(QDir(app.path()).entryList(QDir::Files | QDir::Hidden).isEmpty())
        << "the write probe leaves nothing behind";
}

TEST(AppPaths, InstalledAndPortableLayouts) {
    QTemporaryDir root, config;
    const QString top = root.path();
    const std::string configPath = config.path().toStdString() + "/cfg";
    const std::string sep(1, QDir::separator().toLatin1());
    // Installed: <prefix>/bin with <prefix>/share/tessellon beside it.
    ASSERT_TRUE(QDir().mkpath(top + "/usr/bin"));
    ASSERT_TRUE(QDir().mkpath(top + "/usr/share/tessellon/Desktop"));
    const std::string bin = top.toStdString() + "/usr/bin/";
    EXPECT_TRUE(IsInstalledLayout(bin));
    EXPECT_EQ(ChooseProgramFilesPath(bin),
              QDir::toNativeSeparators(top + "/usr/share/tessellon").toStdString() + sep);
    EXPECT_EQ(ChooseDataPath(bin, configPath), IncludeTrailingSeparator(configPath))
        << "the user's folder, although bin/ is writable here";
    // Portable: the files beside the program win, and so does its folder.
    ASSERT_TRUE(QDir().mkpath(top + "/usr/bin/Desktop"));
    EXPECT_FALSE(IsInstalledLayout(bin));
    EXPECT_EQ(ChooseProgramFilesPath(bin), bin);
    EXPECT_EQ(ChooseDataPath(bin, configPath), bin);
    // Neither (a build folder without its pictures): the program's folder.
    ASSERT_TRUE(QDir().mkpath(top + "/loose"));
    const std::string loose = top.toStdString() + "/loose/";
    EXPECT_FALSE(IsInstalledLayout(loose));
    EXPECT_EQ(ChooseProgramFilesPath(loose), loose);
}

TEST(AppPaths, DefaultPictureFolderIsAnExistingFolder) {
    const std::string p = DefaultPictureFolder();
    EXPECT_TRUE(QDir(QString::fromStdString(p)).exists()) << p;
}

} // namespace
