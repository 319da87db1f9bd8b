#include "controls/Cgauges.h"

#include "controls/Colors.h"
#include "controls/LineWalk.h"
#include "controls/Store.h"

#include <QAccessible>
#include <QColor>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QRgb>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>

namespace {

QRect ToQRect(const GaugeRect &r)
{
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

// An aliased QPainter outline covers one pixel beyond a QRect's width and height, so the
// ellipse inscribed in (left, top, right, bottom) with its right and bottom edges left out
// is drawn in a rectangle one pixel smaller.
QRect EllipseBox(const GaugeRect &r)
{
    return QRect(r.left, r.top, r.right - r.left - 1, r.bottom - r.top - 1);
}

// A 1-pixel line that covers its start point but not its end point, clipped to the image.
void DrawLine(QImage &image, const GaugeLine &line, QRgb color)
{
    WalkLine(line.from.x, line.from.y, line.to.x, line.to.y, [&](int x, int y) {
        if (x >= 0 && y >= 0 && x < image.width() && y < image.height())
            reinterpret_cast<QRgb *>(image.scanLine(y))[x] = color;
    });
}

void DrawWedge(QPainter &painter, const GaugeWedge &wedge)
{
    painter.drawPie(EllipseBox(wedge.ellipse), qRound(wedge.startDegrees * 16),
                    qRound(wedge.spanDegrees * 16));
}

// Where the text layer has pixels, each 8-bit channel v of the image becomes v XOR the
// layer's channel (255 − v under white text); elsewhere the layer is black and nothing changes.
void XorInto(QImage &image, const QImage &layer)
{
    for (int y = 0; y < image.height(); ++y) {
        auto *dst = reinterpret_cast<QRgb *>(image.scanLine(y));
        const auto *src = reinterpret_cast<const QRgb *>(layer.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            dst[x] ^= src[x] & 0x00FFFFFFu;
    }
}

std::int32_t ClampToInt32(std::int64_t v)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

} // namespace

TCGauge::TCGauge(QWidget *parent) : QWidget(parent)
{
    // Every pixel is painted from the off-screen image: no background erase, no flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(100, 100);
}

QColor TCGauge::ResolveColor(std::uint32_t color, const QPalette &palette)
{
    return ::ResolveColor(color, palette);
}

void TCGauge::SetKind(TCGaugeKind value)
{
    if (Store(FKind, value))
        repaint();
}

void TCGauge::SetShowText(bool value)
{
    if (Store(FShowText, value))
        repaint();
}

void TCGauge::SetBorderStyle(TFormBorderStyle value)
{
    if (Store(FBorderStyle, value))
        repaint();
}

void TCGauge::SetForeColor(std::uint32_t value)
{
    if (Store(FForeColor, value))
        repaint();
}

void TCGauge::SetBackColor(std::uint32_t value)
{
    if (Store(FBackColor, value))
        repaint();
}

void TCGauge::SetColor(std::uint32_t value)
{
    if (value == FColor && !FParentColor)
        return;
    FColor = value;
    FParentColor = false;
    repaint();
}

void TCGauge::SetParentColor(bool value)
{
    if (Store(FParentColor, value))
        repaint();
}

void TCGauge::SetMinValue(std::int32_t value)
{
    if (value == FMinValue)
        return;
    if (value > FMaxValue)
        throw EGaugeRangeError(GaugeRangeErrorText(-2147483647, std::int64_t{FMaxValue} - 1));
    FMinValue = value;
    if (FProgress < value)
        FProgress = value;
    repaint();
}

void TCGauge::SetMaxValue(std::int32_t value)
{
    // 0 is never stored by a write, whatever the range: callers rely on it being ignored.
    if (value == 0)
        return;
    if (value < FMinValue)
        throw EGaugeRangeError(GaugeRangeErrorText(std::int64_t{FMinValue} + 1, 2147483647));
    // Rewriting the same maximum still repaints.
    FMaxValue = value;
    if (FProgress > value)
        FProgress = value;
    repaint();
}

void TCGauge::SetProgress(std::int32_t value)
{
    const int before = GetPercentDone();
    value = std::clamp(value, FMinValue, FMaxValue);
    if (value == FProgress)
        return;
    FProgress = value;
    // Most steps of a long range leave the shown percentage as it was: no repaint for those,
    // and nothing new for a screen reader to say.
    if (GetPercentDone() != before) {
        repaint();
        QAccessibleValueChangeEvent announce(this, FProgress);
        QAccessible::updateAccessibility(&announce);
    }
}

void TCGauge::AddProgress(std::int32_t step)
{
    // Summed in 64 bits so that a large step saturates at the bound it heads for instead of
    // wrapping around to the opposite one.
    SetProgress(ClampToInt32(std::int64_t{FProgress} + step));
    repaint();
}

int TCGauge::GetPercentDone() const
{
    return GaugePercentDone(FMinValue, FMaxValue, FProgress);
}

QImage TCGauge::PaintImage() const
{
    if (width() <= 0 || height() <= 0)
        return {};
    // Black outside the paint rectangle is the 1-pixel frame of bsSingle. The body is drawn
    // straight into this image: exclusive-or of a body drawn on black onto black is the body.
    QImage image(size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    const GaugeRect r = GaugePaintRect(width(), height(), FBorderStyle);
    const int percent = GetPercentDone();
    DrawBody(image, r, percent);
    if (FShowText)
        XorText(image, r, percent);
    return image;
}

void TCGauge::DrawBody(QImage &image, const GaugeRect &r, int percent) const
{
    const QPalette &pal = palette();
    const QColor fore = ResolveColor(FForeColor, pal);
    const QColor back = ResolveColor(FBackColor, pal);
    const QColor surround = FParentColor ? pal.color(QPalette::Window) : ResolveColor(FColor, pal);

    QPainter painter(&image);
    painter.setPen(QPen(fore, 1));
    switch (FKind) {
    case gkText:
        painter.fillRect(ToQRect(r), back);
        break;
    case gkHorizontalBar:
    case gkVerticalBar: {
        painter.fillRect(ToQRect(r), back);
        const GaugeRect bar = FKind == gkHorizontalBar ? GaugeHorizontalBar(r, percent)
                                                       : GaugeVerticalBar(r, percent);
        if (!bar.IsEmpty())
            painter.fillRect(ToQRect(bar), fore);
        break;
    }
    case gkPie: {
        const GaugePieShape pie = GaugePie(r, FBorderStyle, percent);
        painter.fillRect(ToQRect(pie.surround), surround);
        painter.setBrush(back);
        painter.drawEllipse(EllipseBox(pie.dial));
        if (pie.hasWedge) {
            painter.setBrush(fore);
            DrawWedge(painter, pie.wedge);
        }
        break;
    }
    case gkNeedle: {
        const GaugeNeedleShape needle = GaugeNeedle(r, FBorderStyle, width(), percent);
        painter.fillRect(ToQRect(needle.surround), surround);
        painter.setBrush(back);
        DrawWedge(painter, needle.face);
        painter.end();
        DrawLine(image, needle.base, fore.rgb());
        if (needle.hasNeedle)
            DrawLine(image, needle.needle, fore.rgb());
        break;
    }
    }
}

void TCGauge::XorText(QImage &image, const GaugeRect &r, int percent) const
{
    // Aliased glyphs keep the exclusive-or exact: every text pixel is the inverse of the
    // gauge beneath, with no blend of half-covered pixels in between.
    QFont textFont = font();
    textFont.setStyleStrategy(QFont::NoAntialias);
    const QFontMetrics metrics(textFont);
    const QString text = QString::fromStdString(GaugePercentText(percent));
    const GaugePoint at = GaugeTextOrigin(r, metrics.horizontalAdvance(text), metrics.height());

    QImage layer(image.size(), QImage::Format_RGB32);
    layer.fill(Qt::black);
    {
        QPainter painter(&layer);
        painter.setClipRect(ToQRect(r));
        painter.setFont(textFont);
        painter.setPen(Qt::white);
        painter.drawText(at.x, at.y + metrics.ascent(), text);
    }
    XorInto(image, layer);
}

void TCGauge::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(0, 0, PaintImage());
}
