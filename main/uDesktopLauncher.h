// Handing work to other programs: the help, the home page and support links,
// and the external picture editor. Each call starts its program and returns at
// once; nothing is waited for or read back.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

// Opens addresses and files with the desktop's handlers and starts programs
// with an argument list, never through a shell. Tests put a recorder in its place.
class TDesktopLauncher {
public:
    virtual ~TDesktopLauncher() = default;
    // False when no handler took it.
    virtual bool OpenUrl(const QUrl& Url);
    virtual bool StartProgram(const QString& Program, const QStringList& Arguments);
};

// "help.chm" beside the program, and the manual that ships with it.
QUrl HelpFileUrl(const QString& AppFolder);
QUrl ManualUrl(const QString& AppFolder);
// Opens help.chm when it is there and something can open it, else the manual.
void OpenHelp(TDesktopLauncher& Launcher, const QString& AppFolder);

// The project's home page, and a new message to its support address.
void OpenHomePage(TDesktopLauncher& Launcher);
void WriteToSupport(TDesktopLauncher& Launcher);

// The picture editor beside the program ("ImgEditor", "ImgEditor.exe" on
// Windows), started with the picture's path as its one argument, exactly as it
// is; without that editor the picture opens in the desktop's own application
// for its type. Nothing happens for a picture that does not exist.
void OpenInEditor(TDesktopLauncher& Launcher, const QString& AppFolder, const QString& Picture);
