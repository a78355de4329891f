// Writes the desktop icons of the trainer: the window icon as a scalable SVG
// and as PNG files at the usual hicolor sizes (klavet-SIZE.png).
//
// Usage: render_icons OUTPUT_DIRECTORY

#include "artwork.h"

#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QSvgGenerator>

#include <cstdio>

namespace {

constexpr int kSvgSize = 128;

bool WriteSvg(const QString& path) {
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(QSize(kSvgSize, kSvgSize));
    svg.setViewBox(QRect(0, 0, kSvgSize, kSvgSize));
    svg.setTitle("Klavet");
    svg.setDescription("A straight key under the word KLAVET");
    QPainter painter;
    if (!painter.begin(&svg))
        return false;
    klavet::artwork::PaintWindowIcon(painter, kSvgSize);
    return painter.end();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIRECTORY\n", argv[0]);
        return 2;
    }
    QGuiApplication app(argc, argv);
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(dir.path()))
        return 1;
    bool ok = WriteSvg(dir.filePath("klavet.svg"));
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        ok = ok && klavet::artwork::WindowIcon(size).save(dir.filePath(QString("klavet-%1.png").arg(size)), "PNG");
    if (!ok)
        std::fprintf(stderr, "render_icons: cannot write the icons into %s\n", argv[1]);
    return ok ? 0 : 1;
}
