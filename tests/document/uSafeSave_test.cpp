#include "document/uSafeSave.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "tests/document/TestFiles.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

QStringList Entries(const QTemporaryDir& dir) {
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

class SafeSave : public ::testing::Test {
protected:
    QTemporaryDir Dir;
    QString Target() const { return Dir.filePath(QStringLiteral("picture.jpg")); }
};

} // namespace

TEST_F(SafeSave, CreatesAndReplacesFilesLeavingNothingElse) {
    ASSERT_TRUE(Dir.isValid());
    SaveFileSafely(Target(), QByteArray("first"));
    EXPECT_EQ(ReadAll(Target()), QByteArray("first"));
    const std::vector<std::uint8_t> bytes = {0, 1, 2, 255};
    SaveFileSafely(Target(), bytes);
    EXPECT_EQ(ReadAll(Target()), QByteArray("\x00\x01\x02\xFF", 4));
    SaveFileSafely(Target(), QByteArray());
    EXPECT_EQ(ReadAll(Target()), QByteArray());
    EXPECT_EQ(Entries(Dir), QStringList{QStringLiteral("picture.jpg")});
}

// A write that fails halfway leaves the previous file byte for byte, and no
// temporary file behind.
TEST_F(SafeSave, FailingWriteKeepsThePreviousFile) {
    const QByteArray old("previous picture\r\n\x00\x01", 20);
    WriteFile(Target(), old);
    EXPECT_THROW(SaveFileSafely(Target(),
                                [](QIODevice& device) {
                                    device.write(QByteArray(100000, 'x'));
                                    throw std::runtime_error("encoder failed");
                                }),
                 std::runtime_error);
    EXPECT_EQ(ReadAll(Target()), old);
    EXPECT_EQ(Entries(Dir), QStringList{QStringLiteral("picture.jpg")});
}

TEST_F(SafeSave, TargetThatCannotBeWrittenIsAnErrorNamingIt) {
    const QString missing = Dir.filePath(QStringLiteral("no such folder/picture.png"));
    try {
        SaveFileSafely(missing, QByteArray("data"));
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(QString::fromUtf8(e.what()).indexOf(QStringLiteral("picture.png")), -1)
            << e.what();
    }
    EXPECT_FALSE(QFile::exists(missing));

    // A folder in the way of the file stays a folder.
    ASSERT_TRUE(QDir(Dir.path()).mkdir(QStringLiteral("picture.jpg")));
    EXPECT_THROW(SaveFileSafely(Target(), QByteArray("data")), std::runtime_error);
    EXPECT_TRUE(QFileInfo(Target()).isDir());
    EXPECT_THROW(SaveFileSafely(QString(), QByteArray("data")), std::runtime_error);
}

TEST_F(SafeSave, KeepsThePermissionsOfTheReplacedFile) {
    WriteFile(Target(), "old");
    const auto permissions =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(Target(), permissions));
    SaveFileSafely(Target(), QByteArray("new"));
    EXPECT_EQ(ReadAll(Target()), QByteArray("new"));
    // owner, group and others; the "user" bits describe whoever runs the test
    const auto mask = QFileDevice::Permissions::fromInt(0x7077);
    EXPECT_EQ(QFile::permissions(Target()) & mask, permissions & mask);
}

#ifdef __unix__
#include <sys/resource.h>
#include <csignal>

// A file-size limit makes the write fail the way a full disk does, part way;
// the message names the real reason, and the old file stays.
TEST_F(SafeSave, AFailedWriteNamesItsReason) {
    WriteFile(Target(), "old");
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string message;
    try {
        SaveFileSafely(Target(), QByteArray(100000, 'x'));
    } catch (const std::runtime_error& e) {
        message = e.what();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_NE(message.find("File too large"), std::string::npos) << message;
    EXPECT_EQ(ReadAll(Target()), QByteArray("old"));
    EXPECT_EQ(Entries(Dir), QStringList{QStringLiteral("picture.jpg")});
}
#endif
