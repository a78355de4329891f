// The window while a sign plays back: the ticks wait, the sign shows first,
// and a press or a button that comes meanwhile is handled after the last
// element, told as late.

#include "window_fixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTimer>

#include <thread>

using namespace std::chrono_literals;

namespace klavet::testing {
namespace {

// In a Turkish locale the upper case of "i" is "İ", which no sign is: the
// letter the learner typed still plays, and shows as "I".
TEST_F(WindowTest, TurkishIPlaysTheLetterI) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Turkish, QLocale::Turkey));
    Show();
    EXPECT_EQ(window->UpperCase("i"), "İ");
    Control<QLineEdit>("Text1")->setText("i");
    QTest::mouseClick(Control("Command1"), Qt::LeftButton);
    EXPECT_EQ(CaptionOf("Label7"), "I");
    EXPECT_EQ(window->State().ChosenSign, "I");
    EXPECT_EQ(CaptionOf("signe"), "..");
    EXPECT_EQ(sound->Calls(), (std::vector<std::string>{"volume on", "sync /opt/klavet/di.wav",
                                                        "sync /opt/klavet/di.wav"}));
    QLocale::setDefault(before);
}

TEST_F(WindowTest, PlaybackHoldsTheTicksAndShowsTheSignFirst) {
    Show();
    auto* label7 = Control<QLabel>("Label7");
    std::atomic<int> paints{0};
    struct PaintCounter : QObject {
        std::atomic<int>* count;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint)
                ++*count;
            return false;
        }
    } counter;
    counter.count = &paints;
    label7->installEventFilter(&counter);

    std::vector<std::string> seenAtFirstSound;
    int paintsAtFirstSound = -1;
    sound->onPlay = [&](const std::string&) {
        if (paintsAtFirstSound < 0) {
            paintsAtFirstSound = paints.load();
            seenAtFirstSound = {label7->text().toStdString(), CaptionOf("signe")};
        }
        clock.Advance(300ms); // each element takes 300 ms of real time
    };
    Wait(10ms);
    window->DeliverDueTicks();
    EXPECT_EQ(TextOf("Text3"), "10");
    int paintsBefore = paints.load();
    Control<QLineEdit>("Text1")->setText("k");
    QTest::mouseClick(Control("Command1"), Qt::LeftButton);

    EXPECT_EQ(seenAtFirstSound, (std::vector<std::string>{"K", "..-."}));
    EXPECT_GT(paintsAtFirstSound, paintsBefore);
    EXPECT_EQ(CaptionOf("signe"), "-.-");
    auto calls = sound->Calls();
    EXPECT_EQ(calls, (std::vector<std::string>{"volume on", "sync /opt/klavet/da.wav",
                                               "sync /opt/klavet/di.wav", "sync /opt/klavet/da.wav"}));
    // The 900 ms of sound are not counted as idle time.
    Wait(5ms);
    window->DeliverDueTicks();
    EXPECT_EQ(TextOf("Text3"), "15");
    label7->removeEventFilter(&counter);
}

// A press that reaches the key while the sign sounds (here from a timer that
// fires during playback) is handled only after the last element.
TEST_F(WindowTest, KeyPressDuringPlaybackWaitsForTheEnd) {
    Show();
    sound->onPlay = [](const std::string&) { std::this_thread::sleep_for(60ms); };
    bool keyedDuringPlayback = true;
    bool sawPlayback = false;
    QTimer::singleShot(10, window.get(), [&] {
        sawPlayback = window->PlayingSign();
        QTest::mousePress(Control("Laklavet"), Qt::LeftButton, {}, QPoint(8, 8));
        keyedDuringPlayback = Control("Picture2")->isVisible() || window->TimerEnabled(Timer::Timer1);
    });
    Control<QLineEdit>("Text1")->setText("0");
    QTest::mouseClick(Control("Command1"), Qt::LeftButton);
    EXPECT_TRUE(sawPlayback);
    EXPECT_FALSE(keyedDuringPlayback);
    EXPECT_EQ(CaptionOf("signe"), "-----");
    EXPECT_TRUE(Control("Picture2")->isVisible()); // handled once the sign had ended
    EXPECT_TRUE(window->TimerEnabled(Timer::Timer1));
    auto calls = sound->Calls();
    EXPECT_EQ(calls.back(), "async /opt/klavet/tok.wav");
    QTest::mouseRelease(Control("Laklavet"), Qt::LeftButton, {}, QPoint(8, 8));
}

// What the keying handlers tell a listener, in order.
struct ToldListener final : KeyingListener {
    void KeyDown(std::int16_t, bool) override { told.push_back("down"); }
    void KeyUp(std::int16_t, std::string_view, std::int16_t) override { told.push_back("up"); }
    void Decoded(std::string_view) override {}
    void Played(std::string_view sign) override { told.push_back("played " + std::string(sign)); }
    void HandledLate(bool late) override { told.push_back(late ? "late" : "on time"); }
    std::vector<std::string> told;
};

// A press made while a sign plays, and its release, are handled after it,
// told as late: their ticks are not the learner's.
TEST_F(WindowTest, PressDuringPlaybackIsToldAsHandledLate) {
    ToldListener listener;
    Remake([&](WindowOptions& options) { options.keying = &listener; });
    Show();
    sound->onPlay = [](const std::string&) { std::this_thread::sleep_for(60ms); };
    QTimer::singleShot(10, window.get(), [&] {
        QTest::mousePress(Control("Laklavet"), Qt::LeftButton, {}, QPoint(8, 8));
        QTest::mouseRelease(Control("Laklavet"), Qt::LeftButton, {}, QPoint(8, 8));
    });
    Control<QLineEdit>("Text1")->setText("e");
    QTest::mouseClick(Control("Command1"), Qt::LeftButton);
    EXPECT_EQ(listener.told,
              (std::vector<std::string>{"played E", "late", "down", "on time", "late", "up", "on time"}));
    listener.told.clear();
    QTest::mousePress(Control("Laklavet"), Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_EQ(listener.told, (std::vector<std::string>{"down"}));
    QTest::mouseRelease(Control("Laklavet"), Qt::LeftButton, {}, QPoint(8, 8));
}

// A button pressed from outside the input queue during playback (as an
// assistive tool does) waits for the sign to end, like a learner's press.
TEST_F(WindowTest, ButtonPressedDuringPlaybackWaitsForTheEnd) {
    Show();
    sound->onPlay = [](const std::string&) { std::this_thread::sleep_for(60ms); };
    std::size_t callsMeanwhile = 0;
    QTimer::singleShot(10, window.get(), [&] {
        Control<QPushButton>("Command1")->click();
        callsMeanwhile = sound->Calls().size();
    });
    Control<QLineEdit>("Text1")->setText("e");
    QTest::mouseClick(Control("Command1"), Qt::LeftButton);
    EXPECT_EQ(callsMeanwhile, 2u);
    const std::string on = "volume on";
    EXPECT_EQ(sound->Calls(), (std::vector<std::string>{on, "sync /opt/klavet/di.wav", on, "sync /opt/klavet/di.wav"}));
    EXPECT_FALSE(window->PlayingSign());
}

} // namespace
} // namespace klavet::testing
