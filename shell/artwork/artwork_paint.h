#pragma once

// Small painting helpers shared by the artwork files: blank images at a device
// pixel ratio, metal gradients, a repeatable pseudo-random source for stone
// speckles, and a stroked capital lettering that needs no installed font.

#include <QColor>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QString>

#include <cstdint>

namespace klavet::artwork::paint {

inline const QColor kPanelCyan{204, 255, 255};
inline const QColor kRimBlue{0, 78, 152};

// An image of width x height logical pixels at the given ratio, filled.
QImage NewImage(int width, int height, qreal dpr, QImage::Format format, QColor fill);

// A painter on the image, antialiased, in logical coordinates.
void Prepare(QPainter& painter);

// Polished brass across a part, from its lit side (from) to its shaded side (to).
QLinearGradient Brass(QPointF from, QPointF to);
// Darker, older brass for parts seen in the shade.
QLinearGradient ShadedBrass(QPointF from, QPointF to);
// Nickel-plated steel for screws and contact points.
QLinearGradient Steel(QPointF from, QPointF to);

// The same sequence of numbers in [0, 1) on every run for a given seed.
class Repeatable {
public:
    explicit Repeatable(std::uint32_t seed) : state_(seed) {}
    qreal Next();
    qreal Between(qreal low, qreal high) { return low + (high - low) * Next(); }

private:
    std::uint32_t state_;
};

// Capital letters drawn as strokes on a 7-unit-high grid, each stroke centred
// on whole units plus a half so that at one pixel per unit they fall on pixels.
// Only the letters of the trainer's name are known; others are skipped.
QPainterPath Lettering(const QString& word, qreal gap = 1.0);
// Width of the lettering in grid units.
qreal LetteringWidth(const QString& word, qreal gap = 1.0);

} // namespace klavet::artwork::paint
