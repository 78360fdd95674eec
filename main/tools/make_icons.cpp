// Draws the program's icon for the desktop's icon theme into the folder given as
// the only argument: hicolor/<n>x<n>/apps/tessellon.png for the usual sizes.
#include "main/uProgramIcon.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icons <folder>\n");
        return 2;
    }
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder =
            QStringLiteral("%1/hicolor/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
        if (!QDir().mkpath(folder) ||
            !ProgramIconImage(size).save(folder + QStringLiteral("/tessellon.png"), "PNG")) {
            std::fprintf(stderr, "make_icons: cannot write into %s\n", folder.toLocal8Bit().constData());
            return 1;
        }
    }
    return 0;
}
