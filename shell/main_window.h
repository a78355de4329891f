#pragma once

// FrmKlavet, the trainer's main window: a borderless rounded window with every
// control of the trainer, the owner of the trainer state for the life of the
// process. It routes the controls' events and the two timers' ticks to the
// engine and serves the engine's window operations over its widgets; the
// controls hold the values, the window keeps no copy of them.

#include "help_box.h"
#include "keying.h"
#include "sound_operations.h"
#include "tick_clock.h"
#include "trainer_state.h"
#include "window_operations.h"

#include <QImage>
#include <QPointF>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

class QCheckBox;
class QInputEvent;
class QLabel;
class QLineEdit;
class QPushButton;

namespace klavet {

class PictureBox;
class PictureButton;

inline constexpr const char* kWindowTitle = " Trelin  Klavet";
inline constexpr const char* kStartToolTip =
    " Une série de points pour calibrer la vitesse  puis désactivez le calibrage ";

// How timer ticks reach the engine: counted from the clock (the trainer), or
// one per firing of a plain 1 ms Qt timer (a baseline for comparison).
enum class TickPacing { Clocked, PerFiring };

struct WindowOptions {
    std::unique_ptr<SoundOperations> sound;
    const Clock* clock = nullptr;          // nullptr: the steady clock
    TickPacing pacing = TickPacing::Clocked;
    std::function<void()> endProgram;      // empty: end the process at once
    // Watches every text and caption the engine writes, by control name.
    std::function<void(std::string_view control, std::string_view text)> written;
};

// A blocking play runs on a helper thread while the window's thread goes on
// painting and handling timers and window-system events, but no input, until
// the sound has been played out. Everything else passes straight through.
class PaintingSound final : public SoundOperations {
public:
    explicit PaintingSound(SoundOperations& inner) : inner_(inner) {}
    void PlaySoundAsync(const std::string& path) override { inner_.PlaySoundAsync(path); }
    void PlaySoundSync(const std::string& path) override;
    void SetWaveVolume(std::uint32_t volume) override { inner_.SetWaveVolume(volume); }
    std::string SoundFilePath(std::string_view name) const override { return inner_.SoundFilePath(name); }

private:
    SoundOperations& inner_;
};

class FrmKlavet final : public QWidget, public WindowOperations {
    Q_OBJECT

public:
    explicit FrmKlavet(WindowOptions options);
    ~FrmKlavet() override;

    // Window operations for the engine.
    std::string Caption(Label label) const override;
    void SetCaption(Label label, std::string_view text) override;
    std::string Text(TextBox box) const override;
    void SetText(TextBox box, std::string_view text) override;
    int ChkVitValue() const override;
    void SetPictureVisible(Picture picture, bool visible) override;
    void SetTimerEnabled(Timer timer, bool enabled) override;
    void SetKeyToolTip(std::string_view text) override;
    std::string UpperCase(std::string_view text) const override;

    const TrainerState& State() const { return state_; }
    bool TimerEnabled(Timer timer) const { return ticks_.Enabled(timer); }
    bool Topmost() const;
    bool PlayingSign() const { return playing_; }
    FrmAbout* HelpBox() const { return about_.get(); }

    // Hands the engine the ticks due by now; the window does this by itself
    // before every event and whenever a tick can show something.
    void DeliverDueTicks();

    static QRegion WindowShape();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void LoadPictures();
    void SetFocusOrder();
    void Form_Load();
    void Form_MouseDown(Qt::MouseButton button);
    void CmdQuitte_Click();
    void Command1_Click();
    void Command2_Click();
    void Volume_Click();
    void Text1_Click();
    void Text1_Change();

    void WhenFree(const std::function<void()>& handler);
    void RunDeferred();
    // Runs an engine handler at an event's time, after the ticks due before it.
    void RunAt(SteadyTime at, const std::function<void()>& handler);
    void DeliverTicks(SteadyTime until);
    void Reschedule();
    void OnWake();
    SteadyTime EventTime(const QInputEvent* event);
    SteadyTime Now() const { return clock_->Now(); }

    QLabel* LabelOf(Label label) const;
    QLineEdit* BoxOf(TextBox box) const;

    TrainerState state_;
    WindowOptions options_;
    SteadyClock steadyClock_;
    const Clock* clock_;
    PaintingSound sound_;
    TrainerEngine engine_;

    TickClock ticks_;
    ServerTimeMapper serverTime_;
    bool serverStamps_ = false;
    QTimer wake_;
    bool wakeForVisibleTick_ = false;
    bool eventSinceTick_ = true;
    SteadyTime handlerTime_{};

    bool playing_ = false;
    bool closeRequested_ = false;
    std::vector<std::function<void()>> deferred_;

    bool followsScreen_ = false;
    bool dragging_ = false;
    QPointF dragOffset_;

    std::unique_ptr<FrmAbout> about_;
    QImage background_;

    QPushButton* volume_ = nullptr;
    QPushButton* cmdQuitte_ = nullptr;
    QCheckBox* chkVit_ = nullptr;
    QLineEdit* txtVit_ = nullptr;
    QLineEdit* text3_ = nullptr;
    QLineEdit* text2_ = nullptr;
    QPushButton* command2_ = nullptr;
    PictureButton* command1_ = nullptr;
    QLineEdit* text1_ = nullptr;
    PictureButton* laklavet_ = nullptr;
    PictureBox* picture2_ = nullptr;
    PictureBox* picture1_ = nullptr;
    QLabel* label9_ = nullptr;
    QLabel* label8_ = nullptr;
    QLabel* label7_ = nullptr;
    QLabel* label6_ = nullptr;
    QLabel* label5_ = nullptr;
    QLabel* label4_ = nullptr;
    QLabel* label3_ = nullptr;
    QLabel* label2_ = nullptr;
    QLabel* signe_ = nullptr;
    QLabel* label1_ = nullptr;
};

} // namespace klavet
