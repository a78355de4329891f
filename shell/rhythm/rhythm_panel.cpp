#include "rhythm_panel.h"

#include "design_font.h"
#include "rhythm_drawing.h"
#include "rhythm_texts.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace klavet {

namespace {

constexpr int kWidth = 394;
constexpr int kHeight = 214;
constexpr int kMargin = 16;
constexpr int kLineHeight = 13;
constexpr double kCornerRadius = 22;

const QColor kPanel{204, 255, 255};
const QColor kRim{0, 78, 152};
const QColor kFrame{0, 0, 192};

QPainterPath Outline(const QRectF& rect) {
    QPainterPath path;
    path.addRoundedRect(rect, kCornerRadius, kCornerRadius);
    return path;
}

} // namespace

QSize RhythmPanel::DesignSize() {
    return {kWidth, kHeight};
}

RhythmPanel::RhythmPanel(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setObjectName("Rythme");
    setWindowTitle(RhythmTexts::tr("Rythme"));
    setAccessibleName(RhythmTexts::tr("Rythme"));
    setFixedSize(DesignSize());
    setMask(QRegion(Outline(QRectF(0, 0, kWidth, kHeight)).toFillPolygon().toPolygon()));
    setFont(DesignFont(kSansSerif, 8.25));

    auto* title = new QLabel(RhythmTexts::tr("Rythme"), this);
    title->setFont(DesignFont(kSansSerif, 8.25, true));
    title->setGeometry(kMargin + 8, 8, 120, kLineHeight);
    drawing_ = new RhythmDrawing(this);
    drawing_->setGeometry(kMargin, 24, kWidth - 2 * kMargin, 62);
    drawing_->setAccessibleName(RhythmTexts::tr("Dessin du signe"));
    int top = 88;
    sign_ = AddLine(top, 1, RhythmTexts::tr("Dernier signe"));
    elements_ = AddLine(top += kLineHeight, 2, RhythmTexts::tr("Appuis et espaces"));
    calibrated_ = AddLine(top += 2 * kLineHeight, 1, RhythmTexts::tr("Vitesse de référence"));
    session_ = AddLine(top += kLineHeight, 2, RhythmTexts::tr("Signes récents"));
    hint_ = AddLine(top += 2 * kLineHeight, 1, RhythmTexts::tr("Conseil"));
    echo_ = AddLine(top += kLineHeight, 1, RhythmTexts::tr("Écho"));
    hint_->setFont(DesignFont(kSansSerif, 8.25, true));
    echo_->setFont(DesignFont(kSansSerif, 8.25, true));
}

QLabel* RhythmPanel::AddLine(int top, int lines, const QString& description) {
    auto* label = new QLabel(this);
    label->setAccessibleDescription(description);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(lines > 1);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(kMargin + 8, top, kWidth - 2 * kMargin - 16, lines * kLineHeight);
    return label;
}

void RhythmPanel::Show(const RhythmRecord& record) {
    const RhythmLines lines = RhythmTexts::For(record);
    for (auto [label, text] : {std::pair{sign_, &lines.sign}, {elements_, &lines.elements},
                               {calibrated_, &lines.calibrated}, {session_, &lines.session},
                               {hint_, &lines.hint}, {echo_, &lines.echo}})
        if (label->text() != *text)
            label->setText(*text);
    drawing_->Show(record);
}

void RhythmPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillPath(Outline(QRectF(0, 0, kWidth, kHeight)), kRim);
    painter.fillPath(Outline(QRectF(3, 3, kWidth - 6, kHeight - 6)), kPanel);
    painter.setPen(QPen(kFrame, 1));
    painter.drawPath(Outline(QRectF(8.5, 5.5, kWidth - 17, kHeight - 11)));
}

QRect DockedGeometry(const QRect& owner, const QSize& panel, const QRect& screen) {
    QRect placed(QPoint(owner.left(), owner.bottom() + 1), panel);
    if (placed.bottom() > screen.bottom() && owner.top() - panel.height() >= screen.top())
        placed.moveBottom(owner.top() - 1);
    const int left = std::clamp(placed.left(), screen.left(), std::max(screen.left(), screen.right() + 1 - panel.width()));
    placed.moveLeft(left);
    return placed;
}

} // namespace klavet
