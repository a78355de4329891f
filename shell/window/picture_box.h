#pragma once

// A picture box that shows an image at its own size from the top-left
// corner, cut at the box's edges, as Qt's labels do not. It only draws; the
// window decides what a press on it means.

#include <QImage>
#include <QWidget>

namespace klavet {

class PictureBox final : public QWidget {
public:
    explicit PictureBox(QWidget* parent) : QWidget(parent) {}
    void SetImage(const QImage& image);
    const QImage& Image() const { return image_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
};

} // namespace klavet
