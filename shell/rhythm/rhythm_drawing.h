#pragma once

// Draws the latest keyed sign to scale on a one-unit grid: the learner's
// marks and gaps coloured by how close each came to its ideal, the ideal
// pattern beneath (each element anchored where the learner's began, so that
// one early error shifts nothing after it), the dot/dash boundary, and the
// sign expected in echo practice. Or, while calibrating, the calibrating
// presses against their mean. It only draws what the analysis found.

#include "keyed_sign.h"
#include "rhythm_record.h"
#include "sign_analysis.h"

#include <QWidget>

#include <optional>
#include <string>
#include <vector>

namespace klavet {

class RhythmDrawing final : public QWidget {
public:
    explicit RhythmDrawing(QWidget* parent);
    void Show(const RhythmRecord& record);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PaintSign(QPainter& painter) const;
    void PaintCalibration(QPainter& painter) const;

    KeyedSign sign_;
    std::optional<SignAnalysis> analysis_;
    std::string expectedCode_;
    std::vector<double> calibration_;
    bool calibrating_ = false;
};

} // namespace klavet
