#include "main_window.h"

#include "accessibility.h"
#include "artwork.h"
#include "clocked_ticks.h"
#include "control_design.h"
#include "control_factory.h"
#include "design_font.h"
#include "key_router.h"
#include "mixer_launcher.h"
#include "picture_box.h"
#include "picture_button.h"
#include "twips.h"
#include "window_shape.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <cstdlib>

namespace klavet {

namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The key's tooltips are the engine's, in French as designed; the window
// shows them in the user's language.
QString ToolTipText(std::string_view text) {
    if (text == kStartToolTip)
        return FrmKlavet::tr(" Une série de points pour calibrer la vitesse  puis désactivez le calibrage ");
    if (text == kCalibrationToolTip)
        return FrmKlavet::tr(" Une série de points pour calibrer la vitesse puis désactivez le calibrage ");
    return FromUtf8(text);
}

QCursor Pointer(const QImage& image, QPoint hotSpot) {
    return QCursor(QPixmap::fromImage(image), hotSpot.x(), hotSpot.y());
}

} // namespace

FrmKlavet::FrmKlavet(WindowOptions options)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      options_(std::move(options)),
      sound_(*options_.sound),
      engine_(state_, *this, sound_) {
    if (options_.ticks) {
        ticks_ = options_.ticks(engine_, state_);
    } else {
        const bool serverStamps = !options_.clock && QGuiApplication::platformName() == QLatin1String("xcb");
        ticks_ = std::make_unique<ClockedTicks>(engine_, state_, TimeSource(), serverStamps,
                                                [this](bool running) { HoldTexts(running); });
    }
    keys_ = std::make_unique<KeyRouter>(
        engine_, *ticks_,
        [this](SteadyTime at, const std::function<void()>& handler) { Dispatch(at, handler); });
    setObjectName("FrmKlavet");
    setWindowTitle(QString::fromUtf8(kWindowTitle));
    setFixedSize(Px(5910), Px(4470));
    setFont(DesignFont(kSansSerif, 24, true));
    QIcon icon;
    for (int size : {16, 32, 48, 64})
        icon.addPixmap(QPixmap::fromImage(artwork::WindowIcon(size)));
    setWindowIcon(icon);
    InstallAccessibility();

    CreateControls();
    FinishControls();
    LoadPictures();
    SetFocusOrder();

    keys_->WatchContact(laklavet_);
    engine_.Listen(options_.keying);

    Form_Load();
    // The gap timer runs from creation on; its first tick comes after load.
    ticks_->SetEnabled(Timer::Timer2, true);
    ticks_->DeliverDue();
    if (!options_.keyPort.empty())
        keys_->WatchSerialKey(options_.keyPort, std::move(options_.keyPortLines), TimeSource());
}

FrmKlavet::~FrmKlavet() = default;

template <typename T>
T* FrmKlavet::Control(const char* name) const {
    return findChild<T*>(QLatin1String(name), Qt::FindDirectChildrenOnly);
}

void FrmKlavet::CreateControls() {
    for (const ControlDesign& design : kControlDesigns)
        CreateControl(design, this);
    volume_ = Control<QPushButton>("Volume");
    cmdQuitte_ = Control<QPushButton>("CmdQuitte");
    chkVit_ = Control<QCheckBox>("ChkVit");
    command2_ = Control<QPushButton>("Command2");
    command1_ = Control<PictureButton>("Command1");
    text1_ = Control<QLineEdit>("Text1");
    laklavet_ = Control<PictureButton>("Laklavet");
    picture2_ = Control<PictureBox>("Picture2");
    picture1_ = Control<PictureBox>("Picture1");
    label1_ = Control<QLabel>("Label1");
    for (Label label : {Label::Label2, Label::Label3, Label::Label4, Label::Label5, Label::Label6, Label::Label8,
                        Label::Label7, Label::Label9, Label::signe})
        labels_[static_cast<std::size_t>(label)] = Control<QLabel>(NameOf(label).data());
    for (TextBox box : {TextBox::Text1, TextBox::Text2, TextBox::Text3, TextBox::TxtVit})
        boxes_[static_cast<std::size_t>(box)] = Control<QLineEdit>(NameOf(box).data());
}

// What the design table holds no column for, and the events' wiring.
void FrmKlavet::FinishControls() {
    chkVit_->setChecked(true);
    chkVit_->setAutoFillBackground(true);

    QPalette blue = text1_->palette();
    blue.setColor(QPalette::Text, kSignBoxBlue);
    text1_->setPalette(blue);
    label1_->setBuddy(text1_);

    QLabel* result = labels_[static_cast<std::size_t>(Label::Label7)];
    result->setAutoFillBackground(true);
    QPalette grey = result->palette();
    grey.setColor(QPalette::Window, kResultGrey);
    result->setPalette(grey);

    laklavet_->setToolTip(ToolTipText(kStartToolTip));
    // A press keys the contact without taking the focus from the sign box;
    // Tab reaches it, for the Space bar. The key pictures only show.
    laklavet_->setFocusPolicy(Qt::TabFocus);
    picture1_->setFocusPolicy(Qt::NoFocus);
    picture2_->setFocusPolicy(Qt::NoFocus);
    // The contact's bottom row overlaps the pictures' top row; the contact wins.
    laklavet_->raise();

    text1_->installEventFilter(this);
    connect(text1_, &QLineEdit::textChanged, this, [this] { Text1_Change(); });
    connect(chkVit_, &QCheckBox::toggled, this,
            [this] { Dispatch(ticks_->Now(), [this] { engine_.ChkVit_Click(); }); });
    connect(command1_, &QPushButton::clicked, this, [this] { WhenFree([this] { Command1_Click(); }); });
    connect(command2_, &QPushButton::clicked, this, [this] { WhenFree([this] { Command2_Click(); }); });
    connect(cmdQuitte_, &QPushButton::clicked, this, [this] { WhenFree([this] { CmdQuitte_Click(); }); });
    connect(volume_, &QPushButton::clicked, this, [this] { WhenFree([this] { Volume_Click(); }); });
}

// The pictures and pointers, drawn for the screen's pixel ratio so that they
// stay sharp at any scale; drawn again when the window changes screens.
void FrmKlavet::LoadPictures() {
    const qreal dpr = windowHandle() ? windowHandle()->devicePixelRatio()
                                     : (screen() ? screen()->devicePixelRatio() : 1.0);
    const QCursor hand = Pointer(artwork::HandPointer(dpr), artwork::kHandHotSpot);
    for (QWidget* widget : {static_cast<QWidget*>(chkVit_), static_cast<QWidget*>(command2_),
                            static_cast<QWidget*>(command1_), static_cast<QWidget*>(text1_)})
        widget->setCursor(hand);
    laklavet_->setCursor(Pointer(artwork::KeyPointer(dpr), artwork::kKeyHotSpot));
    command1_->SetImage(artwork::SoundIcon(dpr));
    picture1_->SetImage(artwork::KeyAtRest(dpr));
    picture2_->SetImage(artwork::KeyPressed(dpr));
    background_ = artwork::Background(dpr);
    update();
}

void FrmKlavet::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (QWindow* window = windowHandle(); window && !windowWatched_) {
        windowWatched_ = true;
        connect(window, &QWindow::screenChanged, this, [this] { LoadPictures(); });
        keys_->WatchWindow(window);
    }
}

void FrmKlavet::SetFocusOrder() {
    const char* const order[] = {"Picture1", "Picture2", "Laklavet", "Text1", "Label1", "Command1", "signe",
                                 "Command2", "Text2", "Label2", "Label3", "Label4", "Label5", "Label6",
                                 "Text3", "Label7", "Label8", "TxtVit", "ChkVit", "Label9", "CmdQuitte",
                                 "Volume"};
    // Labels take no focus; the others follow one another in this order.
    QWidget* previous = nullptr;
    for (const char* name : order) {
        QWidget* widget = Control<QWidget>(name);
        if (!(widget->focusPolicy() & Qt::TabFocus))
            continue;
        if (previous)
            setTabOrder(previous, widget);
        previous = widget;
    }
}

// Shapes the window, shows the resting key, starts the sign afresh.
void FrmKlavet::Form_Load() {
    setMask(WindowShape());
    picture2_->setVisible(false);
    picture1_->setVisible(true);
    state_.ElementIndex = 0;
}

void FrmKlavet::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.drawImage(QPointF(0, 0), background_);
    // Shape1: the rounded frame on the panel, its one-pixel line inside its rectangle.
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(kShape1Colour, 1));
    painter.setBrush(Qt::NoBrush);
    const QRectF frame(kShape1Twips.x() / 15.0, kShape1Twips.y() / 15.0, kShape1Twips.width() / 15.0,
                       kShape1Twips.height() / 15.0);
    painter.drawRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), kShape1CornerRadius, kShape1CornerRadius);
}

// ---- Window operations -------------------------------------------------

std::string FrmKlavet::Caption(Label label) const {
    return labels_[static_cast<std::size_t>(label)]->text().toStdString();
}

void FrmKlavet::SetCaption(Label label, std::string_view text) {
    QLabel* target = labels_[static_cast<std::size_t>(label)];
    if (options_.written)
        options_.written(NameOf(label), text);
    const QString caption = FromUtf8(text);
    if (target->text() == caption)
        return;
    // QLabel announces the new name to assistive tools itself.
    target->setText(caption);
    // During playback the thread is about to be held by the sound: show the
    // new caption now, before the first element sounds.
    if (playing_ && !target->isHidden())
        target->repaint();
}

std::string FrmKlavet::Text(TextBox box) const {
    const auto index = static_cast<std::size_t>(box);
    return heldTexts_[index] ? *heldTexts_[index] : boxes_[index]->text().toStdString();
}

void FrmKlavet::SetText(TextBox box, std::string_view text) {
    const auto index = static_cast<std::size_t>(box);
    if (holdingTexts_)
        heldTexts_[index] = std::string(text);
    else
        boxes_[index]->setText(FromUtf8(text));
    if (options_.written)
        options_.written(NameOf(box), text);
}

// Ticks come a thousand a second, in runs of up to a second's worth while
// nothing they do can be seen, and each writes the idle count: a box's widget
// takes only the last text of a run, at its end. Laying out and announcing a
// text a thousand times over is most of what the idle window costs.
void FrmKlavet::HoldTexts(bool hold) {
    holdingTexts_ = hold;
    if (hold)
        return;
    for (std::size_t index = 0; index < heldTexts_.size(); ++index) {
        if (heldTexts_[index])
            boxes_[index]->setText(FromUtf8(*heldTexts_[index]));
        heldTexts_[index].reset();
    }
}

int FrmKlavet::ChkVitValue() const { return chkVit_->isChecked() ? 1 : 0; }

void FrmKlavet::SetPictureVisible(Picture picture, bool visible) {
    (picture == Picture::Picture1 ? picture1_ : picture2_)->setVisible(visible);
}

void FrmKlavet::SetTimerEnabled(Timer timer, bool enabled) { ticks_->SetEnabled(timer, enabled); }

void FrmKlavet::SetKeyToolTip(std::string_view text) { laklavet_->setToolTip(ToolTipText(text)); }

std::string FrmKlavet::UpperCase(std::string_view text) const {
    return QLocale().toUpper(FromUtf8(text)).toStdString();
}

// ---- Running handlers ------------------------------------------------------

// An event that came while a sign played is handled after it, its time lost.
void FrmKlavet::Dispatch(SteadyTime at, const std::function<void()>& handler) {
    if (playing_) {
        deferred_.push_back([this, handler] { RunLate(ticks_->Now(), handler); });
        return;
    }
    if (at < playedUntil_)
        RunLate(at, handler);
    else
        ticks_->RunAt(at, handler);
}

void FrmKlavet::RunLate(SteadyTime at, const std::function<void()>& handler) {
    if (options_.keying)
        options_.keying->HandledLate(true);
    ticks_->RunAt(at, handler);
    if (options_.keying)
        options_.keying->HandledLate(false);
}

void FrmKlavet::WhenFree(const std::function<void()>& handler) {
    if (playing_)
        deferred_.push_back(handler);
    else
        handler();
}

void FrmKlavet::RunDeferred() {
    while (!playing_ && !deferred_.empty()) {
        std::function<void()> next = std::move(deferred_.front());
        deferred_.erase(deferred_.begin());
        next();
    }
}

// ---- Events ----------------------------------------------------------------

bool FrmKlavet::eventFilter(QObject* watched, QEvent* event) {
    if (watched == text1_ && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && text1_->rect().contains(mouse->position().toPoint()))
            Text1_Click();
    }
    return QWidget::eventFilter(watched, event);
}

// A press on the background (Shape1 included) or on the resting key picture
// drags, a right press there opens the menu; presses on the labels and other
// controls do neither.
void FrmKlavet::mousePressEvent(QMouseEvent* event) {
    QWidget* target = childAt(event->position().toPoint());
    if (target == nullptr || target == picture1_) {
        if (event->button() == Qt::RightButton && options_.contextMenu)
            options_.contextMenu(event->globalPosition().toPoint());
        Form_MouseDown(event->button());
        if (dragging_)
            dragOffset_ = event->globalPosition() - QPointF(pos());
    }
    event->accept();
}

void FrmKlavet::Form_MouseDown(Qt::MouseButton button) {
    if (button != Qt::LeftButton)
        return;
    QWindow* window = windowHandle();
    if (!window)
        return;
    if (!window->flags().testFlag(Qt::WindowStaysOnTopHint))
        window->setFlags(window->flags() | Qt::WindowStaysOnTopHint);
    // Where the window manager will not move the window, it follows the
    // pointer here until the button is released.
    dragging_ = !window->startSystemMove();
}

void FrmKlavet::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ && event->buttons().testFlag(Qt::LeftButton))
        move((event->globalPosition() - dragOffset_).toPoint());
}

void FrmKlavet::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        dragging_ = false;
}

bool FrmKlavet::Topmost() const {
    return windowHandle() && windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint);
}

// A close request from the desktop ends the program like the quit button.
void FrmKlavet::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (playing_) {
        closeRequested_ = true;
        return;
    }
    CmdQuitte_Click();
}

void FrmKlavet::CmdQuitte_Click() {
    sound_.SetWaveVolume(VolumeOn);
    if (options_.endProgram)
        options_.endProgram();
    else
        // The quit ends the process at once, by design: no thread is joined
        // and no sound server waited for on the way out.
        std::_Exit(0);
}

void FrmKlavet::Command1_Click() {
    Dispatch(ticks_->Now(), [this] {
        playing_ = true;
        ticks_->Hold();
        engine_.Command1_Click();
        ticks_->Release();
        playedUntil_ = ticks_->Now();
        playing_ = false;
    });
    RunDeferred();
    if (closeRequested_)
        CmdQuitte_Click();
}

void FrmKlavet::Command2_Click() {
    if (!about_)
        about_ = std::make_unique<FrmAbout>();
    about_->ShowModal(Topmost());
}

void FrmKlavet::Volume_Click() {
    if (auto pid = StartVolumeMixer())
        state_.MixerTaskId = static_cast<std::int32_t>(*pid);
}

void FrmKlavet::Text1_Click() {
    SetCaption(Label::signe, " ");
    text1_->setText(QString());
}

// From the first change on the box takes one character. A longer text is
// not cut: it may only shrink, and the limit follows it down to one.
void FrmKlavet::Text1_Change() {
    const int length = static_cast<int>(text1_->text().size());
    const int limit = std::max(1, std::min(text1_->maxLength(), length));
    if (limit != text1_->maxLength())
        text1_->setMaxLength(limit);
}

} // namespace klavet
