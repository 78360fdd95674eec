#include "main/uDesktopLauncher.h"

#include "main/uProgramInfo.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

bool TDesktopLauncher::OpenUrl(const QUrl& Url) {
    return QDesktopServices::openUrl(Url);
}

bool TDesktopLauncher::StartProgram(const QString& Program, const QStringList& Arguments) {
    return QProcess::startDetached(Program, Arguments);
}

namespace {

// A file in the program's folder, whatever characters that folder's path holds
// (a "#", "%" or "?" stays part of the path).
QString InFolder(const QString& Folder, const QString& Name) {
    return QDir(Folder).filePath(Name);
}

} // namespace

QUrl HelpFileUrl(const QString& AppFolder) {
    return QUrl::fromLocalFile(InFolder(AppFolder, QStringLiteral("help.chm")));
}

QUrl ManualUrl(const QString& AppFolder) {
    return QUrl::fromLocalFile(InFolder(AppFolder, QStringLiteral("manual/index.html")));
}

void OpenHelp(TDesktopLauncher& Launcher, const QString& AppFolder) {
    if (QFileInfo(HelpFileUrl(AppFolder).toLocalFile()).isFile() &&
        Launcher.OpenUrl(HelpFileUrl(AppFolder)))
        return;
    Launcher.OpenUrl(ManualUrl(AppFolder));
}

void OpenHomePage(TDesktopLauncher& Launcher) {
    Launcher.OpenUrl(QUrl(QString::fromLatin1(kHomePageUrl)));
}

void WriteToSupport(TDesktopLauncher& Launcher) {
    QUrl mail;
    mail.setScheme(QStringLiteral("mailto"));
    mail.setPath(QString::fromLatin1(kSupportEmail));
    Launcher.OpenUrl(mail);
}

void OpenInEditor(TDesktopLauncher& Launcher, const QString& AppFolder, const QString& Picture) {
    if (Picture.isEmpty() || !QFileInfo(Picture).isFile())
        return;
#ifdef Q_OS_WIN
    const QString editor = InFolder(AppFolder, QStringLiteral("ImgEditor.exe"));
#else
    const QString editor = InFolder(AppFolder, QStringLiteral("ImgEditor"));
#endif
    const QFileInfo program(editor);
    if (program.isFile() && program.isExecutable()) {
        Launcher.StartProgram(program.absoluteFilePath(), {Picture});
        return;
    }
    Launcher.OpenUrl(QUrl::fromLocalFile(Picture));
}
