#pragma once

// A main window on the offscreen platform, driven by a hand-set clock and the
// fake sound, for the widget tests.

#include "main_window.h"
#include "fake_clock.h"
#include "fake_sound.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace klavet::testing {

class WindowTest : public ::testing::Test {
protected:
    WindowTest() { Remake(); }

    // A new window in place of the last, with a new fake sound; `adjust`
    // sets the options of the test's own.
    void Remake(const std::function<void(WindowOptions&)>& adjust = {}) {
        window.reset();
        auto recording = std::make_unique<FakeSound>();
        sound = recording.get();
        WindowOptions options;
        options.sound = std::move(recording);
        options.clock = &clock;
        options.endProgram = [this] { ++ended; };
        if (adjust)
            adjust(options);
        window = std::make_unique<FrmKlavet>(std::move(options));
    }

    void Show() {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    template <typename T = QWidget>
    T* Control(const char* name) const {
        T* found = window->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    void Wait(std::chrono::milliseconds ms) { clock.Advance(ms); }

    // A press of the key contact held for the given time, then released.
    void Press(std::chrono::milliseconds held, Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers modifiers = {}) {
        QWidget* key = Control("Laklavet");
        QTest::mousePress(key, button, modifiers, QPoint(8, 8));
        Wait(held);
        QTest::mouseRelease(key, button, modifiers, QPoint(8, 8));
    }

    std::string TextOf(const char* name) const;
    std::string CaptionOf(const char* name) const;

    FakeClock clock;
    FakeSound* sound = nullptr;
    int ended = 0;
    std::unique_ptr<FrmKlavet> window;
};

} // namespace klavet::testing
