#include "settings/uDesktopPicture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

TEST(DesktopPicture, FoundInTheDesktopFolderByNameInAnyCase) {
    QTemporaryDir app;
    ASSERT_TRUE(app.isValid());
    const QString desktop = app.filePath(QStringLiteral("Desktop"));
    ASSERT_TRUE(QDir().mkpath(desktop + QStringLiteral("/Sub")));
    for (const QString& name :
         {QStringLiteral("Desktop/MainBG1.bmp"), QStringLiteral("Outside.bmp"),
          QStringLiteral("Desktop/Sub/Inner.bmp")}) {
        QFile f(app.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const std::string folder = app.path().toStdString() + "/";
    const std::string found = desktop.toStdString() + "/MainBG1.bmp";
    struct Case {
        const char* Name;
        std::string Expected;
    };
    const Case cases[] = {
        {"MainBG1.bmp", found},
        {"mainbg1.BMP", found},
        {"MainBG2.bmp", ""},
        {"", ""},
        {"../Outside.bmp", ""},
        {"Sub/Inner.bmp", ""},
        {"Sub\\Inner.bmp", ""},
        {"Sub", ""}, // a folder is no picture
        {"..", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindDesktopPicture(folder, c.Name), c.Expected) << c.Name;
    EXPECT_EQ(FindDesktopPicture(folder + "missing/", "MainBG1.bmp"), "");
}

} // namespace
