#include "window_fixture.h"

#include "design_font.h"
#include "picture_box.h"
#include "picture_button.h"
#include "window_shape.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <thread>

using namespace std::chrono_literals;

namespace klavet::testing {

std::string WindowTest::TextOf(const char* name) const {
    return Control<QLineEdit>(name)->text().toStdString();
}

std::string WindowTest::CaptionOf(const char* name) const {
    return Control<QLabel>(name)->text().toStdString();
}

namespace {

struct Design {
    const char* name;
    QRect pixels;
    bool shown;
};

// Left, top, width, height in pixels: the design's twips divided by 15.
const Design kDesign[] = {
    {"Volume", {96, 32, 57, 17}, true},     {"CmdQuitte", {328, 232, 25, 21}, true},
    {"ChkVit", {256, 32, 97, 16}, true},    {"TxtVit", {24, 120, 25, 20}, false},
    {"Text3", {24, 144, 25, 19}, false},    {"Text2", {24, 168, 25, 19}, false},
    {"Command2", {32, 32, 57, 17}, true},   {"Command1", {72, 56, 25, 25}, true},
    {"Text1", {40, 56, 25, 25}, true},      {"Laklavet", {260, 88, 17, 17}, true},
    {"Picture2", {64, 104, 241, 153}, false}, {"Picture1", {64, 104, 241, 153}, true},
    {"Label9", {24, 104, 25, 17}, false},   {"Label8", {24, 264, 17, 9}, false},
    {"Label7", {296, 56, 57, 41}, true},    {"Label6", {24, 248, 17, 9}, false},
    {"Label5", {24, 232, 17, 9}, false},    {"Label4", {24, 216, 17, 9}, false},
    {"Label3", {24, 200, 17, 9}, false},    {"Label2", {24, 184, 17, 9}, false},
    {"signe", {104, 40, 65, 33}, true},     {"Label1", {24, 88, 97, 17}, true},
};

TEST_F(WindowTest, ControlsStandAtTheirDesignPlacesAndVisibility) {
    Show();
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8(" Trelin  Klavet"));
    EXPECT_EQ(window->size(), QSize(394, 298));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::FramelessWindowHint));
    for (const Design& control : kDesign) {
        QWidget* widget = Control(control.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->geometry(), control.pixels) << control.name;
        EXPECT_EQ(widget->isVisible(), control.shown) << control.name;
    }
}

struct FontDesign {
    const char* name;
    int pixels;
    bool bold;
    const char* face;
};

TEST_F(WindowTest, FontsFollowTheDesignWithMetricTwins) {
    const FontDesign fonts[] = {
        {"Volume", 13, false, kSansSerif}, {"CmdQuitte", 11, true, kSansSerif},
        {"ChkVit", 13, false, kSansSerif}, {"TxtVit", 13, false, kSansSerif},
        {"Text3", 11, false, kSansSerif},  {"Command2", 11, false, kSansSerif},
        {"Text1", 16, true, kSansSerif},   {"Label7", 37, true, kArial},
        {"Label6", 11, false, kSansSerif}, {"signe", 32, true, kSansSerif},
        {"Label8", 32, true, kSansSerif},  {"Label1", 11, true, kSansSerif},
    };
    for (const FontDesign& f : fonts) {
        QFont font = Control(f.name)->font();
        EXPECT_EQ(font.pixelSize(), f.pixels) << f.name;
        EXPECT_EQ(font.bold(), f.bold) << f.name;
        QString family = QFontInfo(font).family();
        EXPECT_TRUE(family == f.face || family == kSubstitute) << f.name << " " << family.toStdString();
    }
}

TEST_F(WindowTest, EveryShownCaptionFitsItsControl) {
    Show();
    auto fits = [](QWidget* widget, const QString& text, int room) {
        QFontMetrics metrics(widget->font());
        EXPECT_LE(metrics.horizontalAdvance(text), room) << widget->objectName().toStdString();
        EXPECT_LE(metrics.capHeight(), widget->height()) << widget->objectName().toStdString();
    };
    for (const char* name : {"Volume", "CmdQuitte", "Command2"})
        fits(Control(name), Control<QPushButton>(name)->text(), Control(name)->width() - 4);
    auto* chk = Control<QCheckBox>("ChkVit");
    fits(chk, chk->text(), chk->width() - 13 - 4); // indicator and its spacing
    fits(Control("Label1"), Control<QLabel>("Label1")->text(), 97);
    fits(Control("Text1"), "W", 25 - 4);
    // Every code and every sign the two fields can show.
    for (const char* code : {"..-.", ".-.-.-", "--..--", "..--..", "-....", "-----"})
        fits(Control("signe"), code, 65);
    for (const char* sign : {"BT", "W", "M", "0", "?"})
        fits(Control("Label7"), sign, 57);
}

TEST_F(WindowTest, ColoursAndPointers) {
    EXPECT_EQ(Control("Text1")->palette().color(QPalette::Text), QColor(0, 0, 255));
    auto* label7 = Control<QLabel>("Label7");
    EXPECT_TRUE(label7->autoFillBackground());
    EXPECT_EQ(label7->palette().color(QPalette::Window), QColor(224, 224, 224));
    EXPECT_FALSE(Control("signe")->autoFillBackground());
    EXPECT_FALSE(Control("Label1")->autoFillBackground());
    EXPECT_EQ(static_cast<PictureButton*>(Control("Command1"))->Face(), QColor(192, 192, 192));
    EXPECT_EQ(static_cast<PictureButton*>(Control("Laklavet"))->Face(), QColor(255, 255, 255));
    for (const char* hand : {"ChkVit", "Command2", "Command1", "Text1", "Laklavet"}) {
        QCursor cursor = Control(hand)->cursor();
        EXPECT_EQ(cursor.shape(), Qt::BitmapCursor) << hand;
    }
    EXPECT_EQ(Control("ChkVit")->cursor().hotSpot(), QPoint(1, 0));
    EXPECT_EQ(Control("Laklavet")->cursor().hotSpot(), QPoint(4, 16));
}

TEST_F(WindowTest, StartsInTheDesignState) {
    EXPECT_EQ(TextOf("Text1"), "F");
    EXPECT_EQ(CaptionOf("signe"), "..-.");
    EXPECT_EQ(CaptionOf("Label7"), "F");
    EXPECT_EQ(TextOf("TxtVit"), "8");
    EXPECT_EQ(TextOf("Text2"), "Text2");
    EXPECT_EQ(CaptionOf("Label9"), "Label9");
    EXPECT_TRUE(Control<QCheckBox>("ChkVit")->isChecked());
    EXPECT_EQ(Control<QCheckBox>("ChkVit")->text(), "  Calibrage");
    EXPECT_TRUE(window->TimerEnabled(Timer::Timer2));
    EXPECT_FALSE(window->TimerEnabled(Timer::Timer1));
    EXPECT_EQ(Control("Laklavet")->toolTip(),
              QString::fromUtf8(" Une série de points pour calibrer la vitesse  puis désactivez le calibrage "));
    EXPECT_EQ(window->State().ElementIndex, 0);
    EXPECT_FALSE(window->Topmost());
    EXPECT_EQ(Control<QLineEdit>("Text1")->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
}

// Of the design's order, the controls that can take the focus: neither the
// labels nor the key pictures, which only show.
TEST_F(WindowTest, FocusGoesThroughTheControlsInDesignOrder) {
    Show();
    std::vector<std::string> order;
    QWidget* widget = Control("Laklavet");
    do {
        if (widget->focusPolicy() & Qt::TabFocus)
            order.push_back(widget->objectName().toStdString());
        widget = widget->nextInFocusChain();
    } while (widget != Control("Laklavet"));
    EXPECT_EQ(order, (std::vector<std::string>{"Laklavet", "Text1", "Command1", "Command2", "Text2", "Text3",
                                               "TxtVit", "ChkVit", "CmdQuitte", "Volume"}));
}

TEST_F(WindowTest, ShapeIsTheRoundedRectangleOfTheDesign) {
    QRegion shape = WindowShape();
    EXPECT_EQ(window->mask(), shape);
    EXPECT_EQ(shape.boundingRect(), QRect(5, 5, 385, 285));
    for (QPoint inside : {QPoint(197, 5), QPoint(5, 147), QPoint(389, 147), QPoint(197, 289), QPoint(30, 30)})
        EXPECT_TRUE(shape.contains(inside)) << inside.x() << "," << inside.y();
    // Corners, the 4 right columns and the 8 bottom rows are cut away.
    for (QPoint outside : {QPoint(5, 5), QPoint(12, 12), QPoint(389, 5), QPoint(5, 289), QPoint(389, 289),
                           QPoint(390, 147), QPoint(197, 290), QPoint(197, 297), QPoint(4, 147)})
        EXPECT_FALSE(shape.contains(outside)) << outside.x() << "," << outside.y();
}

// ---- Sign box -------------------------------------------------------------

TEST_F(WindowTest, ClickIntoTheSignBoxEmptiesItAndBlanksTheCode) {
    Show();
    auto* text1 = Control<QLineEdit>("Text1");
    EXPECT_EQ(text1->maxLength(), 32767); // no limit before the first change
    QTest::mouseClick(text1, Qt::LeftButton);
    EXPECT_EQ(text1->text(), "");
    EXPECT_EQ(CaptionOf("signe"), " ");
    EXPECT_EQ(text1->maxLength(), 1);
    QTest::keyClicks(text1, "kx");
    EXPECT_EQ(text1->text(), "k");
    QTest::mouseClick(text1, Qt::LeftButton);
    EXPECT_EQ(text1->text(), "");
}

TEST_F(WindowTest, LimitDoesNotCutALongerText) {
    Show();
    auto* text1 = Control<QLineEdit>("Text1");
    text1->setCursorPosition(1);
    QTest::keyClicks(text1, "G"); // the first change: "FG" stays whole
    EXPECT_EQ(text1->text(), "FG");
    QTest::keyClicks(text1, "H");
    EXPECT_EQ(text1->text(), "FG");
    QTest::keyClick(text1, Qt::Key_Backspace);
    QTest::keyClick(text1, Qt::Key_Backspace);
    QTest::keyClicks(text1, "AB");
    EXPECT_EQ(text1->text(), "A");
}

// ---- Keying and ticks -----------------------------------------------------

TEST_F(WindowTest, PressTicksFollowTheClock) {
    Show();
    Wait(500ms);
    Press(120ms);
    EXPECT_EQ(TextOf("Text2"), "120");
    EXPECT_EQ(TextOf("Text3"), "500"); // the gap before the press, tick by tick
    Wait(40ms);
    Press(7ms, Qt::RightButton, Qt::ShiftModifier);
    EXPECT_EQ(TextOf("Text2"), "7");
    Press(0ms, Qt::MiddleButton, Qt::ControlModifier);
    EXPECT_EQ(TextOf("Text2"), "0");
    EXPECT_EQ(CaptionOf("Label9"), "3"); // three calibrating presses
}

TEST_F(WindowTest, KeyPicturesSwapWhileTheKeyIsHeld) {
    Show();
    QWidget* key = Control("Laklavet");
    QTest::mousePress(key, Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_FALSE(Control("Picture1")->isVisible());
    EXPECT_TRUE(Control("Picture2")->isVisible());
    EXPECT_TRUE(window->TimerEnabled(Timer::Timer1));
    EXPECT_FALSE(window->Topmost()); // keying never drags
    QTest::mouseRelease(key, Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_TRUE(Control("Picture1")->isVisible());
    EXPECT_FALSE(Control("Picture2")->isVisible());
    EXPECT_EQ(Control("Laklavet")->toolTip(),
              QString::fromUtf8(" Une série de points pour calibrer la vitesse puis désactivez le calibrage "));
    auto calls = sound->Calls();
    EXPECT_EQ(calls, (std::vector<std::string>{"volume on", "async /opt/klavet/tok.wav",
                                               "volume off"}));
}

// Calibrate at 10 ms a dot, train, key ".-": "A" shows on the tick that
// takes the gap past three units, delivered by the window's own timer.
TEST_F(WindowTest, KeyedSignIsDecodedOnTime) {
    Show();
    for (int i = 0; i < 5; ++i) {
        Press(10ms);
        Wait(100ms);
    }
    EXPECT_EQ(TextOf("TxtVit"), "8"); // 40 ticks over 5 presses
    Control<QCheckBox>("ChkVit")->click();
    EXPECT_EQ(CaptionOf("Label7"), "");
    Wait(100ms);
    Press(9ms);
    Wait(20ms);
    Press(30ms);
    EXPECT_EQ(CaptionOf("Label2"), ".");
    EXPECT_EQ(CaptionOf("Label3"), "-");
    Wait(24ms);
    QTest::qWait(80);
    EXPECT_EQ(CaptionOf("Label7"), "");
    Wait(1ms);
    EXPECT_TRUE(QTest::qWaitFor([&] { return CaptionOf("Label7") == "A"; }, 1000));
    EXPECT_EQ(TextOf("Text3"), "25");
}

// Half a second of ticks handed over at once: each counts, but the box
// shows only the last count, written once.
TEST_F(WindowTest, ARunOfTicksWritesTheIdleCountBoxOnceWithItsLastCount) {
    Show();
    auto* idle = Control<QLineEdit>("Text3");
    int writes = 0;
    QObject::connect(idle, &QLineEdit::textChanged, [&] { ++writes; });
    Wait(500ms);
    window->DeliverDueTicks();
    EXPECT_EQ(TextOf("Text3"), "500");
    EXPECT_EQ(writes, 1);
    Press(20ms);
    EXPECT_EQ(TextOf("Text2"), "20") << "the press's own count, shown as it ends";
    EXPECT_EQ(TextOf("Text3"), "500");
}

TEST_F(WindowTest, TicksDueBeforeAnEventReachTheEngineFirst) {
    Show();
    Control<QCheckBox>("ChkVit")->click();
    Press(8ms);       // "." at the first unit read, 8
    Wait(41ms);       // more than 5 units: the next press starts a new sign
    Press(8ms);
    EXPECT_EQ(CaptionOf("Label2"), ".");
    EXPECT_EQ(CaptionOf("Label3"), "");
    Wait(40ms);       // exactly 5 units: the sign goes on
    Press(20ms);
    EXPECT_EQ(CaptionOf("Label3"), "-");
}

// ---- Window handlers --------------------------------------------------------

TEST_F(WindowTest, LeftPressOnBackgroundOrRestingKeyMakesTheWindowTopmost) {
    Show();
    QTest::mousePress(window.get(), Qt::RightButton, {}, QPoint(200, 280));
    QTest::mousePress(window.get(), Qt::MiddleButton, {}, QPoint(200, 280));
    QTest::mousePress(Control("Label1"), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mousePress(Control("Picture1"), Qt::RightButton, {}, QPoint(100, 100));
    EXPECT_FALSE(window->Topmost());
    const QPoint start = window->pos();
    QTest::mousePress(Control("Picture1"), Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_TRUE(window->Topmost());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(TextOf("Text2"), "Text2"); // the picture drags, never keys
    // No window manager here to move it: the window follows the pointer itself.
    QTest::mouseMove(Control("Picture1"), QPoint(150, 130));
    EXPECT_EQ(window->pos(), start + QPoint(50, 30));
    QTest::mouseRelease(Control("Picture1"), Qt::LeftButton, {}, QPoint(150, 130));
}

TEST_F(WindowTest, RightPressOnBackgroundOrRestingKeyOpensTheMenu) {
    std::vector<QPoint> menus;
    Remake([&](WindowOptions& options) { options.contextMenu = [&](QPoint at) { menus.push_back(at); }; });
    Show();
    QTest::mousePress(window.get(), Qt::RightButton, {}, QPoint(200, 280));
    QTest::mousePress(Control("Picture1"), Qt::RightButton, {}, QPoint(100, 100));
    QTest::mousePress(Control("Label1"), Qt::RightButton, {}, QPoint(5, 5));
    QTest::mousePress(window.get(), Qt::LeftButton, {}, QPoint(200, 280));
    QTest::mouseRelease(window.get(), Qt::LeftButton, {}, QPoint(200, 280));
    EXPECT_EQ(menus, (std::vector<QPoint>{window->mapToGlobal(QPoint(200, 280)),
                                          Control("Picture1")->mapToGlobal(QPoint(100, 100))}));
    // On the contact a right press keys, as any button does.
    QTest::mousePress(Control("Laklavet"), Qt::RightButton, {}, QPoint(8, 8));
    EXPECT_EQ(menus.size(), 2u);
    EXPECT_TRUE(Control("Picture2")->isVisible());
    QTest::mouseRelease(Control("Laklavet"), Qt::RightButton, {}, QPoint(8, 8));
}

TEST_F(WindowTest, QuitSetsTheVolumeOnThenEnds) {
    Show();
    Press(10ms);
    EXPECT_EQ(sound->volume.load(), VolumeOff);
    QTest::mouseClick(Control("CmdQuitte"), Qt::LeftButton);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(sound->volume.load(), VolumeOn);
    window->close();
    EXPECT_EQ(ended, 2);
}

TEST_F(WindowTest, VolumeStartsTheMixerFoundOnThePath) {
    QTemporaryDir dir;
    const QString marker = dir.filePath("started");
    QFile script(dir.filePath("pavucontrol"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(QString("#!/bin/sh\necho $$ > '%1'\n").arg(marker).toUtf8());
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");

    qputenv("PATH", QFile::encodeName(dir.path() + "/none"));
    QTest::mouseClick(Control("Volume"), Qt::LeftButton);
    EXPECT_EQ(window->State().MixerTaskId, 0); // none installed: nothing happens

    qputenv("PATH", QFile::encodeName(dir.path()));
    QTest::mouseClick(Control("Volume"), Qt::LeftButton);
    qputenv("PATH", path);
    EXPECT_GT(window->State().MixerTaskId, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(marker) && QFileInfo(marker).size() > 0; }, 5000));
    QFile started(marker);
    ASSERT_TRUE(started.open(QIODevice::ReadOnly));
    EXPECT_EQ(started.readAll().trimmed().toInt(), window->State().MixerTaskId);
}

// ---- Accessibility ----------------------------------------------------------

TEST_F(WindowTest, AssistiveToolsSeeTheShownControlsAndTheirChanges) {
    Show();
    QAccessibleInterface* form = QAccessible::queryAccessibleInterface(window.get());
    ASSERT_NE(form, nullptr);
    std::vector<std::string> names;
    for (int i = 0; i < form->childCount(); ++i)
        names.push_back(form->child(i)->object()->objectName().toStdString());
    for (const char* hidden : {"Text2", "Text3", "TxtVit", "Label2", "Label8", "Label9", "Picture2"})
        EXPECT_EQ(std::count(names.begin(), names.end(), hidden), 0) << hidden;
    for (const char* shown : {"Text1", "Command1", "Label7", "signe", "Laklavet", "ChkVit"})
        EXPECT_EQ(std::count(names.begin(), names.end(), shown), 1) << shown;

    auto* label7 = QAccessible::queryAccessibleInterface(Control("Label7"));
    EXPECT_EQ(label7->text(QAccessible::Name), "F");
    EXPECT_FALSE(label7->text(QAccessible::Description).isEmpty());
    auto* code = QAccessible::queryAccessibleInterface(Control("signe"));
    EXPECT_EQ(code->text(QAccessible::Name), "..-.");
    EXPECT_FALSE(code->text(QAccessible::Description).isEmpty());
    auto* play = QAccessible::queryAccessibleInterface(Control("Command1"));
    EXPECT_EQ(play->role(), QAccessible::Button);
    EXPECT_EQ(play->text(QAccessible::Name), QString::fromUtf8("Écouter le signe"));
    auto* box = QAccessible::queryAccessibleInterface(Control("Text1"));
    ASSERT_NE(box->textInterface(), nullptr);
    EXPECT_EQ(box->textInterface()->text(0, box->textInterface()->characterCount()), "F");

    // Each control is named for what it does, whatever its caption.
    const std::pair<const char*, const char*> named[] = {
        {"CmdQuitte", "Quitter"}, {"Volume", "Volume"}, {"Command2", "Aide"}, {"ChkVit", "Calibrage"},
        {"Laklavet", "Manipulateur"}};
    for (const auto& [control, name] : named)
        EXPECT_EQ(QAccessible::queryAccessibleInterface(Control(control))->text(QAccessible::Name), name);
    // The contact keys while held: no action that would key nothing, and a
    // description of every way to key it.
    auto* contact = QAccessible::queryAccessibleInterface(Control("Laklavet"));
    EXPECT_EQ(contact->role(), QAccessible::Button);
    ASSERT_NE(contact->actionInterface(), nullptr);
    EXPECT_EQ(contact->actionInterface()->actionNames(), QStringList{QAccessibleActionInterface::setFocusAction()});
    const QString description = contact->text(QAccessible::Description);
    for (const char* way : {"souris", "espace", "Ctrl", "port série"})
        EXPECT_TRUE(description.contains(QString::fromUtf8(way))) << way;

}

} // namespace
} // namespace klavet::testing

namespace klavet::testing {
namespace {

// Run once more at QT_SCALE_FACTOR=2: the pictures follow the screen's scale.
TEST_F(WindowTest, PicturesFollowTheScreenScale) {
    Show();
    const qreal dpr = window->devicePixelRatioF();
    auto* rest = static_cast<PictureBox*>(Control("Picture1"));
    EXPECT_EQ(rest->Image().devicePixelRatio(), dpr);
    EXPECT_EQ(rest->Image().size(), (QSizeF(245, 153) * dpr).toSize());
    EXPECT_EQ(window->grab().toImage().size(), (QSizeF(394, 298) * dpr).toSize());
    EXPECT_EQ(window->size(), QSize(394, 298));
}

} // namespace
} // namespace klavet::testing
