#include "settings/uAppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {

std::string ToStd(const QString& s) {
    return QDir::toNativeSeparators(s).toStdString();
}

// A folder is writable for us when a file can really be made there; permission
// bits alone say little on network drives and under sandboxes.
bool CanWriteInto(const std::string& folder) {
    QTemporaryFile probe(QString::fromStdString(folder) +
                         QStringLiteral(".tessellon-probe-XXXXXX"));
    return probe.open();
}

} // namespace

std::string IncludeTrailingSeparator(const std::string& folder) {
    const char sep = QDir::separator().toLatin1();
    if (!folder.empty() && (folder.back() == sep || folder.back() == '/'))
        return folder;
    return folder + sep;
}

std::string AppPath() {
    QString dir;
    if (QCoreApplication::instance())
        dir = QCoreApplication::applicationDirPath();
    else
        dir = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    if (dir.isEmpty())
        dir = QDir::currentPath();
    return IncludeTrailingSeparator(ToStd(dir));
}

namespace {

// The installed data folder for an executable in <prefix>/bin/.
QString InstalledDataFolder(const std::string& appPath) {
    return QDir::cleanPath(QString::fromStdString(appPath) +
                           QStringLiteral("/../share/tessellon"));
}

// A portable folder carries the welcome pictures beside the program.
bool HasFilesBeside(const std::string& appPath) {
    return QFileInfo(QString::fromStdString(appPath) + QStringLiteral("Desktop")).isDir();
}

} // namespace

bool IsInstalledLayout(const std::string& appPath) {
    return !HasFilesBeside(appPath) && QFileInfo(InstalledDataFolder(appPath)).isDir();
}

std::string ChooseProgramFilesPath(const std::string& appPath) {
    if (IsInstalledLayout(appPath))
        return IncludeTrailingSeparator(ToStd(InstalledDataFolder(appPath)));
    return appPath;
}

std::string ProgramFilesPath() {
    return ChooseProgramFilesPath(AppPath());
}

std::string ChooseDataPath(const std::string& appPath, const std::string& configPath) {
    // An installed program keeps the user's files in the user's folder, even
    // where it could write beside itself (run as the administrator, say).
    if (!IsInstalledLayout(appPath) && CanWriteInto(appPath))
        return appPath;
    QDir().mkpath(QString::fromStdString(configPath));
    return IncludeTrailingSeparator(configPath);
}

std::string DataPath() {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return ChooseDataPath(AppPath(), ToStd(config.isEmpty() ? QDir::homePath() : config));
}

std::string DefaultPictureFolder() {
#ifdef Q_OS_WIN
    return "C:\\";
#else
    QString dir = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (dir.isEmpty() || !QFileInfo(dir).isDir())
        dir = QDir::homePath();
    return IncludeTrailingSeparator(ToStd(dir));
#endif
}
