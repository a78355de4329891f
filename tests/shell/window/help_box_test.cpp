#include "window_fixture.h"

#include "help_box.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace klavet::testing {
namespace {

// Runs `inspect` on the modal help box once it is up, then closes it with `close`.
void WhileOpen(const std::function<void(FrmAbout*)>& inspect, const std::function<void(FrmAbout*)>& close) {
    QTimer::singleShot(0, [=] {
        auto* box = qobject_cast<FrmAbout*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        QTimer::singleShot(0, [=] {
            inspect(box);
            close(box);
        });
    });
}

// In whatever language it speaks, each text of the box fits its label: its
// width inside the box, and as many lines as have their baseline inside the label (the
// design's own French fills its last line so).
TEST_F(WindowTest, HelpBoxTextsFitTheirLabels) {
    FrmAbout box;
    for (QLabel* label : box.findChildren<QLabel*>()) {
        const QFontMetrics metrics(label->font());
        const QRect needed =
            metrics.boundingRect(QRect(0, 0, label->width(), 1 << 16), Qt::TextWordWrap, label->text());
        const int lines = (needed.height() + metrics.lineSpacing() / 2) / metrics.lineSpacing();
        const int room = (label->height() - metrics.ascent()) / metrics.lineSpacing() + 1;
        // A label may reach past the box's edge, as one does in the design:
        // its text may not.
        EXPECT_LE(needed.width(), std::min(label->width(), box.width() - label->x()))
            << label->objectName().toStdString();
        EXPECT_LE(lines, room) << label->objectName().toStdString();
    }
    EXPECT_LE(QFontMetrics(box.OkButton()->font()).horizontalAdvance(box.OkButton()->text()),
              box.OkButton()->width() - 4);
}

TEST_F(WindowTest, HelpBoxShowsItsTextsModallyAndIsReused) {
    Show();
    FrmAbout* first = nullptr;
    bool inspected = false;
    WhileOpen(
        [&](FrmAbout* box) {
            first = box;
            inspected = true;
            EXPECT_TRUE(box->isModal());
            EXPECT_EQ(box->windowTitle(), QString::fromUtf8("À propos de klavet28"));
            EXPECT_EQ(box->size(), QSize(238, 312));
            EXPECT_EQ(box->geometry().topLeft(), QPoint(156, 129));
            EXPECT_EQ(box->palette().color(QPalette::Window), QColor(224, 224, 224));
            EXPECT_EQ(box->Child("Label4")->text(), "Cliquer sur  le manipulateur");
            EXPECT_EQ(box->Child("Label2")->text(),
                      QString::fromUtf8("Choisir un signe.  Après avoir écouté le son correspondant, utiliser "
                                        "le manipulateur pour le reproduire."));
            EXPECT_EQ(box->Child("Label5")->text(),
                      QString::fromUtf8("Signes disponibles: l'alphabet,les chiffres,  le séparateur  BT   "
                                        "point   virgule  interrogation ?  et  barre de fraction /"));
            EXPECT_EQ(box->Child("Label1")->text(), "KLAVET");
            EXPECT_EQ(box->Child("Label1")->palette().color(QPalette::WindowText), QColor(0, 0, 255));
            EXPECT_EQ(box->Child("Label6")->text(), "v 2.8");
            EXPECT_EQ(box->Child("lblDescription")->text(), QString::fromUtf8("Entraînement à la télégraphie"));
            EXPECT_EQ(box->Child("Label7")->geometry(), QRect(48, 88, 129, 17));
            for (const char* line : {"lblDisclaimer", "Label3"}) {
                QLabel* label = box->Child(line);
                EXPECT_FALSE(label->text().isEmpty());
                EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(label->text()), label->width()) << line;
            }
            EXPECT_TRUE(box->OkButton()->isDefault());
            EXPECT_TRUE(box->OkButton()->hasFocus());
            EXPECT_EQ(QApplication::activeModalWidget(), box);
        },
        [](FrmAbout* box) { QTest::keyClick(box, Qt::Key_Escape); });
    QTest::mouseClick(Control("Command2"), Qt::LeftButton);
    EXPECT_TRUE(inspected);
    EXPECT_EQ(window->HelpBox(), first);
    EXPECT_FALSE(first->isVisible());

    for (auto close : std::vector<std::function<void(FrmAbout*)>>{
             [](FrmAbout* box) { QTest::keyClick(box, Qt::Key_Return); },
             [](FrmAbout* box) { QTest::mouseClick(box->OkButton(), Qt::LeftButton); },
             [](FrmAbout* box) { box->close(); }}) {
        FrmAbout* again = nullptr;
        WhileOpen([&](FrmAbout* box) { again = box; }, close);
        QTest::mouseClick(Control("Command2"), Qt::LeftButton);
        EXPECT_EQ(again, first);
        EXPECT_FALSE(first->isVisible());
    }
}

TEST_F(WindowTest, HelpBoxStaysAboveATopmostMainWindow) {
    Show();
    QTest::mousePress(window.get(), Qt::LeftButton, {}, QPoint(200, 280));
    QTest::mouseRelease(window.get(), Qt::LeftButton, {}, QPoint(200, 280));
    ASSERT_TRUE(window->Topmost());
    bool above = false;
    WhileOpen([&](FrmAbout* box) { above = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint); },
              [](FrmAbout* box) { box->close(); });
    QTest::mouseClick(Control("Command2"), Qt::LeftButton);
    EXPECT_TRUE(above);
}

} // namespace
} // namespace klavet::testing
