#pragma once

// Keeps the rhythm panel beside the main window: opens and closes it from the
// window's menu or the command line, docks it under the window as that moves,
// keeps it above other windows when the window is, and shows it the record as
// it changes. Closing the panel loses nothing of the record.

#include "rhythm_record.h"

#include <QMenu>
#include <QObject>
#include <QPoint>

#include <memory>

class QAction;
class QWidget;

namespace klavet {

class RhythmPanel;

class RhythmCompanion final : public QObject {
public:
    RhythmCompanion(RhythmRecord& record, QWidget& owner);
    ~RhythmCompanion() override;

    void SetOpen(bool open);
    bool IsOpen() const { return open_; }
    // The owner's menu, at a place on the screen.
    void ShowMenu(QPoint global);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Follow();

    RhythmRecord& record_;
    QWidget& owner_;
    std::unique_ptr<RhythmPanel> panel_;
    QMenu menu_;
    QAction* toggle_ = nullptr;
    bool open_ = false;
};

} // namespace klavet
