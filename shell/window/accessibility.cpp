#include "accessibility.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace klavet {

namespace {

// The window's accessible node, listing only the children that are shown.
// It changes nothing else of what Qt tells about the window.
class ShownChildren final : public QAccessibleWidget {
public:
    explicit ShownChildren(QWidget* widget) : QAccessibleWidget(widget, QAccessible::Window) {}

    int childCount() const override { return static_cast<int>(Shown().size()); }

    QAccessibleInterface* child(int index) const override {
        const QWidgetList shown = Shown();
        if (index < 0 || index >= shown.size())
            return nullptr;
        return QAccessible::queryAccessibleInterface(shown.at(index));
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child)
            return -1;
        return static_cast<int>(Shown().indexOf(qobject_cast<QWidget*>(child->object())));
    }

private:
    QWidgetList Shown() const {
        QWidgetList shown;
        for (QObject* object : widget()->children()) {
            auto* w = qobject_cast<QWidget*>(object);
            if (w && !w->isWindow() && !w->isHidden())
                shown.append(w);
        }
        return shown;
    }
};

// The key contact: a button that keys while held, by the mouse, the Space bar
// or a Ctrl key. A push button's "Press" action would key nothing, so it
// offers none; focusing it is its one action.
class KeyContact final : public QAccessibleWidget {
public:
    explicit KeyContact(QWidget* widget) : QAccessibleWidget(widget, QAccessible::Button) {}
};

QAccessibleInterface* MainWindowFactory(const QString& className, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    if (className == QLatin1String("klavet::FrmKlavet"))
        return new ShownChildren(static_cast<QWidget*>(object));
    if (object->objectName() == QLatin1String("Laklavet"))
        return new KeyContact(static_cast<QWidget*>(object));
    return nullptr;
}

bool FromHiddenControl(const QAccessibleEvent* event) {
    auto* widget = qobject_cast<QWidget*>(event->object());
    if (!widget || !widget->isHidden() || widget->isWindow())
        return false;
    switch (event->type()) {
    case QAccessible::ObjectShow:
    case QAccessible::ObjectHide:
    case QAccessible::ObjectDestroyed:
        return false;
    default:
        return true;
    }
}

// Qt calls an installed handler instead of telling the platform; for the
// events that pass, the handler steps aside and lets Qt tell it as usual.
void PassShownControlsOnly(QAccessibleEvent* event) {
    if (FromHiddenControl(event))
        return;
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(PassShownControlsOnly);
}

} // namespace

void InstallAccessibility() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(MainWindowFactory);
    QAccessible::installUpdateHandler(PassShownControlsOnly);
}

} // namespace klavet
