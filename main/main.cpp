#include "main/uErrorMessage.h"
#include "main/uMain.h"
#include "main/uProgramArguments.h"
#include "main/uProgramIcon.h"
#include "main/uTerminationSignals.h"
#include "pictures/uPicLib.h"

#include <QApplication>
#include <QTimer>
#include <QIcon>
#include <QPixmap>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

const char* const kNoDisplay =
    "tessellon: no display is available. Start it from a desktop session, or give it one "
    "(for example: xvfb-run ./tessellon).\n";

// Qt ends the process with an abort when it cannot reach the window system;
// a clear message and an ordinary failing exit serve the user better.
void FatalToExit(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "tessellon: %s\n", message.toLocal8Bit().constData());
        if (message.contains(QLatin1String("platform plugin")) ||
            message.contains(QLatin1String("display")))
            std::fputs(kNoDisplay, stderr);
        std::fflush(stderr);
        std::_Exit(1);
    }
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

bool HasDisplay() {
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    return true;
#else
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return true;
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#endif
}

} // namespace

int main(int argc, char* argv[]) {
#ifdef __GLIBC__
    // As in tessellon-merge: one allocator arena, so that the large JPEG buffers
    // that the picture readers free are reused by every thread.
    mallopt(M_ARENA_MAX, 1);
#endif
    // --help and --version are answered without a window, display or not.
    const TProgramAnswer answer =
        AnswerProgramArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (answer.Exit) {
        std::fputs(answer.Text.c_str(), stdout);
        return 0;
    }
    if (!HasDisplay()) {
        std::fputs(kNoDisplay, stderr);
        return 1;
    }
    qInstallMessageHandler(FatalToExit);
    QApplication app(argc, argv);
    InstallPictureFileLoader();
    QApplication::setApplicationName(QStringLiteral("Tessellon"));
    QApplication::setOrganizationName(QStringLiteral("Tessellon"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tessellon.Tessellon"));
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(ProgramIconImage(size)));
    QApplication::setWindowIcon(icon);
    qInstallMessageHandler(nullptr);

    TfrmMain frmMain;
    CloseOnTerminationSignals(&frmMain);
    frmMain.show();
    // Pictures given on the command line (or by a file manager's "Open with")
    // make a grid at once, once the window is up; a project given opens.
    std::vector<std::string> args;
    for (const QString& arg : QCoreApplication::arguments().mid(1))
        args.push_back(arg.toStdString());
    const std::vector<std::string> pictures = PictureArguments(args);
    if (!pictures.empty())
        QTimer::singleShot(0, &frmMain, [&frmMain, pictures] {
            RunCommand(&frmMain, [&frmMain, &pictures] { frmMain.OpenPictures(pictures); });
        });
    return app.exec();
}
