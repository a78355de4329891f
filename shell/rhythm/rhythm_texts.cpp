#include "rhythm_texts.h"

#include "session_analysis.h"
#include "sign_analysis.h"
#include "sign_table.h"
#include "ui_language.h"

#include <QLocale>
#include <QStringList>

#include <cmath>

namespace klavet {

namespace {

// Presses past this many fill no slot of the sign.
constexpr std::size_t kSlots = 6;

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString Whole(double value) {
    return NumberLocale().toString(static_cast<qlonglong>(std::llround(value)));
}

} // namespace

QString RhythmTexts::Decimal(double value, bool trimmed) {
    const QLocale locale = NumberLocale();
    const double tenths = std::round(value * 10) / 10;
    if (trimmed && tenths == std::round(tenths))
        return locale.toString(static_cast<qlonglong>(std::llround(tenths)));
    return locale.toString(tenths, 'f', 1);
}

QString RhythmTexts::Calibrated(double unitMs, bool calibrated) {
    if (!calibrated)
        return tr("non calibré (unité %1 ms)").arg(Whole(unitMs));
    if (unitMs <= 0)
        return tr("calibré, unité %1 ms").arg(Whole(unitMs));
    return tr("calibré %1 mots/min (unité %2 ms)").arg(Decimal(WordsPerMinute(unitMs), true), Whole(unitMs));
}

RhythmLines RhythmTexts::For(const RhythmRecord& record) {
    RhythmLines lines;
    if (record.LastWasCalibrating())
        CalibrationLines(record, lines);
    else
        SignLines(record, lines);
    lines.echo = Echo(record);
    return lines;
}

void RhythmTexts::CalibrationLines(const RhythmRecord& record, RhythmLines& lines) {
    const CalibrationAnalysis calibration = AnalyseCalibration(record.CalibrationPresses());
    lines.sign = calibration.presses == 1 ? tr("Calibrage : 1 point")
                                          : tr("Calibrage : %1 points").arg(calibration.presses);
    if (calibration.spread)
        lines.sign += tr(", écart %1 %").arg(Whole(*calibration.spread * 100));
    if (calibration.unitMs)
        lines.elements = tr("unité %1 ms, %2 mots/min")
                             .arg(Whole(*calibration.unitMs), Decimal(WordsPerMinute(*calibration.unitMs), true));
    if (calibration.irregular)
        lines.hint = tr("calibrage irrégulier : refaites quelques points");
}

QString RhythmTexts::HintText(Hint hint) {
    switch (hint) {
    case Hint::Even: return tr("régulier");
    case Hint::DashesShort: return tr("traits trop courts");
    case Hint::DashesLong: return tr("traits trop longs");
    case Hint::GapsShort: return tr("espaces trop courts");
    case Hint::GapsLong: return tr("espaces trop longs");
    case Hint::DotsUneven: return tr("points irréguliers");
    case Hint::DashesUneven: return tr("traits irréguliers");
    }
    return {};
}

void RhythmTexts::SignLines(const RhythmRecord& record, RhythmLines& lines) {
    const SessionAnalysis session = AnalyseSession(record.Signs());
    lines.session = Session(session);
    if (session.hint)
        lines.hint = HintText(*session.hint);
    if (record.Signs().empty() || record.Signs().back().marks.empty()) {
        lines.sign = tr("Aucun signe manipulé");
        return;
    }
    const KeyedSign& sign = record.Signs().back();
    lines.calibrated = Calibrated(sign.calibratedUnitMs, sign.calibrated);
    const QString name = sign.decoded.empty() ? tr("Signe inconnu") : tr("Signe %1").arg(Text(sign.decoded));
    if (sign.late) {
        lines.sign = tr("%1 : appuis faits pendant l'écoute, non mesurés").arg(name);
        return;
    }
    if (sign.mixed) {
        lines.sign = tr("%1 : mêlé au calibrage, non jugé").arg(name);
        return;
    }
    const auto analysis = AnalyseSign(sign);
    if (!analysis) {
        lines.sign = tr("%1 : appuis sans durée, non jugé").arg(name);
        return;
    }
    lines.sign = tr("%1 : %2 mots/min, unité %3 ms")
                     .arg(name, Decimal(WordsPerMinute(analysis->unitMs), true), Whole(analysis->unitMs));
    if (analysis->note)
        lines.sign += tr(", note %1/100").arg(*analysis->note);
    QStringList marks, gaps;
    for (const Judged& mark : analysis->marks)
        marks << Decimal(mark.units);
    for (const Judged& gap : analysis->gaps)
        gaps << Decimal(gap.units);
    lines.elements = tr("en unités : appuis %1").arg(marks.join(' '));
    if (!gaps.isEmpty())
        lines.elements += tr(", espaces %1").arg(gaps.join(' '));
    if (sign.marks.size() > kSlots)
        lines.elements += tr(" ; au-delà du 6e appui, rien n'est décodé");
}

QString RhythmTexts::Session(const SessionAnalysis& session) {
    if (session.signs == 0)
        return {};
    QStringList figures;
    if (session.dashDot)
        figures << tr("trait/point %1").arg(Decimal(*session.dashDot));
    if (session.gapDot)
        figures << tr("espace/point %1").arg(Decimal(*session.gapDot));
    if (session.dotSpread)
        figures << tr("écart des points %1 %").arg(Whole(*session.dotSpread * 100));
    if (session.dashSpread)
        figures << tr("écart des traits %1 %").arg(Whole(*session.dashSpread * 100));
    if (session.meanNote)
        figures << tr("note moyenne %1/100").arg(Whole(*session.meanNote));
    QString text = session.signs == 1 ? tr("Sur 1 signe") : tr("Sur %1 signes").arg(session.signs);
    if (!figures.isEmpty())
        text += tr(" : ") + figures.join(tr(", "));
    return text;
}

QString RhythmTexts::Echo(const RhythmRecord& record) {
    if (!record.Awaited().empty())
        return tr("attendu %1").arg(Text(record.Awaited()));
    if (record.Signs().empty() || record.LastWasCalibrating())
        return {};
    const KeyedSign& sign = record.Signs().back();
    if (sign.expected.empty() || sign.marks.empty())
        return {};
    if (sign.decoded == sign.expected)
        return tr("attendu %1 : juste").arg(Text(sign.expected));
    return tr("attendu %1, frappé %2").arg(Text(sign.expected), sign.decoded.empty() ? tr("?") : Text(sign.decoded));
}

} // namespace klavet
