#pragma once

// The rhythm panel: a companion window in the main window's style that shows
// the latest keyed sign drawn against its ideal and every figure of it as
// text, which assistive tools read. It never takes the keyboard focus. It
// shows what it is given; where it stands is its owner's to say.

#include "rhythm_record.h"

#include <QRect>
#include <QSize>
#include <QWidget>

class QLabel;

namespace klavet {

class RhythmDrawing;

class RhythmPanel final : public QWidget {
public:
    // A tool window of `owner`, as wide as it.
    explicit RhythmPanel(QWidget* owner);
    void Show(const RhythmRecord& record);

    static QSize DesignSize();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* AddLine(int top, int lines, const QString& description);

    RhythmDrawing* drawing_ = nullptr;
    QLabel* sign_ = nullptr;
    QLabel* elements_ = nullptr;
    QLabel* calibrated_ = nullptr;
    QLabel* session_ = nullptr;
    QLabel* hint_ = nullptr;
    QLabel* echo_ = nullptr;
};

// Where the panel goes: just under the owner, or just over it where the
// screen has no room below; kept on the screen sideways.
QRect DockedGeometry(const QRect& owner, const QSize& panel, const QRect& screen);

} // namespace klavet
