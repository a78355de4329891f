#include "main_window.h"

#include "accessibility.h"
#include "artwork.h"
#include "design_font.h"
#include "widgets.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QWindow>

#include <cmath>
#include <cstdlib>
#include <thread>

namespace klavet {

namespace {

using namespace std::chrono_literals;

// While no coming tick can show anything, the ticks are handed over in
// batches once a second, and always before the next event. A batch stops
// short of the present by a margin, so that it never runs ahead of an input
// event that has happened but not yet arrived.
constexpr auto kBatchPeriod = 1000ms;
constexpr auto kBatchMargin = 50ms;

constexpr QColor kTextBlue(0, 0, 255);
constexpr QColor kResultGrey(224, 224, 224);
constexpr QColor kShapeBlue(0, 0, 192);
constexpr QColor kPlayFace(192, 192, 192);
constexpr QColor kContactFace(255, 255, 255);

QRect FromTwips(int left, int top, int width, int height) {
    return QRect(Px(left), Px(top), Px(width), Px(height));
}

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QCursor Pointer(const QImage& image, QPoint hotSpot) {
    return QCursor(QPixmap::fromImage(image), hotSpot.x(), hotSpot.y());
}

void Hide(QWidget* widget) { widget->setVisible(false); }

} // namespace

void PaintingSound::PlaySoundSync(const std::string& path) {
    QEventLoop loop;
    std::thread player([this, &path, &loop] {
        inner_.PlaySoundSync(path);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    player.join();
}

FrmKlavet::FrmKlavet(WindowOptions options)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      options_(std::move(options)),
      clock_(options_.clock ? options_.clock : &steadyClock_),
      sound_(*options_.sound),
      engine_(state_, *this, sound_) {
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
    LoadPictures();
    SetFocusOrder();

    serverStamps_ = !options_.clock && QGuiApplication::platformName() == QLatin1String("xcb");
    wake_.setSingleShot(options_.pacing == TickPacing::Clocked);
    wake_.setTimerType(Qt::PreciseTimer);
    connect(&wake_, &QTimer::timeout, this, &FrmKlavet::OnWake);

    Form_Load();
    // The gap timer runs from creation on; its first tick comes after load.
    handlerTime_ = Now();
    ticks_.SetEnabled(Timer::Timer2, true, handlerTime_);
    Reschedule();
}

FrmKlavet::~FrmKlavet() = default;

void FrmKlavet::CreateControls() {
    auto button = [this](const char* name, const QString& caption, QRect geometry, const QFont& font) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setGeometry(geometry);
        b->setFont(font);
        return b;
    };
    auto box = [this](const char* name, const QString& text, QRect geometry, const QFont& font) {
        auto* b = new QLineEdit(text, this);
        b->setObjectName(name);
        b->setGeometry(geometry);
        b->setFont(font);
        return b;
    };
    // Labels lie beneath the other controls, as windowless controls do.
    auto label = [this](const char* name, const QString& caption, QRect geometry, const QFont& font) {
        auto* l = new QLabel(this);
        l->setObjectName(name);
        l->setTextFormat(Qt::PlainText);
        l->setText(caption);
        l->setGeometry(geometry);
        l->setFont(font);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        l->lower();
        return l;
    };

    volume_ = button("Volume", "volume", FromTwips(1440, 480, 855, 255), DesignFont(kSansSerif, 9.75));
    cmdQuitte_ = button("CmdQuitte", "X", FromTwips(4920, 3480, 375, 315), DesignFont(kSansSerif, 8.25, true));
    cmdQuitte_->setAccessibleDescription(QString::fromUtf8("Quitter l'entraîneur"));

    chkVit_ = new QCheckBox("  Calibrage", this);
    chkVit_->setObjectName("ChkVit");
    chkVit_->setGeometry(FromTwips(3840, 480, 1455, 240));
    chkVit_->setFont(DesignFont(kSansSerif, 9.75));
    chkVit_->setChecked(true);
    chkVit_->setAutoFillBackground(true);

    txtVit_ = box("TxtVit", "8", FromTwips(360, 1800, 375, 300), DesignFont(kSansSerif, 9.75));
    txtVit_->setAlignment(Qt::AlignCenter);
    text3_ = box("Text3", "Text3", FromTwips(360, 2160, 375, 285), DesignFont(kSansSerif, 8.25));
    text2_ = box("Text2", "Text2", FromTwips(360, 2520, 375, 285), DesignFont(kSansSerif, 8.25));
    for (QWidget* hidden : {static_cast<QWidget*>(txtVit_), static_cast<QWidget*>(text3_),
                            static_cast<QWidget*>(text2_)})
        Hide(hidden);

    command2_ = button("Command2", "Aide", FromTwips(480, 480, 855, 255), DesignFont(kSansSerif, 8.25));

    command1_ = new PictureButton(kPlayFace, this);
    command1_->setObjectName("Command1");
    command1_->setGeometry(FromTwips(1080, 840, 375, 375));
    command1_->setAccessibleName(QString::fromUtf8("Écouter le signe"));

    text1_ = box("Text1", "F", FromTwips(600, 840, 375, 375), DesignFont(kSansSerif, 12, true));
    text1_->setAlignment(Qt::AlignCenter);
    QPalette blue = text1_->palette();
    blue.setColor(QPalette::Text, kTextBlue);
    text1_->setPalette(blue);
    text1_->setAccessibleName(QString::fromUtf8("Signe à étudier"));
    text1_->setAccessibleDescription(QString::fromUtf8("Tapez le signe à écouter puis à reproduire"));

    laklavet_ = new PictureButton(kContactFace, this);
    laklavet_->setObjectName("Laklavet");
    laklavet_->setGeometry(FromTwips(3900, 1320, 255, 255));
    laklavet_->setToolTip(QString::fromUtf8(kStartToolTip));
    laklavet_->setAccessibleName(QString::fromUtf8("Manipulateur"));
    laklavet_->setAccessibleDescription(
        QString::fromUtf8("Contact du manipulateur : appui court pour un point, long pour un trait"));

    picture2_ = new PictureBox(this);
    picture2_->setObjectName("Picture2");
    picture2_->setGeometry(FromTwips(960, 1560, 3615, 2295));
    picture2_->setAccessibleName(QString::fromUtf8("Manipulateur enfoncé"));
    picture1_ = new PictureBox(this);
    picture1_->setObjectName("Picture1");
    picture1_->setGeometry(FromTwips(960, 1560, 3615, 2295));
    picture1_->setAccessibleName(QString::fromUtf8("Manipulateur au repos"));
    // A press keys the contact without taking the focus from the sign box.
    for (QWidget* widget : {static_cast<QWidget*>(picture1_), static_cast<QWidget*>(picture2_),
                            static_cast<QWidget*>(laklavet_)})
        widget->setFocusPolicy(Qt::TabFocus);
    // The contact's bottom row overlaps the pictures' top row; the contact wins.
    laklavet_->raise();

    label9_ = label("Label9", "Label9", FromTwips(360, 1560, 375, 255), DesignFont(kSansSerif, 9.75));
    label8_ = label("Label8", "", FromTwips(360, 3960, 255, 135), font());
    label7_ = label("Label7", "F", FromTwips(4440, 840, 855, 615), DesignFont(kArial, 27.75, true));
    label7_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label7_->setAutoFillBackground(true);
    QPalette grey = label7_->palette();
    grey.setColor(QPalette::Window, kResultGrey);
    label7_->setPalette(grey);
    label7_->setAccessibleDescription(QString::fromUtf8("Résultat : le signe manipulé ou écouté"));
    label6_ = label("Label6", "", FromTwips(360, 3720, 255, 135), DesignFont(kSansSerif, 8.25));
    label5_ = label("Label5", "", FromTwips(360, 3480, 255, 135), DesignFont(kSansSerif, 8.25));
    label4_ = label("Label4", "", FromTwips(360, 3240, 255, 135), DesignFont(kSansSerif, 8.25));
    label3_ = label("Label3", "", FromTwips(360, 3000, 255, 135), DesignFont(kSansSerif, 8.25));
    label2_ = label("Label2", "", FromTwips(360, 2760, 255, 135), DesignFont(kSansSerif, 8.25));
    for (QLabel* hidden : {label9_, label8_, label6_, label5_, label4_, label3_, label2_})
        Hide(hidden);
    signe_ = label("signe", "..-.", FromTwips(1560, 600, 975, 495), font());
    signe_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    signe_->setAccessibleDescription(QString::fromUtf8("Code du signe écouté"));
    label1_ = label("Label1", QString::fromUtf8("Signe à étudier"), FromTwips(360, 1320, 1455, 255),
                    DesignFont(kSansSerif, 8.25, true));
    label1_->setBuddy(text1_);

    laklavet_->installEventFilter(this);
    text1_->installEventFilter(this);
    connect(text1_, &QLineEdit::textChanged, this, [this] { Text1_Change(); });
    connect(chkVit_, &QCheckBox::toggled, this, [this] { RunAt(Now(), [this] { engine_.ChkVit_Click(); }); });
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
    if (QWindow* window = windowHandle(); window && !followsScreen_) {
        followsScreen_ = true;
        connect(window, &QWindow::screenChanged, this, [this] { LoadPictures(); });
    }
}

void FrmKlavet::SetFocusOrder() {
    const std::vector<QWidget*> order = {picture1_, picture2_, laklavet_, text1_, label1_, command1_,
                                         signe_, command2_, text2_, label2_, label3_, label4_,
                                         label5_, label6_, text3_, label7_, label8_, txtVit_,
                                         chkVit_, label9_, cmdQuitte_, volume_};
    // Labels take no focus; the others follow one another in this order.
    QWidget* previous = nullptr;
    for (QWidget* widget : order) {
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

// The rounded rectangle from (5, 5) to (390, 290), right and bottom edges
// excluded, its corners rounded by ellipses 90 pixels wide and high. Each
// pixel row holds the pixels whose centres lie inside the outline.
QRegion FrmKlavet::WindowShape() {
    constexpr double left = 5, top = 5, right = 390, bottom = 290, radius = 45;
    QRegion shape;
    for (int y = static_cast<int>(top); y < static_cast<int>(bottom); ++y) {
        double centre = y + 0.5;
        double dy = 0;
        if (centre < top + radius)
            dy = top + radius - centre;
        else if (centre > bottom - radius)
            dy = centre - (bottom - radius);
        double dx = radius * std::sqrt(std::max(0.0, 1.0 - (dy / radius) * (dy / radius)));
        int from = static_cast<int>(std::lround(left + radius - dx));
        int to = static_cast<int>(std::lround(right - radius + dx));
        shape += QRect(from, y, to - from, 1);
    }
    return shape;
}

void FrmKlavet::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.drawImage(QPointF(0, 0), background_);
    // Shape1: the rounded frame on the panel.
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(kShapeBlue, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(240 / 15.0 + 0.5, 220 / 15.0 + 0.5, 5415 / 15.0 - 1, 3975 / 15.0 - 1), 22, 22);
}

// ---- Window operations -------------------------------------------------

QLabel* FrmKlavet::LabelOf(Label label) const {
    switch (label) {
    case Label::Label2: return label2_;
    case Label::Label3: return label3_;
    case Label::Label4: return label4_;
    case Label::Label5: return label5_;
    case Label::Label6: return label6_;
    case Label::Label8: return label8_;
    case Label::Label7: return label7_;
    case Label::Label9: return label9_;
    case Label::signe: return signe_;
    }
    return label7_;
}

QLineEdit* FrmKlavet::BoxOf(TextBox box) const {
    switch (box) {
    case TextBox::Text1: return text1_;
    case TextBox::Text2: return text2_;
    case TextBox::Text3: return text3_;
    case TextBox::TxtVit: return txtVit_;
    }
    return text1_;
}

std::string FrmKlavet::Caption(Label label) const { return LabelOf(label)->text().toStdString(); }

void FrmKlavet::SetCaption(Label label, std::string_view text) {
    QLabel* target = LabelOf(label);
    if (options_.written)
        options_.written(target->objectName().toStdString(), text);
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

std::string FrmKlavet::Text(TextBox box) const { return BoxOf(box)->text().toStdString(); }

void FrmKlavet::SetText(TextBox box, std::string_view text) {
    QLineEdit* target = BoxOf(box);
    target->setText(FromUtf8(text));
    if (options_.written)
        options_.written(target->objectName().toStdString(), text);
}

int FrmKlavet::ChkVitValue() const { return chkVit_->isChecked() ? 1 : 0; }

void FrmKlavet::SetPictureVisible(Picture picture, bool visible) {
    (picture == Picture::Picture1 ? picture1_ : picture2_)->setVisible(visible);
}

void FrmKlavet::SetTimerEnabled(Timer timer, bool enabled) { ticks_.SetEnabled(timer, enabled, handlerTime_); }

void FrmKlavet::SetKeyToolTip(std::string_view text) { laklavet_->setToolTip(FromUtf8(text)); }

std::string FrmKlavet::UpperCase(std::string_view text) const {
    return QLocale().toUpper(FromUtf8(text)).toStdString();
}

// ---- Ticks ---------------------------------------------------------------
//
// Every tick of a running timer reaches the engine, in order, and all ticks
// due before an event are handed over before the event is handled. When they
// are handed over matters only for what the learner can see. A press tick
// shows nothing (the press length appears at release), and a gap tick shows
// something only when it decodes a sign into the result field: on the tick
// that takes the idle count past three units, and on the first tick after an
// event, which may have written the result field (TicksUntilVisible). For
// those ticks the window wakes on time; otherwise it wakes once a second and
// hands over a batch, which keeps the idle window from waking every
// millisecond.

// Input waits in the toolkit's queue while a sign plays. What reaches the
// window meanwhile from elsewhere (an assistive tool pressing a button) waits
// here and is handled, in order, once the sign has ended.
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

void FrmKlavet::RunAt(SteadyTime at, const std::function<void()>& handler) {
    if (playing_) {
        deferred_.push_back([this, handler] { RunAt(Now(), handler); });
        return;
    }
    at = ticks_.Settle(at);
    if (options_.pacing == TickPacing::Clocked)
        DeliverTicks(at);
    handlerTime_ = at;
    handler();
    eventSinceTick_ = true;
    Reschedule();
}

void FrmKlavet::DeliverTicks(SteadyTime until) {
    handlerTime_ = until;
    while (auto timer = ticks_.TakeDue(until)) {
        if (*timer == Timer::Timer1)
            engine_.Timer1_Timer();
        else
            engine_.Timer2_Timer();
        eventSinceTick_ = false;
    }
}

void FrmKlavet::DeliverDueTicks() {
    if (!playing_ && options_.pacing == TickPacing::Clocked)
        DeliverTicks(Now());
    Reschedule();
}

void FrmKlavet::Reschedule() {
    if (playing_)
        return;
    if (options_.pacing == TickPacing::PerFiring) {
        bool running = ticks_.Enabled(Timer::Timer1) || ticks_.Enabled(Timer::Timer2);
        if (running && !wake_.isActive())
            wake_.start(1);
        else if (!running)
            wake_.stop();
        return;
    }
    auto next = ticks_.NextDue();
    if (!next) {
        wake_.stop();
        return;
    }
    SteadyTime now = Now();
    SteadyTime due;
    auto ahead = TicksUntilVisible(state_, ticks_.Enabled(Timer::Timer2), eventSinceTick_);
    wakeForVisibleTick_ = ahead.has_value();
    if (ahead)
        due = *next + TickClock::kPeriod * (*ahead - 1);
    else
        due = now + kBatchPeriod;
    auto wait = std::chrono::ceil<std::chrono::milliseconds>(due - now).count();
    wake_.start(static_cast<int>(std::clamp<std::int64_t>(wait, 0, 24 * 3600 * 1000)));
}

void FrmKlavet::OnWake() {
    if (playing_)
        return;
    if (options_.pacing == TickPacing::PerFiring) {
        // One tick per firing, however late the firing is.
        handlerTime_ = Now();
        if (ticks_.Enabled(Timer::Timer1))
            engine_.Timer1_Timer();
        if (ticks_.Enabled(Timer::Timer2))
            engine_.Timer2_Timer();
        return;
    }
    SteadyTime now = Now();
    DeliverTicks(wakeForVisibleTick_ ? now : now - kBatchMargin);
    Reschedule();
}

SteadyTime FrmKlavet::EventTime(const QInputEvent* event) {
    SteadyTime now = Now();
    if (serverStamps_)
        return serverTime_.Map(static_cast<std::uint32_t>(event->timestamp()), now);
    return now;
}

// ---- Events ----------------------------------------------------------------

bool FrmKlavet::eventFilter(QObject* watched, QEvent* event) {
    if (watched == laklavet_) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            RunAt(EventTime(static_cast<QMouseEvent*>(event)), [this] { engine_.Laklavet_MouseDown(); });
            return true;
        case QEvent::MouseButtonRelease:
            RunAt(EventTime(static_cast<QMouseEvent*>(event)), [this] { engine_.Laklavet_MouseUp(); });
            return true;
        default:
            break;
        }
    } else if (watched == text1_ && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && text1_->rect().contains(mouse->position().toPoint()))
            Text1_Click();
    }
    return QWidget::eventFilter(watched, event);
}

// A press on the background (Shape1 included) or on the resting key picture
// drags; presses on the labels and other controls do not.
void FrmKlavet::mousePressEvent(QMouseEvent* event) {
    QWidget* target = childAt(event->position().toPoint());
    if (target == nullptr || target == picture1_) {
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
        std::_Exit(0);
}

void FrmKlavet::Command1_Click() {
    RunAt(Now(), [this] {
        playing_ = true;
        wake_.stop();
        ticks_.Hold(handlerTime_);
        engine_.Command1_Click();
        ticks_.Release(Now());
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

// Starts the desktop's volume control beside the trainer, never waited for.
void FrmKlavet::Volume_Click() {
    const std::vector<QStringList> mixers = {
        {"pavucontrol"}, {"pavucontrol-qt"}, {"mate-volume-control"},
        {"gnome-control-center", "sound"}, {"xfce4-mixer"}, {"kmix"},
    };
    for (const QStringList& mixer : mixers) {
        const QString program = QStandardPaths::findExecutable(mixer.front());
        if (program.isEmpty())
            continue;
        qint64 pid = 0;
        if (QProcess::startDetached(program, mixer.mid(1), QString(), &pid))
            state_.MixerTaskId = static_cast<std::int32_t>(pid);
        return;
    }
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
