// The rhythm panel's words and drawing for a record fed as the keying
// handlers feed it, and where it docks.

#include "rhythm_drawing.h"
#include "rhythm_panel.h"
#include "rhythm_texts.h"
#include "ui_language.h"

#include <QAccessible>
#include <QApplication>
#include <QImage>
#include <QLabel>

#include <gtest/gtest.h>

#include <ostream>

void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
void PrintTo(const QColor& colour, std::ostream* out) {
    *out << colour.name().toStdString();
}

namespace klavet {
namespace {

// Presses and gaps in ms, as the handlers tell them.
void Key(RhythmRecord& record, const std::string& elements, std::vector<int> marks, int gap, int unit) {
    for (std::size_t i = 0; i < elements.size(); ++i) {
        record.KeyDown(static_cast<std::int16_t>(i == 0 ? 10000 : gap), i == 0);
        record.KeyUp(static_cast<std::int16_t>(marks[i]), std::string(1, elements[i]), static_cast<std::int16_t>(unit));
    }
}

void Calibrate(RhythmRecord& record, int presses, int ms) {
    for (int i = 0; i < presses; ++i) {
        record.KeyDown(200, i == 0);
        record.KeyUp(static_cast<std::int16_t>(ms), "", static_cast<std::int16_t>(ms));
    }
}

TEST(RhythmTexts, CalibrationThenAnEvenKThenShortDashesAndEcho) {
    RhythmRecord uncalibrated;
    EXPECT_EQ(RhythmTexts::For(uncalibrated).sign, "Aucun signe manipulé");
    Key(uncalibrated, ".", {20}, 0, 8);
    EXPECT_EQ(RhythmTexts::For(uncalibrated).calibrated, "non calibré (unité 8 ms)");

    RhythmRecord record;
    Calibrate(record, 10, 100);
    RhythmLines calibrating = RhythmTexts::For(record);
    EXPECT_EQ(calibrating.sign, "Calibrage : 10 points, écart 0 %");
    EXPECT_EQ(calibrating.elements, "unité 100 ms, 12 mots/min");
    EXPECT_EQ(calibrating.hint, "");
    RhythmRecord uneven;
    Calibrate(uneven, 3, 60);
    Calibrate(uneven, 3, 140);
    EXPECT_EQ(RhythmTexts::For(uneven).hint, "calibrage irrégulier : refaites quelques points");

    record.Decoded("K"); // the calibration's sign is no sign
    record.Played("K");
    EXPECT_EQ(RhythmTexts::For(record).echo, "attendu K");
    Key(record, "-.-", {300, 100, 300}, 100, 100);
    record.Decoded("K");
    RhythmLines k = RhythmTexts::For(record);
    EXPECT_EQ(k.sign, "Signe K : 12 mots/min, unité 100 ms, note 100/100");
    EXPECT_EQ(k.elements, "en unités : appuis 3,0 1,0 3,0, espaces 1,0 1,0");
    EXPECT_EQ(k.calibrated, "calibré 12 mots/min (unité 100 ms)");
    EXPECT_EQ(k.echo, "attendu K : juste");
    EXPECT_EQ(k.hint, "régulier");

    record.Played("K");
    for (int i = 0; i < 4; ++i) {
        Key(record, ".-.", {100, 200, 100}, 100, 100);
        record.Decoded("R");
    }
    RhythmLines r = RhythmTexts::For(record);
    EXPECT_EQ(r.echo, "") << "only the first sign after the playback is compared";
    EXPECT_EQ(r.hint, "traits trop courts");
    // Dashes 300, 300, then 200 four times: median 200, spread 47 over 233;
    // each R notes 88 (its unit 600/7 ms), the K 100.
    EXPECT_EQ(r.session, "Sur 5 signes : trait/point 2,0, espace/point 1,0, écart des points 0 %, "
                         "écart des traits 20 %, note moyenne 90/100");
}

TEST(RhythmTexts, AKeyedSignThatIsNotThePlayedOneIsNamed) {
    RhythmRecord record;
    record.Played("K");
    Key(record, ".-.", {100, 300, 100}, 100, 100);
    EXPECT_EQ(RhythmTexts::For(record).echo, "attendu K, frappé ?");
    record.Decoded("R");
    EXPECT_EQ(RhythmTexts::For(record).echo, "attendu K, frappé R");
}

TEST(RhythmPanel, DocksUnderItsOwnerOrOverItAndStaysOnTheScreen) {
    const QSize panel = RhythmPanel::DesignSize();
    const QRect screen(0, 0, 1024, 768);
    EXPECT_EQ(DockedGeometry(QRect(100, 100, 394, 298), panel, screen), QRect(QPoint(100, 398), panel));
    EXPECT_EQ(DockedGeometry(QRect(100, 450, 394, 298), panel, screen), QRect(QPoint(100, 450 - panel.height()), panel));
    EXPECT_EQ(DockedGeometry(QRect(-50, 100, 394, 298), panel, screen).left(), 0);
    EXPECT_EQ(DockedGeometry(QRect(900, 100, 394, 298), panel, screen).right(), 1023);
}

// The figures reach assistive tools as the labels' names, and the drawing
// colours an even K green and a halved dot red.
TEST(RhythmPanel, ShowsTheFiguresToAssistiveToolsAndColoursEachMark) {
    QWidget owner;
    RhythmPanel panel(&owner);
    EXPECT_TRUE(panel.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    RhythmRecord record;
    Calibrate(record, 10, 100);
    Key(record, "-.-", {300, 100, 300}, 100, 100);
    record.Decoded("K");
    panel.Show(record);
    QStringList names;
    for (QLabel* label : panel.findChildren<QLabel*>())
        names << QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name);
    EXPECT_TRUE(names.contains("Signe K : 12 mots/min, unité 100 ms, note 100/100")) << names.join('|').toStdString();

    auto* drawing = dynamic_cast<RhythmDrawing*>(panel.findChild<QWidget*>("RhythmDrawing"));
    ASSERT_NE(drawing, nullptr);
    const auto colourAt = [&](double units) {
        // The keyed row's middle, at so many of the sign's own units from its start.
        const QImage image = drawing->grab().toImage();
        const double scale = std::min(26.0, (drawing->width() - 44.0) / 9);
        return image.pixelColor(static_cast<int>(42 + units * scale), 21);
    };
    EXPECT_EQ(colourAt(1.5), QColor(0, 150, 0));
    Key(record, "-.-", {300, 40, 300}, 100, 100);
    drawing->Show(record);
    // Unit 840 / 9: the dot of 40 ms is far from its 93 ms.
    EXPECT_EQ(colourAt(3.2 + 1.07 + 0.2), QColor(200, 0, 0));
}

// The longest lines the panel writes (a sign of seven presses, twenty signs
// before it, each figure at its widest) fit their labels, in whatever
// language it speaks.
TEST(RhythmPanel, TheLongestLinesFitTheirLabels) {
    RhythmRecord record;
    Calibrate(record, 3, 60);
    for (int i = 0; i < 20; ++i) {
        Key(record, "-.-.--", {333, 111, 299, 87, 311, 305}, 104, 100);
        record.Decoded("BT");
    }
    record.Played("BT");
    Key(record, "......-", {111, 98, 103, 87, 121, 93, 333}, 104, 100);
    QWidget owner;
    RhythmPanel panel(&owner);
    panel.Show(record);
    for (QLabel* label : panel.findChildren<QLabel*>()) {
        const QFontMetrics metrics(label->font());
        const int flags = label->wordWrap() ? Qt::TextWordWrap : 0;
        const QRect needed = metrics.boundingRect(QRect(0, 0, label->width(), 1 << 16), flags, label->text());
        EXPECT_LE(needed.width(), label->width()) << label->text().toStdString();
        EXPECT_LE(needed.height(), label->height()) << label->text().toStdString();
    }
}

} // namespace
} // namespace klavet

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (qEnvironmentVariable("KLAVET_TEST_LANGUAGE") == QLatin1String("en"))
        klavet::Speak(app, klavet::UiLanguage::English);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
