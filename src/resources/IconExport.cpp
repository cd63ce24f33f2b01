// varnello-icon-export OUTDIR: writes the application icon the program draws as
// the PNG files a Linux desktop looks for,
// OUTDIR/hicolor/<n>x<n>/apps/varnello_mf.png, so the menu entry, the file
// manager and the window show one and the same icon; and the Windows icon
// files OUTDIR/varnello_mf.ico (the program) and OUTDIR/vqdata.ico (its data
// files) at the sizes the Windows shell asks for. Run at build time on the
// offscreen platform.

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPixmap>
#include <cstdio>

#include "resources/AppIcons.h"
#include "resources/IcoFile.h"

namespace {

bool WriteIco(const QString& file, QPixmap (*draw)(int)) {
    std::vector<vmf::IcoImage> images;
    for (int size : {16, 20, 24, 32, 40, 48, 64, 256}) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!draw(size).save(&buffer, "PNG")) return false;
        images.push_back({size, png.toStdString()});
    }
    const std::string bytes = vmf::IcoFileBytes(images);
    QFile out(file);
    return !bytes.empty() && out.open(QIODevice::WriteOnly) &&
           out.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
               static_cast<qint64>(bytes.size());
}

}  // namespace

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
    for (const auto& [name, draw] : {std::pair{"varnello_mf.ico", &vmf::ApplicationIconPixmap},
                                     std::pair{"vqdata.ico", &vmf::DocumentIconPixmap}}) {
        const QString file = out + QLatin1Char('/') + QLatin1String(name);
        if (!WriteIco(file, draw)) {
            std::fprintf(stderr, "varnello-icon-export: cannot write %s\n", qPrintable(file));
            return 2;
        }
    }
    return 0;
}
