// Writes every picture of the trainer to PNG files, for the desktop icons and
// for looking at them: each picture at ratios 1 and 2, the window icon at the
// usual icon sizes, and a mock-up of the window with the key at rest and held.
//
// Usage: render_artwork OUTPUT_DIRECTORY

#include "artwork.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QString>

#include <cstdio>
#include <functional>

namespace {

using klavet::artwork::PanelOutline;

bool Save(const QDir& dir, const QString& name, const QImage& image) {
    const QString path = dir.filePath(name);
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "render_artwork: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// The window as it looks: the panel, the key picture in its box (which shows
// 241 of its 245 columns), and the white key contact above the knob.
QImage Mockup(qreal dpr, bool pressed) {
    QImage window(QSize(394, 298) * dpr, QImage::Format_ARGB32_Premultiplied);
    window.setDevicePixelRatio(dpr);
    window.fill(Qt::transparent);
    QPainter painter(&window);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipPath(PanelOutline());
    painter.drawImage(QPointF(0, 0), klavet::artwork::Background(dpr));
    const QImage key = pressed ? klavet::artwork::KeyPressed(dpr) : klavet::artwork::KeyAtRest(dpr);
    painter.drawImage(QRectF(64, 104, 241, 153), key, QRectF(0, 0, 241 * dpr, 153 * dpr));
    painter.setPen(QPen(QColor(128, 128, 128), 1));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(260.5, 88.5, 16, 16));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0, 0, 192), 1));
    painter.drawRoundedRect(QRectF(16.5, 15, 360, 264), 20, 20);
    return window;
}

bool WriteAtRatios(const QDir& dir, const QString& stem, const std::function<QImage(qreal)>& draw) {
    return Save(dir, stem + ".png", draw(1.0)) && Save(dir, stem + "@2x.png", draw(2.0));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIRECTORY\n", argv[0]);
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "render_artwork: cannot create %s\n", argv[1]);
        return 1;
    }
    bool ok = WriteAtRatios(dir, "background", klavet::artwork::Background) &&
              WriteAtRatios(dir, "key-at-rest", klavet::artwork::KeyAtRest) &&
              WriteAtRatios(dir, "key-pressed", klavet::artwork::KeyPressed) &&
              WriteAtRatios(dir, "sound-icon", klavet::artwork::SoundIcon) &&
              WriteAtRatios(dir, "hand-pointer", klavet::artwork::HandPointer) &&
              WriteAtRatios(dir, "key-pointer", klavet::artwork::KeyPointer) &&
              WriteAtRatios(dir, "window-mockup", [](qreal dpr) { return Mockup(dpr, false); }) &&
              WriteAtRatios(dir, "window-mockup-pressed", [](qreal dpr) { return Mockup(dpr, true); });
    for (int size : {16, 24, 32, 48, 64, 128, 256, 512}) {
        ok = ok && Save(dir, QString("icon-%1.png").arg(size), klavet::artwork::WindowIcon(size));
    }
    return ok ? 0 : 1;
}
