#pragma once

// FrmKlavet, the trainer's main window: a borderless rounded window with every
// control of the trainer, the owner of the trainer state for the life of the
// process. It routes the controls' events to the engine through its tick
// delivery and serves the engine's window operations over its widgets; the
// controls hold the values, the window keeps no copy of them.

#include "clock.h"
#include "help_box.h"
#include "keying.h"
#include "keying_listener.h"
#include "modem_port.h"
#include "painting_sound.h"
#include "sound_operations.h"
#include "tick_delivery.h"
#include "trainer_state.h"
#include "window_operations.h"

#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace klavet {

class KeyRouter;
class PictureBox;
class PictureButton;

inline constexpr const char* kWindowTitle = " Trelin  Klavet";

// Makes the window's tick delivery, given the engine it feeds and the state
// whose values decide when a tick can be seen.
using TickDeliveryFactory =
    std::function<std::unique_ptr<TickDelivery>(TrainerEngine& engine, const TrainerState& state)>;

struct WindowOptions {
    std::unique_ptr<SoundOperations> sound;
    const Clock* clock = nullptr; // nullptr: the steady clock, and X server time stamps where there are some
    TickDeliveryFactory ticks;    // empty: ticks counted from the clock
    std::function<void()> endProgram; // empty: end the process at once
    // Watches every text and caption the engine writes, by control name.
    std::function<void(std::string_view control, std::string_view text)> written;
    // The serial port the learner named as a key; empty: no port is opened.
    std::string keyPort;
    std::unique_ptr<ModemPort> keyPortLines; // nullptr: the real port's modem-line calls
    // Told of each press, release, decoded and played sign; nullptr: nobody.
    KeyingListener* keying = nullptr;
    // A right press on the panel or the resting key picture, at its place on
    // the screen; empty: such a press does nothing.
    std::function<void(QPoint global)> contextMenu;
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
    bool TimerEnabled(Timer timer) const { return ticks_->Enabled(timer); }
    bool Topmost() const;
    bool PlayingSign() const { return playing_; }
    FrmAbout* HelpBox() const { return about_.get(); }

    // Hands the engine the ticks due by now; the window does this by itself
    // before every event and whenever a tick can show something.
    void DeliverDueTicks() { ticks_->DeliverDue(); }

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
    void FinishControls();
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

    // Runs an engine handler at an event's time, or after the sign that is
    // playing; input waits in the toolkit's queue meanwhile, but what reaches
    // the window from elsewhere (an assistive tool) waits here.
    void Dispatch(SteadyTime at, const std::function<void()>& handler);
    void RunLate(SteadyTime at, const std::function<void()>& handler);
    void WhenFree(const std::function<void()>& handler);
    void RunDeferred();
    // While ticks run, the boxes' texts are kept and shown when they end.
    void HoldTexts(bool hold);

    template <typename T>
    T* Control(const char* name) const;
    const Clock& TimeSource() const { return options_.clock ? *options_.clock : steadyClock_; }

    TrainerState state_;
    WindowOptions options_;
    SteadyClock steadyClock_;
    PaintingSound sound_;
    TrainerEngine engine_;
    std::unique_ptr<TickDelivery> ticks_;
    std::unique_ptr<KeyRouter> keys_;

    bool playing_ = false;
    SteadyTime playedUntil_{}; // when the last sign played ended
    bool closeRequested_ = false;
    std::vector<std::function<void()>> deferred_;

    bool windowWatched_ = false;
    bool dragging_ = false;
    QPointF dragOffset_;

    std::unique_ptr<FrmAbout> about_;
    QImage background_;

    QPushButton* volume_ = nullptr;
    QPushButton* cmdQuitte_ = nullptr;
    QCheckBox* chkVit_ = nullptr;
    QPushButton* command2_ = nullptr;
    PictureButton* command1_ = nullptr;
    QLineEdit* text1_ = nullptr;
    PictureButton* laklavet_ = nullptr;
    PictureBox* picture2_ = nullptr;
    PictureBox* picture1_ = nullptr;
    QLabel* label1_ = nullptr;
    std::array<QLabel*, 9> labels_{};    // by Label
    std::array<QLineEdit*, 4> boxes_{};  // by TextBox
    bool holdingTexts_ = false;
    std::array<std::optional<std::string>, 4> heldTexts_{}; // by TextBox
};

} // namespace klavet
