#include "controls/SampleTankCanvas.h"

#include "controls/Colors.h"
#include "controls/LineWalk.h"

#include <QPainter>
#include <QPalette>
#include <algorithm>
#include <array>
#include <cstdlib>

namespace sampletank {

namespace {

constexpr QRgb Opaque = 0xff000000u;

void Plot(QImage &image, int x, int y, QRgb color)
{
    if (x >= 0 && y >= 0 && x < image.width() && y < image.height())
        reinterpret_cast<QRgb *>(image.scanLine(y))[x] = color | Opaque;
}

bool DotOn(const LinePen &pen, int step)
{
    return !pen.dotted || (pen.phase + step) % 6 < 3;
}

// A horizontal or vertical run of `length` pixels from `start` in direction `dir` (+1 or -1)
// along one axis, clipped to [0, limit) before the loop so that a far-off end costs nothing.
template <typename PlotAt>
void DrawRun(int start, int length, int dir, int limit, const LinePen &pen, PlotAt plotAt)
{
    const long long from = start;
    const long long first = dir > 0 ? std::max(0LL, -from) : std::max(0LL, from - (limit - 1));
    const long long last =
        dir > 0 ? std::min<long long>(length, limit - from) : std::min<long long>(length, from + 1);
    for (long long step = first; step < last; ++step)
        if (DotOn(pen, static_cast<int>(step % 6)))
            plotAt(static_cast<int>(start + dir * step));
}

struct Clipped
{
    int left, top, right, bottom;
    bool Empty() const { return left >= right || top >= bottom; }
};

Clipped Clip(const QImage &image, int left, int top, int right, int bottom)
{
    return {std::max(left, 0), std::max(top, 0), std::min(right, image.width()),
            std::min(bottom, image.height())};
}

void Combine(QImage &image, int left, int top, int right, int bottom,
             QPainter::CompositionMode mode, QRgb color)
{
    const Clipped c = Clip(image, left, top, right, bottom);
    if (c.Empty())
        return;
    QPainter painter(&image);
    painter.setCompositionMode(mode);
    painter.fillRect(QRect(c.left, c.top, c.right - c.left, c.bottom - c.top), QColor(color));
}

} // namespace

QRgb ResolveColor(quint32 color, const QPalette &palette)
{
    return ::ResolveColor(color, palette).rgb() | Opaque;
}

Rgb ToRgb(QRgb pixel)
{
    return {qRed(pixel), qGreen(pixel), qBlue(pixel)};
}

void DrawLine(QImage &image, QPoint from, QPoint to, LinePen &pen)
{
    const int dx = std::abs(to.x() - from.x());
    const int dy = std::abs(to.y() - from.y());
    const int sx = from.x() < to.x() ? 1 : -1;
    const int sy = from.y() < to.y() ? 1 : -1;
    if (dy == 0 || dx == 0) {
        const int y = from.y();
        const int x = from.x();
        if (dy == 0)
            DrawRun(x, dx, sx, image.width(), pen, [&](int at) { Plot(image, at, y, pen.color); });
        else
            DrawRun(y, dy, sy, image.height(), pen, [&](int at) { Plot(image, x, at, pen.color); });
        pen.phase = (pen.phase + std::max(dx, dy)) % 6;
        return;
    }
    WalkLine(from.x(), from.y(), to.x(), to.y(), [&](int x, int y) {
        if (DotOn(pen, 0))
            Plot(image, x, y, pen.color);
        pen.phase = (pen.phase + 1) % 6;
    });
}

void DrawPolyline(QImage &image, std::span<const QPoint> points, LinePen pen)
{
    for (std::size_t i = 1; i < points.size(); ++i)
        DrawLine(image, points[i - 1], points[i], pen);
}

void FillRect(QImage &image, int left, int top, int right, int bottom, QRgb color)
{
    const Clipped c = Clip(image, left, top, right, bottom);
    if (c.Empty())
        return;
    for (int y = c.top; y < c.bottom; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        std::fill(line + c.left, line + c.right, color | Opaque);
    }
}

void FrameRect(QImage &image, int left, int top, int right, int bottom, QRgb color)
{
    if (left >= right || top >= bottom)
        return;
    FillRect(image, left, top, right, top + 1, color);
    FillRect(image, left, bottom - 1, right, bottom, color);
    FillRect(image, left, top, left + 1, bottom, color);
    FillRect(image, right - 1, top, right, bottom, color);
}

void InvertRect(QImage &image, int left, int top, int right, int bottom)
{
    Combine(image, left, top, right, bottom, QPainter::RasterOp_NotDestination, Opaque);
}

void XorRect(QImage &image, int left, int top, int right, int bottom, QRgb color)
{
    Combine(image, left, top, right, bottom, QPainter::RasterOp_SourceXorDestination, color);
}

void PaintGradient(QImage &image, const GradientLayout &layout, int bandCount)
{
    const int extent = layout.across ? image.width() : image.height();
    for (const GradientBand &band : GradientBands(layout, extent, bandCount)) {
        const QRgb color = qRgb(band.color.r, band.color.g, band.color.b);
        if (layout.across)
            FillRect(image, band.from, 0, band.to, image.height(), color);
        else
            FillRect(image, 0, band.from, image.width(), band.to, color);
    }
}

} // namespace sampletank
