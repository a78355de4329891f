#include "picture_box.h"

#include <QPainter>

namespace klavet {

void PictureBox::SetImage(const QImage& image) {
    image_ = image;
    update();
}

// Drawn at the image's own size from the top-left corner; what does not fit
// the box is cut off.
void PictureBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), image_);
}

} // namespace klavet
