#pragma once
// What a widget test looks at: the paint events a widget receives, its picture, and the pixel
// that a 0x00BBGGRR colour value paints.
#include <QColor>
#include <QEvent>
#include <QImage>
#include <QObject>
#include <QRgb>
#include <QWidget>

#include <cstdint>

// Counts the paint events of every widget it is installed on, from then on.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// The widget rendered anew, in a format whose pixels compare as QRgb values.
inline QImage Picture(QWidget &widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// How many pixels of the image have exactly this colour.
inline int CountOf(const QImage &image, const QColor &colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y).rgb() == colour.rgb();
    return count;
}

inline QRgb Pixel(std::uint32_t color)
{
    return qRgb(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}
