#pragma once

// Small widgets of the trainer's window that Qt lacks: a picture box that
// shows an image from its top-left corner without scaling, and a picture
// button with a flat coloured face and an optional image. They draw only;
// the window decides what their presses mean.

#include <QImage>
#include <QPushButton>
#include <QWidget>

namespace klavet {

// Shows one image at its own size from the top-left corner, cut at the box.
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

// A push button drawn as a raised face of one colour, sunk while held down,
// with an image centred on it; it takes its behaviour from QPushButton.
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
