#include "design_font.h"

#include <QApplication>
#include <QFontDatabase>
#include <QStyle>
#include <QStyleFactory>

#include <cmath>

namespace klavet {

namespace {

QString Available(const QString& family) {
    if (QFontDatabase::hasFamily(family) && QFontDatabase::isSmoothlyScalable(family))
        return family;
    return QString::fromLatin1(kSubstitute);
}

} // namespace

QFont DesignFont(const QString& family, double points, bool bold) {
    QFont font(Available(family));
    font.setPixelSize(static_cast<int>(std::lround(points * 96.0 / 72.0)));
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

void UseDesignStyle() {
    if (QStyle* style = QStyleFactory::create("Fusion")) {
        QApplication::setStyle(style);
        QApplication::setPalette(style->standardPalette());
    }
}

} // namespace klavet
