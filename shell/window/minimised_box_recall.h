#pragma once

// Brings a modal box back when it has been minimised while it blocks the
// rest of the program: at the learner's next click on any window of the
// program, or when another of its windows becomes active. It watches input
// only; it neither opens nor closes the box.

#include <QAbstractNativeEventFilter>
#include <QMetaObject>

class QWidget;

namespace klavet {

class MinimisedBoxRecall final : public QAbstractNativeEventFilter {
public:
    // Watches from now on, for as long as it lives.
    explicit MinimisedBoxRecall(QWidget& box);
    ~MinimisedBoxRecall() override;
    MinimisedBoxRecall(const MinimisedBoxRecall&) = delete;
    MinimisedBoxRecall& operator=(const MinimisedBoxRecall&) = delete;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    void RecallSoon();

    QWidget& box_;
    const int xinputOpcode_;
    QMetaObject::Connection activation_;
};

} // namespace klavet
