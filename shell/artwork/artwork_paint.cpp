// Painting helpers for the artwork: images at a device pixel ratio, metal
// gradients, repeatable randomness and the stroked capitals of the name.

#include "artwork_paint.h"

#include <QList>
#include <QPolygonF>

namespace klavet::artwork::paint {

QImage NewImage(int width, int height, qreal dpr, QImage::Format format, QColor fill) {
    const QSize pixels(qRound(width * dpr), qRound(height * dpr));
    QImage image(pixels, format);
    image.setDevicePixelRatio(dpr);
    image.fill(fill);
    return image;
}

void Prepare(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
}

namespace {

QLinearGradient Gradient(QPointF from, QPointF to, std::initializer_list<std::pair<qreal, QColor>> stops) {
    QLinearGradient gradient(from, to);
    for (const auto& [at, colour] : stops) {
        gradient.setColorAt(at, colour);
    }
    return gradient;
}

} // namespace

QLinearGradient Brass(QPointF from, QPointF to) {
    return Gradient(from, to, {{0.0, QColor(176, 124, 38)},
                               {0.18, QColor(255, 240, 168)},
                               {0.38, QColor(240, 198, 92)},
                               {0.72, QColor(196, 140, 44)},
                               {1.0, QColor(120, 78, 18)}});
}

QLinearGradient ShadedBrass(QPointF from, QPointF to) {
    return Gradient(from, to, {{0.0, QColor(150, 104, 34)},
                               {0.3, QColor(196, 150, 62)},
                               {1.0, QColor(96, 62, 16)}});
}

QLinearGradient Steel(QPointF from, QPointF to) {
    return Gradient(from, to, {{0.0, QColor(150, 156, 164)},
                               {0.3, QColor(246, 248, 250)},
                               {0.65, QColor(178, 184, 192)},
                               {1.0, QColor(96, 102, 112)}});
}

qreal Repeatable::Next() {
    // A 32-bit linear congruential step; the top 24 bits make the fraction.
    state_ = state_ * 1664525u + 1013904223u;
    return static_cast<qreal>(state_ >> 8) / static_cast<qreal>(1u << 24);
}

namespace {

using Strokes = QList<QPolygonF>;

// Each letter's strokes and its width, on a grid 7 units high.
struct Letter {
    qreal width;
    Strokes strokes;
};

Letter Glyph(QChar c) {
    switch (c.unicode()) {
    case 'K':
        return {4, {QPolygonF({{0.5, 0.5}, {0.5, 6.5}}),
                    QPolygonF({{3.5, 0.5}, {1.0, 3.5}}),
                    QPolygonF({{1.6, 2.9}, {3.5, 6.5}})}};
    case 'L':
        return {3, {QPolygonF({{0.5, 0.5}, {0.5, 6.5}, {2.5, 6.5}})}};
    case 'A':
        return {4, {QPolygonF({{0.5, 6.5}, {0.5, 2.0}, {2.0, 0.5}, {3.5, 2.0}, {3.5, 6.5}}),
                    QPolygonF({{0.5, 4.5}, {3.5, 4.5}})}};
    case 'V':
        return {5, {QPolygonF({{0.5, 0.5}, {0.5, 3.0}, {2.5, 6.5}, {4.5, 3.0}, {4.5, 0.5}})}};
    case 'E':
        return {3, {QPolygonF({{2.5, 0.5}, {0.5, 0.5}, {0.5, 6.5}, {2.5, 6.5}}),
                    QPolygonF({{0.5, 3.5}, {2.2, 3.5}})}};
    case 'T':
        return {5, {QPolygonF({{0.5, 0.5}, {4.5, 0.5}}), QPolygonF({{2.5, 0.5}, {2.5, 6.5}})}};
    default:
        return {0, {}};
    }
}

} // namespace

QPainterPath Lettering(const QString& word, qreal gap) {
    QPainterPath path;
    qreal x = 0;
    for (const QChar c : word) {
        const Letter letter = Glyph(c);
        if (letter.width == 0) {
            continue;
        }
        for (const QPolygonF& stroke : letter.strokes) {
            path.addPolygon(stroke.translated(x, 0));
        }
        x += letter.width + gap;
    }
    return path;
}

qreal LetteringWidth(const QString& word, qreal gap) {
    qreal width = 0;
    int letters = 0;
    for (const QChar c : word) {
        const qreal w = Glyph(c).width;
        if (w > 0) {
            width += w;
            ++letters;
        }
    }
    return letters > 0 ? width + gap * (letters - 1) : 0;
}

} // namespace klavet::artwork::paint
