#pragma once
// What a widget test looks at: the paint events a widget receives, and the pixel that a
// 0x00BBGGRR colour value paints.
#include <QEvent>
#include <QObject>
#include <QRgb>

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

inline QRgb Pixel(std::uint32_t color)
{
    return qRgb(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}
