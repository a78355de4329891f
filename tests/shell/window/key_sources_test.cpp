// The key's sources in the window: the mouse on the contact, the Space bar on
// the focused contact, the Ctrl keys wherever the focus is, a serial-port key through a scripted port, and the
// losses that let a held key up.

#include "window_fixture.h"

#include "scripted_modem_port.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QWindow>

using namespace std::chrono_literals;

namespace klavet::testing {
namespace {

const std::vector<std::string> kOnePress = {"volume on", "async /opt/klavet/tok.wav", "volume off"};

class KeySourcesTest : public WindowTest {
protected:
    void SetUp() override {
        ShowActive();
        Control("Text1")->setFocus();
    }

    void ShowActive() {
        Show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    QWindow* Handle() const { return window->windowHandle(); }

    // The left Ctrl key, as the window system hands it to the window.
    void LeftCtrl(bool down) {
        if (down)
            QTest::keyPress(Handle(), Qt::Key_Control);
        else
            QTest::keyRelease(Handle(), Qt::Key_Control);
    }

    // The right Ctrl key, known by its X keysym; or a key repeat of the left.
    void SendCtrl(QEvent::Type type, quint32 keysym, bool repeat = false) {
        QKeyEvent event(type, Qt::Key_Control,
                        type == QEvent::KeyPress ? Qt::ControlModifier : Qt::NoModifier, 0, keysym, 0,
                        QString(), repeat);
        QCoreApplication::sendEvent(Handle(), &event);
    }

    // Another key pressed and released while Ctrl is held.
    void CtrlWith(Qt::Key key) {
        for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent event(type, key, Qt::ControlModifier);
            QCoreApplication::sendEvent(Handle(), &event);
        }
    }

    void Space(QEvent::Type type, bool repeat = false) {
        QKeyEvent event(type, Qt::Key_Space, Qt::NoModifier, " ", repeat);
        QCoreApplication::sendEvent(Handle(), &event);
    }

    void MouseOnContact(bool down) {
        if (down)
            QTest::mousePress(Control("Laklavet"), Qt::LeftButton, {}, QPoint(8, 8));
        else
            QTest::mouseRelease(Control("Laklavet"), Qt::LeftButton, {}, QPoint(8, 8));
    }

    bool KeyShownDown() const { return !Control("Picture2")->isHidden(); }
};

TEST_F(KeySourcesTest, CtrlKeyKeysLikeTheMouseAndTypesNothing) {
    Wait(100ms);
    LeftCtrl(true);
    EXPECT_TRUE(KeyShownDown());
    EXPECT_TRUE(window->TimerEnabled(Timer::Timer1));
    Wait(60ms);
    LeftCtrl(false);
    EXPECT_FALSE(KeyShownDown());
    EXPECT_EQ(sound->Calls(), kOnePress);
    EXPECT_EQ(TextOf("Text2"), "60");
    EXPECT_EQ(TextOf("Text3"), "100");
    EXPECT_EQ(CaptionOf("Label9"), "1"); // a calibrating press
    EXPECT_EQ(TextOf("Text1"), "F");
    EXPECT_TRUE(Control("Text1")->hasFocus());
}

TEST_F(KeySourcesTest, BothCtrlKeysAndTheMouseAreContactsInParallel) {
    LeftCtrl(true);
    Wait(20ms);
    SendCtrl(QEvent::KeyPress, 0xffe4); // right Ctrl
    MouseOnContact(true);
    Wait(20ms);
    LeftCtrl(false);
    MouseOnContact(false);
    EXPECT_TRUE(KeyShownDown()); // the right Ctrl key still holds it
    Wait(30ms);
    SendCtrl(QEvent::KeyRelease, 0xffe4);
    EXPECT_FALSE(KeyShownDown());
    EXPECT_EQ(sound->Calls(), kOnePress);
    EXPECT_EQ(TextOf("Text2"), "70");
    EXPECT_EQ(CaptionOf("Label9"), "1");
}

TEST_F(KeySourcesTest, KeyRepeatsOfAHeldCtrlKeyAreNoPresses) {
    LeftCtrl(true);
    for (int i = 0; i < 5; ++i) {
        Wait(10ms);
        SendCtrl(QEvent::KeyRelease, 0xffe3, true);
        SendCtrl(QEvent::KeyPress, 0xffe3, true);
    }
    EXPECT_TRUE(KeyShownDown());
    LeftCtrl(false);
    EXPECT_EQ(sound->Calls(), kOnePress);
    EXPECT_EQ(TextOf("Text2"), "50");
    EXPECT_EQ(TextOf("Text1"), "F");
}

// For a learner at the keyboard, with a screen reader: the Space bar keys the
// focused contact as the mouse does and types nothing; its repeats are no
// presses; its release lets go wherever the focus has gone meanwhile; and in
// the sign box it is a space.
TEST_F(KeySourcesTest, SpaceKeysTheFocusedContactLikeTheMouseAndTypesElsewhere) {
    Control("Laklavet")->setFocus();
    Wait(100ms);
    Space(QEvent::KeyPress);
    EXPECT_TRUE(KeyShownDown());
    for (int i = 0; i < 3; ++i) {
        Wait(10ms);
        Space(QEvent::KeyRelease, true);
        Space(QEvent::KeyPress, true);
    }
    Wait(30ms);
    Space(QEvent::KeyRelease);
    EXPECT_FALSE(KeyShownDown());
    EXPECT_EQ(sound->Calls(), kOnePress);
    EXPECT_EQ(TextOf("Text2"), "60");
    EXPECT_EQ(TextOf("Text3"), "100");
    EXPECT_EQ(CaptionOf("Label9"), "1");

    sound->Clear();
    Space(QEvent::KeyPress);
    Control("Text1")->setFocus();
    Wait(20ms);
    Space(QEvent::KeyRelease);
    EXPECT_FALSE(KeyShownDown());
    EXPECT_EQ(sound->Calls(), kOnePress);
    EXPECT_EQ(TextOf("Text1"), "F");

    sound->Clear();
    Control<QLineEdit>("Text1")->clear();
    QTest::keyClick(Handle(), Qt::Key_Space);
    EXPECT_EQ(TextOf("Text1"), " ");
    EXPECT_TRUE(sound->Calls().empty());
}

// A key down never waits to see whether another key follows: Ctrl+V keys
// and pastes, Ctrl+A and Ctrl+C select and copy.
TEST_F(KeySourcesTest, CtrlWithAnotherKeyKeysAndKeepsItsMeaningInTheSignBox) {
    auto* text1 = Control<QLineEdit>("Text1");
    text1->clear();
    QGuiApplication::clipboard()->setText("k");
    LeftCtrl(true);
    EXPECT_TRUE(KeyShownDown());
    CtrlWith(Qt::Key_V);
    Wait(20ms);
    LeftCtrl(false);
    EXPECT_EQ(text1->text(), "k");
    EXPECT_EQ(TextOf("Text2"), "20");

    text1->setText("z");
    LeftCtrl(true);
    CtrlWith(Qt::Key_A);
    CtrlWith(Qt::Key_C);
    LeftCtrl(false);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "z");
    EXPECT_EQ(text1->text(), "z");
    EXPECT_EQ(CaptionOf("Label9"), "2");
}

// The window's losses count as a key up at their moment, for the mouse and
// the Ctrl keys alike.
TEST_F(KeySourcesTest, DeactivationLetsAHeldKeyUp) {
    QWidget other;
    for (bool byCtrl : {false, true}) {
        ShowActive();
        sound->Clear();
        if (byCtrl)
            LeftCtrl(true);
        else
            MouseOnContact(true);
        Wait(40ms);
        other.show();
        other.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
        EXPECT_FALSE(KeyShownDown()) << byCtrl;
        EXPECT_EQ(sound->Calls(), kOnePress) << byCtrl;
        EXPECT_EQ(TextOf("Text2"), "40") << byCtrl;
        // The release that comes later changes nothing.
        Wait(40ms);
        if (byCtrl)
            LeftCtrl(false);
        else
            MouseOnContact(false);
        EXPECT_EQ(sound->Calls(), kOnePress) << byCtrl;
        EXPECT_EQ(TextOf("Text2"), "40") << byCtrl;
    }
}

TEST_F(KeySourcesTest, HidingLetsAHeldKeyUp) {
    MouseOnContact(true);
    Wait(30ms);
    window->hide();
    EXPECT_EQ(sound->Calls(), kOnePress);
    EXPECT_EQ(TextOf("Text2"), "30");
    MouseOnContact(false);
    EXPECT_EQ(sound->Calls(), kOnePress);
}

TEST_F(KeySourcesTest, MinimisingLetsAHeldKeyUp) {
    LeftCtrl(true);
    Wait(25ms);
    window->showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !KeyShownDown(); }));
    EXPECT_EQ(sound->Calls(), kOnePress);
    EXPECT_EQ(TextOf("Text2"), "25");
}

// A serial-port key through a scripted port: a bouncing press keys with the
// length of the contact's press, and it holds the key while the window is
// hidden, following its lines only.
TEST_F(KeySourcesTest, SerialKeyKeysAndFollowsItsLinesOnly) {
    ScriptedModemPort* port = nullptr;
    Remake([&](WindowOptions& options) {
        auto scripted = std::make_unique<ScriptedModemPort>(
            clock, std::vector<ScriptedModemPort::Step>{
                       ScriptedModemPort::Lines(100ms, kCts), ScriptedModemPort::Lines(100ms + 400us, 0),
                       ScriptedModemPort::Lines(100ms + 900us, kCts), ScriptedModemPort::Lines(220ms, 0),
                       ScriptedModemPort::Lines(220ms + 300us, kCts),
                       ScriptedModemPort::Lines(220ms + 700us, 0), ScriptedModemPort::Lines(400ms, kDcd)});
        port = scripted.get();
        options.keyPort = "/dev/ttyUSB7";
        options.keyPortLines = std::move(scripted);
    });
    // The script plays on the port's thread while this one handles nothing;
    // its changes are then handled in order, each at its own time.
    ASSERT_TRUE(port->WaitUntilPlayed(10s));
    ASSERT_TRUE(QTest::qWaitFor([&] { return KeyShownDown(); }));
    EXPECT_EQ(port->OpenedPath(), "/dev/ttyUSB7");
    EXPECT_EQ(TextOf("Text2"), "120");
    EXPECT_EQ(TextOf("Text3"), "180");
    Show();
    window->hide();
    QTest::qWait(20);
    EXPECT_TRUE(KeyShownDown());
    EXPECT_EQ(sound->Calls(),
              (std::vector<std::string>{"volume on", "async /opt/klavet/tok.wav", "volume off", "volume on",
                                        "async /opt/klavet/tok.wav"}));
}

} // namespace
} // namespace klavet::testing
