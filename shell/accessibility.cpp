#include "accessibility.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace klavet {

namespace {

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

QAccessibleInterface* MainWindowFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("klavet::FrmKlavet") && object && object->isWidgetType())
        return new ShownChildren(static_cast<QWidget*>(object));
    return nullptr;
}

} // namespace

void InstallAccessibility() {
    static bool installed = false;
    if (!installed)
        QAccessible::installFactory(MainWindowFactory);
    installed = true;
}

} // namespace klavet
