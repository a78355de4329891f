#pragma once

// The rhythm view's words and figures, as a learner and a screen reader meet
// them: in the user's language (French with a decimal comma as written), each
// figure with its unit or its name.
// Wording only; what is judged, and how, is the analysis's.

#include "rhythm_record.h"
#include "session_analysis.h"

#include <QCoreApplication>
#include <QString>

namespace klavet {

struct RhythmLines {
    QString sign;       // the sign, its speed, unit and note; or the calibration
    QString elements;   // its marks and gaps in its own units; or the calibrated unit
    QString calibrated; // the speed the trainer judges by
    QString session;    // the figures of the latest signs
    QString hint;       // the one fault most worth working on
    QString echo;       // the sign played, and how the sign keyed after it compares
};

class RhythmTexts {
    Q_DECLARE_TR_FUNCTIONS(RhythmTexts)

public:
    static RhythmLines For(const RhythmRecord& record);

    // A figure with one decimal ("3,0" in French); `trimmed` drops a ",0".
    static QString Decimal(double value, bool trimmed = false);
    // What the trainer judges by: "calibré 13,3 mots/min (unité 90 ms)", or
    // "non calibré" with the speed field's unit.
    static QString Calibrated(double unitMs, bool calibrated);

private:
    static void SignLines(const RhythmRecord& record, RhythmLines& lines);
    static void CalibrationLines(const RhythmRecord& record, RhythmLines& lines);
    static QString Session(const SessionAnalysis& session);
    static QString HintText(Hint hint);
    static QString Echo(const RhythmRecord& record);
};

} // namespace klavet
