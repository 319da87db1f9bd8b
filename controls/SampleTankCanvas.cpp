#include "controls/SampleTankCanvas.h"

#include <QPainter>
#include <QPalette>
#include <algorithm>
#include <array>
#include <cstdlib>

namespace sampletank {

namespace {

// System colour n of the platform, as a palette role in a colour group. The numbers are the
// platform's own (5 window, 15 button face, ...); n 25 is unused there and stays black.
struct SystemColor
{
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};
constexpr QPalette::ColorGroup Active = QPalette::Active;
constexpr std::array<SystemColor, 31> SystemColors{{
    {Active, QPalette::Midlight},               // 0 scroll bar
    {Active, QPalette::Dark},                   // 1 desktop
    {Active, QPalette::Highlight},              // 2 active caption
    {Active, QPalette::Mid},                    // 3 inactive caption
    {Active, QPalette::Window},                 // 4 menu
    {Active, QPalette::Base},                   // 5 window
    {Active, QPalette::Shadow},                 // 6 window frame
    {Active, QPalette::WindowText},             // 7 menu text
    {Active, QPalette::Text},                   // 8 window text
    {Active, QPalette::HighlightedText},        // 9 caption text
    {Active, QPalette::Window},                 // 10 active border
    {Active, QPalette::Window},                 // 11 inactive border
    {Active, QPalette::Mid},                    // 12 application workspace
    {Active, QPalette::Highlight},              // 13 highlight
    {Active, QPalette::HighlightedText},        // 14 highlight text
    {Active, QPalette::Button},                 // 15 button face
    {Active, QPalette::Dark},                   // 16 button shadow
    {QPalette::Disabled, QPalette::Text},       // 17 grey text
    {Active, QPalette::ButtonText},             // 18 button text
    {QPalette::Disabled, QPalette::WindowText}, // 19 inactive caption text
    {Active, QPalette::Light},                  // 20 button highlight
    {Active, QPalette::Shadow},                 // 21 3-D dark shadow
    {Active, QPalette::Midlight},               // 22 3-D light
    {Active, QPalette::ToolTipText},            // 23 info text
    {Active, QPalette::ToolTipBase},            // 24 info background
    {Active, QPalette::NoRole},                 // 25 unused
    {Active, QPalette::Link},                   // 26 hot-tracked item
    {Active, QPalette::Highlight},              // 27 active caption gradient
    {Active, QPalette::Mid},                    // 28 inactive caption gradient
    {Active, QPalette::Highlight},              // 29 menu highlight
    {Active, QPalette::Window},                 // 30 menu bar
}};

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
    if (color & 0x80000000u) {
        const std::size_t n = color & 0xffu;
        if (n >= SystemColors.size() || SystemColors[n].role == QPalette::NoRole)
            return Opaque;
        return palette.color(SystemColors[n].group, SystemColors[n].role).rgb() | Opaque;
    }
    return qRgb(color & 0xff, (color >> 8) & 0xff, (color >> 16) & 0xff);
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
    // Bresenham over all octants, stopping before the end point.
    int x = from.x();
    int y = from.y();
    int error = dx - dy;
    while (x != to.x() || y != to.y()) {
        if (DotOn(pen, 0))
            Plot(image, x, y, pen.color);
        pen.phase = (pen.phase + 1) % 6;
        const int twice = 2 * error;
        if (twice > -dy) {
            error -= dy;
            x += sx;
        }
        if (twice < dx) {
            error += dx;
            y += sy;
        }
    }
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
