#pragma once
// A label showing a picture made of pixels, such as the About picture, that stays sharp on a
// high-density screen: where the screen has two device pixels per pixel of the picture, each
// becomes a 2 x 2 block of its own colour. QLabel smooths a picture it has to scale for the
// screen, which blurs pixel artwork. Without Q_OBJECT: to Qt it is still a QLabel.
#include <QLabel>

class PixelPicture : public QLabel
{
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *event) override;
};
