// varnello-icon-export OUTDIR: writes the application icon the program draws as
// the PNG files a Linux desktop looks for,
// OUTDIR/hicolor/<n>x<n>/apps/varnello_mf.png, so the menu entry, the file
// manager and the window show one and the same icon. Run at build time on
// the offscreen platform; nothing of it is installed.

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <cstdio>

#include "resources/AppIcons.h"

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: varnello-icon-export OUTDIR\n");
        return 1;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1/hicolor/%2x%2/apps").arg(out).arg(size);
        const QString file = dir + QStringLiteral("/varnello_mf.png");
        if (!QDir().mkpath(dir) || !vmf::ApplicationIconPixmap(size).save(file, "PNG")) {
            std::fprintf(stderr, "varnello-icon-export: cannot write %s\n", qPrintable(file));
            return 2;
        }
    }
    return 0;
}
