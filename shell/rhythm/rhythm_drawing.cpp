#include "rhythm_drawing.h"

#include "design_font.h"
#include "rhythm_texts.h"
#include "sign_table.h"

#include <QPainter>

#include <algorithm>
#include <numeric>

namespace klavet {

namespace {

// Calibrating presses drawn, the latest.
constexpr std::size_t kCalibrationShown = 20;
constexpr int kCaptionWidth = 42;
constexpr double kMostPixelsPerUnit = 26;

// Rows, in pixels from the top.
constexpr int kFiguresTop = 0, kFiguresHeight = 11;
constexpr int kKeyedTop = 13, kKeyedHeight = 16;
constexpr int kIdealTop = 34, kIdealHeight = 10;
constexpr int kExpectedTop = 50, kExpectedHeight = 10;

const QColor kClose{0, 150, 0};
const QColor kOff{225, 140, 0};
const QColor kFar{200, 0, 0};
const QColor kIdeal{0, 0, 192};
const QColor kGrid{170, 210, 210};
const QColor kBoundary{0, 0, 100};

QColor ColourOf(Fit fit) {
    return fit == Fit::Close ? kClose : fit == Fit::Off ? kOff : kFar;
}

double IdealUnits(std::string_view code) {
    double units = 0;
    for (char element : code)
        units += element == '-' ? 4 : 2; // with the gap after it
    return code.empty() ? 0 : units - 1;
}

} // namespace

RhythmDrawing::RhythmDrawing(QWidget* parent) : QWidget(parent) {
    setObjectName("RhythmDrawing");
    setFont(DesignFont(kSansSerif, 6.75));
}

void RhythmDrawing::Show(const RhythmRecord& record) {
    calibrating_ = record.LastWasCalibrating();
    const auto& presses = record.CalibrationPresses();
    calibration_.assign(presses.end() - static_cast<std::ptrdiff_t>(std::min(presses.size(), kCalibrationShown)),
                        presses.end());
    sign_ = record.Signs().empty() ? KeyedSign{} : record.Signs().back();
    analysis_ = AnalyseSign(sign_);
    const SignEntry* expected = FindBySign(sign_.expected);
    expectedCode_ = expected ? std::string(expected->Code) : std::string();
    update();
}

void RhythmDrawing::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (calibrating_)
        PaintCalibration(painter);
    else if (analysis_)
        PaintSign(painter);
}

void RhythmDrawing::PaintSign(QPainter& painter) const {
    const SignAnalysis& a = *analysis_;
    const double u = a.unitMs;
    double keyedUnits = 0;
    for (const Judged& j : a.marks)
        keyedUnits += j.units;
    for (const Judged& j : a.gaps)
        keyedUnits += j.units;
    const double width = this->width() - kCaptionWidth - 2;
    const double scale =
        std::min(kMostPixelsPerUnit, width / std::max({keyedUnits, IdealUnits(expectedCode_), 1.0}));
    const auto x = [&](double units) { return kCaptionWidth + units * scale; };

    painter.setPen(Qt::black);
    painter.drawText(QRectF(0, kKeyedTop, kCaptionWidth - 4, kKeyedHeight), Qt::AlignRight | Qt::AlignVCenter,
                     RhythmTexts::tr("frappé"));
    painter.drawText(QRectF(0, kIdealTop - 2, kCaptionWidth - 4, kIdealHeight + 4), Qt::AlignRight | Qt::AlignVCenter,
                     RhythmTexts::tr("idéal"));
    if (scale >= 4) {
        painter.setPen(kGrid);
        for (double unit = 0; x(unit) <= this->width(); unit += 1)
            painter.drawLine(QPointF(x(unit), kKeyedTop), QPointF(x(unit), kIdealTop + kIdealHeight));
    }

    const double boundary = DashBoundaryMs(sign_.calibratedUnitMs) / u;
    double at = 0;
    for (std::size_t i = 0; i < a.marks.size(); ++i) {
        if (i > 0) {
            const Judged& gap = a.gaps[i - 1];
            painter.fillRect(QRectF(x(at), kKeyedTop + kKeyedHeight / 2 - 1, gap.units * scale, 3), ColourOf(gap.fit));
            at += gap.units;
        }
        const Judged& mark = a.marks[i];
        const QRectF bar(x(at), kKeyedTop, std::max(1.0, mark.units * scale), kKeyedHeight);
        painter.fillRect(bar, ColourOf(mark.fit));
        if (a.ambiguous[i]) {
            painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
            painter.drawRect(bar.adjusted(0, 0, -1, -1));
        }
        painter.setPen(kBoundary);
        painter.drawLine(QPointF(x(at + boundary), kKeyedTop - 2), QPointF(x(at + boundary), kKeyedTop + 3));
        painter.setPen(Qt::black);
        const QString figure = RhythmTexts::Decimal(mark.units);
        if (painter.fontMetrics().horizontalAdvance(figure) <= std::max(bar.width(), scale * 1.5))
            painter.drawText(QRectF(bar.left() - 8, kFiguresTop, bar.width() + 16, kFiguresHeight), Qt::AlignCenter,
                             figure);
        painter.fillRect(QRectF(x(at), kIdealTop, mark.idealUnits * scale, kIdealHeight), kIdeal);
        at += mark.units;
    }

    if (expectedCode_.empty())
        return;
    painter.setPen(Qt::black);
    painter.drawText(QRectF(0, kExpectedTop - 2, kCaptionWidth - 4, kExpectedHeight + 4),
                     Qt::AlignRight | Qt::AlignVCenter, RhythmTexts::tr("attendu"));
    at = 0;
    for (char element : expectedCode_) {
        const double units = element == '-' ? 3 : 1;
        painter.fillRect(QRectF(x(at), kExpectedTop, units * scale, kExpectedHeight), QColor(90, 90, 90));
        at += units + 1;
    }
}

// Each calibrating press a bar, its height its length against the longest,
// coloured by how far it lies from their mean, which the line marks.
void RhythmDrawing::PaintCalibration(QPainter& painter) const {
    if (calibration_.empty())
        return;
    const double mean = std::accumulate(calibration_.begin(), calibration_.end(), 0.0) /
                        static_cast<double>(calibration_.size());
    const double longest = std::max(*std::max_element(calibration_.begin(), calibration_.end()), 1.0);
    const int bottom = kExpectedTop + kExpectedHeight;
    const double height = bottom - kKeyedTop;
    const double step = static_cast<double>(width() - kCaptionWidth) / kCalibrationShown;
    for (std::size_t i = 0; i < calibration_.size(); ++i) {
        const double h = std::max(1.0, calibration_[i] / longest * height);
        painter.fillRect(QRectF(kCaptionWidth + i * step + 1, bottom - h, step - 3, h),
                         ColourOf(FitOf(calibration_[i], mean)));
    }
    painter.setPen(QPen(kIdeal, 1));
    const double y = bottom - mean / longest * height;
    painter.drawLine(QPointF(kCaptionWidth, y), QPointF(width(), y));
    painter.setPen(Qt::black);
    painter.drawText(QRectF(0, y - 7, kCaptionWidth - 4, 14), Qt::AlignRight | Qt::AlignVCenter,
                     RhythmTexts::tr("moyenne"));
}

} // namespace klavet
