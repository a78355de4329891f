#pragma once

// A main window on the offscreen platform, driven by a hand-set clock and a
// recording sound output, for the widget tests.

#include "main_window.h"
#include "tick_clock.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace klavet::testing {

class FakeClock final : public Clock {
public:
    SteadyTime Now() const override { return SteadyTime(std::chrono::nanoseconds(ns_.load())); }
    void Advance(std::chrono::nanoseconds by) { ns_ += by.count(); }

private:
    std::atomic<std::int64_t> ns_{std::chrono::nanoseconds(std::chrono::hours(1)).count()};
};

// Records every call; a blocking play may run a hook (on the player thread).
class RecordingSound final : public SoundOperations {
public:
    void PlaySoundAsync(const std::string& path) override { Record("async " + path); }
    void PlaySoundSync(const std::string& path) override {
        Record("sync " + path);
        if (onPlay)
            onPlay(path);
    }
    void SetWaveVolume(std::uint32_t volume) override {
        Record("volume " + std::to_string(volume));
        lastVolume = volume;
    }
    std::string SoundFilePath(std::string_view name) const override { return "/snd" + std::string(name); }

    std::vector<std::string> Calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }

    std::function<void(const std::string&)> onPlay;
    std::atomic<std::uint32_t> lastVolume{0xFFFFFFFFu};

private:
    void Record(std::string call) {
        std::lock_guard lock(mutex_);
        calls_.push_back(std::move(call));
    }
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
};

class WindowTest : public ::testing::Test {
protected:
    WindowTest() {
        auto recording = std::make_unique<RecordingSound>();
        sound = recording.get();
        WindowOptions options;
        options.sound = std::move(recording);
        options.clock = &clock;
        options.endProgram = [this] { ++ended; };
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
    RecordingSound* sound = nullptr;
    int ended = 0;
    std::unique_ptr<FrmKlavet> window;
};

} // namespace klavet::testing
