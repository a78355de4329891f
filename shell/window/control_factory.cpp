#include "control_factory.h"

#include "design_font.h"
#include "picture_box.h"
#include "picture_button.h"
#include "twips.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace klavet {

namespace {

QWidget* NewWidget(const ControlDesign& design, QWidget* parent) {
    switch (design.kind) {
    case ControlKind::Button: return new QPushButton(parent);
    case ControlKind::CheckBox: return new QCheckBox(parent);
    case ControlKind::TextBox: return new QLineEdit(parent);
    case ControlKind::PictureButton: return new PictureButton(design.face, parent);
    case ControlKind::PictureBox: return new PictureBox(parent);
    case ControlKind::Label: return new QLabel(parent);
    }
    return new QWidget(parent);
}

} // namespace

QWidget* CreateControl(const ControlDesign& design, QWidget* parent) {
    QWidget* widget = NewWidget(design, parent);
    widget->setObjectName(design.name);
    widget->setGeometry(FromTwips(design.twips));
    if (design.font.family)
        widget->setFont(DesignFont(design.font.family, design.font.points, design.font.bold));
    // A text box holds data (the sign, the engine's counts) and is never
    // translated; a caption or what assistive tools are told of a control is
    // shown in the user's language where the catalogue has it.
    const auto shown = [](const char* text) { return QCoreApplication::translate("FrmKlavet", text); };
    const QString text = shown(design.text);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setTextFormat(Qt::PlainText);
        label->setText(text);
        label->setAlignment(design.centred ? Qt::AlignHCenter | Qt::AlignTop : Qt::AlignLeft | Qt::AlignTop);
        // Labels lie beneath the other controls, as windowless controls do.
        label->lower();
    } else if (auto* box = qobject_cast<QLineEdit*>(widget)) {
        box->setText(QString::fromUtf8(design.text));
        if (design.centred)
            box->setAlignment(Qt::AlignCenter);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(text);
    }
    if (design.accessibleName)
        widget->setAccessibleName(shown(design.accessibleName));
    if (design.accessibleDescription)
        widget->setAccessibleDescription(shown(design.accessibleDescription));
    if (!design.shown)
        widget->setVisible(false);
    return widget;
}

} // namespace klavet
