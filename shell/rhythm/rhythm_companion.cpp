#include "rhythm_companion.h"

#include "rhythm_panel.h"
#include "rhythm_texts.h"

#include <QAction>
#include <QEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace klavet {

RhythmCompanion::RhythmCompanion(RhythmRecord& record, QWidget& owner)
    : record_(record), owner_(owner), panel_(std::make_unique<RhythmPanel>(&owner)) {
    toggle_ = menu_.addAction(RhythmTexts::tr("&Rythme"));
    toggle_->setCheckable(true);
    connect(toggle_, &QAction::triggered, this, [this](bool checked) { SetOpen(checked); });
    owner_.installEventFilter(this);
    record_.OnChange([this] {
        if (open_)
            panel_->Show(record_);
    });
}

RhythmCompanion::~RhythmCompanion() {
    record_.OnChange(nullptr);
    owner_.removeEventFilter(this);
}

void RhythmCompanion::SetOpen(bool open) {
    open_ = open;
    toggle_->setChecked(open);
    if (!open) {
        panel_->hide();
        return;
    }
    panel_->Show(record_);
    if (owner_.isVisible())
        Follow();
}

void RhythmCompanion::ShowMenu(QPoint global) {
    toggle_->setChecked(open_);
    menu_.popup(global);
}

// Under the window, on its screen, and above other windows when it is.
void RhythmCompanion::Follow() {
    const QScreen* screen = owner_.screen();
    const QRect area = screen ? screen->availableGeometry() : QRect(owner_.geometry().topLeft(), QSize(1 << 14, 1 << 14));
    panel_->setGeometry(DockedGeometry(owner_.frameGeometry(), panel_->size(), area));
    if (!panel_->isVisible())
        panel_->show();
    QWindow* own = owner_.windowHandle();
    QWindow* mine = panel_->windowHandle();
    if (own && mine) {
        const bool above = own->flags().testFlag(Qt::WindowStaysOnTopHint);
        if (mine->flags().testFlag(Qt::WindowStaysOnTopHint) != above)
            mine->setFlags(mine->flags().setFlag(Qt::WindowStaysOnTopHint, above));
    }
}

bool RhythmCompanion::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &owner_ || !open_)
        return false;
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Show:
    case QEvent::MouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonRelease:
        Follow();
        break;
    case QEvent::Hide:
        panel_->hide();
        break;
    default:
        break;
    }
    return false;
}

} // namespace klavet
