#pragma once

// A push button drawn as a raised face of one colour, sunk while held down,
// with an image centred on it. It takes its behaviour from QPushButton and
// only draws; the window decides what its presses mean.

#include <QImage>
#include <QPushButton>

namespace klavet {

class PictureButton final : public QPushButton {
public:
    PictureButton(QColor face, QWidget* parent) : QPushButton(parent), face_(face) {}
    void SetImage(const QImage& image);
    QColor Face() const { return face_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor face_;
    QImage image_;
};

} // namespace klavet
