// The record as the real keying handlers feed it: calibration, signs with
// their marks, gaps and decoded sign, echo, and what is left out.

#include "engine_fixture.h"
#include "rhythm_record.h"
#include "sign_analysis.h"

#include <gtest/gtest.h>

namespace klavet::testing {
namespace {

class RhythmRecordTest : public EngineTest {
protected:
    RhythmRecordTest() {
        engine.Listen(&record);
        record.OnChange([this] { ++changes; });
    }

    // Ten calibrating dots of 100 ticks, then training.
    void Calibrate() {
        for (int i = 0; i < 10; ++i) {
            Press(100);
            Gap(100);
        }
        TrainingMode();
    }

    const KeyedSign& Last() const { return record.Signs().back(); }

    RhythmRecord record;
    int changes = 0;
};

TEST_F(RhythmRecordTest, CalibratingPressesThenASignWithItsGapsAndDecodedSign) {
    Calibrate();
    EXPECT_EQ(record.CalibrationPresses(), std::vector<double>(10, 100));
    EXPECT_TRUE(record.LastWasCalibrating());
    Gap(1000);
    Key("-.-", 90, 400);
    EXPECT_FALSE(record.LastWasCalibrating());
    EXPECT_EQ(Last().marks, (std::vector<double>{270, 90, 270}));
    EXPECT_EQ(Last().gaps, (std::vector<double>{90, 90}));
    EXPECT_EQ(Last().elements, "-.-");
    EXPECT_EQ(Last().decoded, "K");
    EXPECT_DOUBLE_EQ(Last().calibratedUnitMs, 90); // the trainer's unit: 900 ticks over 10 presses
    EXPECT_TRUE(Last().calibrated);
    EXPECT_FALSE(Last().mixed);
    EXPECT_EQ(AnalyseSign(Last())->note, 100);

    // Every tick of the rest decodes again; the record changes once.
    const int before = changes;
    Gap(500);
    EXPECT_EQ(changes, before);
}

TEST_F(RhythmRecordTest, KeepsTheSignBeingKeyedAndTwentyBefore) {
    TrainingMode();
    for (int i = 0; i < 30; ++i)
        Key(".", 8, 100);
    EXPECT_EQ(record.Signs().size(), RhythmRecord::kKeptSigns + 1);
    EXPECT_FALSE(Last().calibrated) << "the speed field's first unit";
    EXPECT_DOUBLE_EQ(Last().calibratedUnitMs, 8);
}

TEST_F(RhythmRecordTest, ThePlayedSignIsAwaitedByTheNextSignOnly) {
    Calibrate();
    window.texts[TextBox::Text1] = "k";
    engine.Command1_Click();
    EXPECT_EQ(record.Awaited(), "K");
    Gap(1000);
    Key("-.-", 90, 500);
    EXPECT_EQ(Last().expected, "K");
    EXPECT_EQ(record.Awaited(), "");
    Key("--", 90, 500);
    EXPECT_EQ(Last().expected, "");
}

TEST_F(RhythmRecordTest, LatePressesAndCalibrationWithinASignAreMarkedNotTimed) {
    Calibrate();
    Gap(1000);
    Press(90);
    record.HandledLate(true);
    Gap(30);
    Press(300); // handled after a playback: its length is not the learner's
    record.HandledLate(false);
    Gap(500);
    EXPECT_TRUE(Last().late);
    EXPECT_EQ(Last().marks.size(), 1u);
    EXPECT_FALSE(AnalyseSign(Last()));

    // Held while a sign played: the ticks stood still meanwhile.
    Gap(1000);
    engine.Laklavet_MouseDown();
    window.texts[TextBox::Text1] = "e";
    engine.Command1_Click();
    engine.Laklavet_MouseUp();
    Gap(500);
    EXPECT_TRUE(Last().late);
    EXPECT_TRUE(Last().marks.empty());

    Gap(1000);
    Press(90);
    Gap(90);
    window.chkVit = 1;
    engine.ChkVit_Click();
    Press(100); // calibrating, in the middle of the sign
    TrainingMode();
    Gap(90);
    Press(270);
    EXPECT_TRUE(Last().mixed);
    EXPECT_EQ(record.CalibrationPresses().size(), 11u);
    EXPECT_FALSE(AnalyseSign(Last()));
}

} // namespace
} // namespace klavet::testing
