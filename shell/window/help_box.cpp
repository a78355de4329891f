#include "help_box.h"

#include "design_font.h"
#include "minimised_box_recall.h"
#include "twips.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace klavet {

namespace {

constexpr QColor kGrey(224, 224, 224);
constexpr QColor kBlue(0, 0, 255);

} // namespace

// A title bar with a close box only: from these flags Qt tells the window
// manager (in the Motif hints) that the box can be neither minimised nor
// maximised, and its fixed size that it cannot be resized.
FrmAbout::FrmAbout()
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("frmAbout");
    setModal(true);
    setAutoFillBackground(true);
    QPalette grey = palette();
    grey.setColor(QPalette::Window, kGrey);
    setPalette(grey);

    const QFont normal = DesignFont(kSansSerif, 8.25);
    const QFont bold = DesignFont(kSansSerif, 8.25, true);
    const Qt::Alignment centred = Qt::AlignHCenter | Qt::AlignTop;
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignTop;

    cmdOK_ = new QPushButton(tr("OK"), this);
    cmdOK_->setObjectName("cmdOK");
    cmdOK_->setGeometry(FromTwips(QRect(2760, 120, 780, 345)));
    cmdOK_->setFont(normal);
    cmdOK_->setDefault(true);
    cmdOK_->setAutoDefault(true);
    connect(cmdOK_, &QPushButton::clicked, this, &QDialog::accept);

    AddLabel("Label1", "KLAVET", {960, 240, 1215, 375}, DesignFont(kSansSerif, 13.5, true), centred, kBlue);
    AddLabel("Label6", "v 2.8", {2160, 362, 615, 255}, normal, left);
    AddLabel("lblDescription", tr("Entraînement à la télégraphie"), {120, 600, 3165, 210}, bold, centred, kBlue);
    AddLabel("Label4", tr("Cliquer sur  le manipulateur"), {120, 840, 3255, 255}, bold, centred);
    AddLabel("Label7", tr("Calibrage"), {720, 1320, 1935, 255}, bold, centred);
    AddLabel("Label8",
             tr("Sélectionner l'option calibrage et cliquez une dizaine de points au manipulateur. "
                "Décochez l'option et commencez l'entraînement."),
             {120, 1560, 3255, 735}, normal, left);
    AddLabel("Label2",
             tr("Choisir un signe.  Après avoir écouté le son correspondant, utiliser le manipulateur "
                "pour le reproduire."),
             {120, 2400, 3735, 615}, normal, left);
    AddLabel("Label5",
             tr("Signes disponibles: l'alphabet,les chiffres,  le séparateur  BT   point   virgule  "
                "interrogation ?  et  barre de fraction /"),
             {120, 3120, 3375, 735}, normal, left);
    AddLabel("lblDisclaimer", tr("Logiciel libre, fourni sans garantie."), {360, 4080, 2670, 225}, normal, centred,
             QColor(0, 0, 0));
    AddLabel("Label3", tr("Klavet pour Linux, par ses développeurs"), {120, 4320, 3255, 255}, bold, centred);

    setFixedSize(Px(3570), Px(4680));
    cmdOK_->setFocus();
}

QLabel* FrmAbout::AddLabel(const char* name, const QString& text, QRect twips, const QFont& font,
                           Qt::Alignment alignment, QColor colour) {
    auto* label = new QLabel(this);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setWordWrap(true);
    label->setAlignment(alignment);
    label->setFont(font);
    label->setGeometry(FromTwips(twips));
    if (colour.isValid()) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, colour);
        label->setPalette(palette);
    }
    return label;
}

QLabel* FrmAbout::Child(const char* name) const { return findChild<QLabel*>(name); }

// Loaded at every showing: the caption names the application.
void FrmAbout::Form_Load() { setWindowTitle(tr("À propos de %1").arg(QLatin1String(kApplicationTitle))); }

void FrmAbout::ShowModal(bool aboveOthers) {
    Form_Load();
    setWindowFlag(Qt::WindowStaysOnTopHint, aboveOthers);
    // The client area's corner stands at a fixed place on the screen.
    setGeometry(Px(2340), Px(1935), Px(3570), Px(4680));
    cmdOK_->setFocus();
    // The box forbids minimising, but a window manager may allow it anyway;
    // the box must not stay hidden while it blocks the main window.
    MinimisedBoxRecall recall(*this);
    exec();
}

// The etched rule: a grey line with a white one just below it.
void FrmAbout::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QPen(QColor(128, 128, 128), 1));
    painter.drawLine(QPointF(90 / 15.0, 3885 / 15.0), QPointF(3480 / 15.0, 3885 / 15.0));
    painter.setPen(QPen(QColor(255, 255, 255), 2));
    painter.drawLine(QPointF(105 / 15.0, 3900 / 15.0 + 0.5), QPointF(3480 / 15.0, 3900 / 15.0 + 0.5));
}

} // namespace klavet
