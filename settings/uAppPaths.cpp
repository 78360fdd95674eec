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

std::string ChooseDataPath(const std::string& appPath, const std::string& configPath) {
    if (CanWriteInto(appPath))
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
