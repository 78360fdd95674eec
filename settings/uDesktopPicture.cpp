#include "settings/uDesktopPicture.h"

#include <QDir>
#include <QFileInfo>

std::string FindDesktopPicture(const std::string& AppFolder, const std::string& Name) {
    const QString name = QString::fromStdString(Name);
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
        name == QLatin1String(".") || name == QLatin1String(".."))
        return std::string();
    const QDir folder(QString::fromStdString(AppFolder) + QStringLiteral("Desktop"));
    const QFileInfo exact(folder.filePath(name));
    if (exact.isFile())
        return exact.filePath().toStdString();
    const QFileInfoList entries = folder.entryInfoList(QDir::Files);
    for (const QFileInfo& entry : entries)
        if (entry.fileName().compare(name, Qt::CaseInsensitive) == 0)
            return entry.filePath().toStdString();
    return std::string();
}
