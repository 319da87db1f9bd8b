#include "controls/Kxsampletank.h"

#include "controls/SampleTankCanvas.h"

#include <QAccessible>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cstring>

using namespace sampletank;

TkxSampleTank::TkxSampleTank(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    // Every paint covers each pixel from the composition image, so Qt need not clear first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(100, 80);
    BuildGradient();
}

template <typename T> void TkxSampleTank::Store(T &field, T value)
{
    if (field == value)
        return;
    field = value;
    repaint();
}

// The gradient properties also outdate the cached background, which the next paint rebuilds.
template <typename T> void TkxSampleTank::StoreGradient(T &field, T value)
{
    if (field == value)
        return;
    field = value;
    FGradientValid = false;
    repaint();
}

void TkxSampleTank::SetValues(std::span<const quint8> values)
{
    const std::size_t count = std::min(values.size(), FValues.size());
    std::copy_n(values.begin(), count, FValues.begin());
    repaint();
    // The values are what a screen reader reads as the graph's description.
    QAccessibleEvent announce(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&announce);
}

// The plot formulas divide by Max, so it stays within the 256 values held.
void TkxSampleTank::SetMax(int value)
{
    Store(FMax, std::clamp(value, 1, ValueCount));
}

void TkxSampleTank::SetLineColor(quint32 value)
{
    Store(FLineColor, value);
}

void TkxSampleTank::SetAxesColor(quint32 value)
{
    Store(FAxesColor, value);
}

void TkxSampleTank::SetAxes2Color(quint32 value)
{
    Store(FAxes2Color, value);
}

void TkxSampleTank::SetLocatorColor(quint32 value)
{
    Store(FLocatorColor, value);
}

void TkxSampleTank::SetLocatorPos(int value)
{
    Store(FLocatorPos, value);
}

void TkxSampleTank::SetLocatorSize(int value)
{
    Store(FLocatorSize, value);
}

void TkxSampleTank::SetLocatorEnabled(bool value)
{
    Store(FLocatorEnabled, value);
}

void TkxSampleTank::SetSelectionColor(quint32 value)
{
    Store(FSelectionColor, value);
}

void TkxSampleTank::SetSelectionStyle(int value)
{
    Store(FSelectionStyle, value);
}

void TkxSampleTank::SetSelectionPos(int value)
{
    Store(FSelectionPos, value);
}

void TkxSampleTank::SetSelectionLen(int value)
{
    Store(FSelectionLen, value);
}

void TkxSampleTank::SetAlwayDetect(bool value)
{
    FAlwayDetect = value;
}

void TkxSampleTank::SetGradientColor(quint32 value)
{
    StoreGradient(FGradientColor, value);
}

void TkxSampleTank::SetGradientEnabled(bool value)
{
    StoreGradient(FGradientEnabled, value);
}

void TkxSampleTank::SetGradientNbOfColors(int value)
{
    if (value != 0 && (value < 2 || value > 256))
        return;
    StoreGradient(FGradientNbOfColors, value);
}

void TkxSampleTank::SetGradientType(tGradientTypex value)
{
    StoreGradient(FGradientType, value);
}

void TkxSampleTank::SetMarkerSize(int value)
{
    Store(FMarkerSize, value);
}

void TkxSampleTank::SetMarkerColor(quint32 value)
{
    Store(FMarkerColor, value);
}

void TkxSampleTank::SetAxesEnabled(bool value)
{
    Store(FAxesEnabled, value);
}

void TkxSampleTank::SetAxes2Enabled(bool value)
{
    Store(FAxes2Enabled, value);
}

void TkxSampleTank::SetSpectrumMode(bool value)
{
    Store(FSpectrumMode, value);
}

void TkxSampleTank::SetSpectrumCenter(bool value)
{
    Store(FSpectrumCenter, value);
}

// Color is one end of the gradient, so the cached gradient would show the old colour.
void TkxSampleTank::SetColor(quint32 value)
{
    if (FColor == value)
        return;
    FColor = value;
    FGradientValid = false;
    update();
}

void TkxSampleTank::changeEvent(QEvent *event)
{
    // System colours come from the palette, the gradient's ends among them.
    if (event->type() == QEvent::PaletteChange) {
        FGradientValid = false;
        update();
    }
    QWidget::changeEvent(event);
}

void TkxSampleTank::BuildGradient()
{
    if (FGradientCache.size() != size())
        FGradientCache = QImage(size(), QImage::Format_RGB32);
    FGradientValid = true;
    if (FGradientCache.isNull())
        return;
    const QPalette &colors = palette();
    const GradientLayout layout = LayoutFor(FGradientType, ToRgb(ResolveColor(FColor, colors)),
                                            ToRgb(ResolveColor(FGradientColor, colors)));
    const int extent = layout.across ? width() : height();
    PaintGradient(FGradientCache, layout, BandCount(FGradientNbOfColors, extent));
}

void TkxSampleTank::Compose()
{
    if (width() <= 0 || height() <= 0) {
        FComposition = QImage();
        return;
    }
    if (FComposition.size() != size())
        FComposition = QImage(size(), QImage::Format_RGB32);
    ComposeGround();
    ComposeCurve();
    ComposeOverlays();
}

// The background (a plain colour or the cached gradient) and the axes.
void TkxSampleTank::ComposeGround()
{
    QImage &image = FComposition;
    const QPalette &colors = palette();
    const int w1 = width() - 1;
    const int h1 = height() - 1;
    if (!FGradientEnabled) {
        image.fill(ResolveColor(FColor, colors));
    } else {
        // A resized control gets a gradient of its new size rather than a cut or short one.
        if (!FGradientValid || FGradientCache.size() != size())
            BuildGradient();
        std::memcpy(image.bits(), FGradientCache.constBits(), image.sizeInBytes());
    }
    if (FAxesEnabled) {
        DottedLine({w1 / 2, 0}, {w1 / 2, h1}, FAxesColor);
        DottedLine({0, h1 / 2}, {w1, h1 / 2}, FAxesColor);
    }
    if (FAxes2Enabled) {
        for (int k = 1; k <= 3; ++k)
            if (k != 2 || !FAxesEnabled)
                DottedLine({0, k * h1 / 4}, {w1, k * h1 / 4}, FAxes2Color);
    }
}

void TkxSampleTank::DottedLine(QPoint from, QPoint to, quint32 color)
{
    LinePen pen{ResolveColor(color, palette()), true};
    DrawLine(FComposition, from, to, pen);
}

// The values as a line or as spectrum bars, and their markers.
void TkxSampleTank::ComposeCurve()
{
    const int w = width();
    const int h = height();
    for (int i = 0; i < FMax; ++i)
        FPoints[i] = {PlotX(i, w, FMax), PlotY(FValues[i], h)};
    const std::span<const QPoint> points(FPoints.data(), static_cast<std::size_t>(FMax));

    if (!FSpectrumMode) {
        DrawPolyline(FComposition, points, LinePen{ResolveColor(FLineColor, palette()), true});
    } else {
        const int base = FSpectrumCenter ? (h - 1) / 2 : h - 1;
        for (const QPoint &point : points)
            DottedLine(point, {point.x(), base}, FLineColor);
    }

    if (FMarkerSize > 0) {
        // A marker wider than the picture has its outline off the picture either way; the
        // bound only keeps the corners from overflowing.
        const int m = std::min(FMarkerSize, w + h);
        const QRgb marker = ResolveColor(FMarkerColor, palette());
        for (const QPoint &p : points)
            FrameRect(FComposition, p.x() - m, p.y() - m, p.x() + m, p.y() + m, marker);
    }
}

// The locator line and the selection, over everything else.
void TkxSampleTank::ComposeOverlays()
{
    const int w = width();
    const int h1 = height() - 1;
    if (FLocatorEnabled) {
        // Beyond the picture's height the line covers the whole column either way.
        const int inset = std::clamp(FLocatorSize, -h1 - 2, h1 + 2);
        const int x = PlotX(FLocatorPos, w, FMax);
        LinePen pen{ResolveColor(FLocatorColor, palette()), false};
        DrawLine(FComposition, {x, inset}, {x, h1 - inset}, pen);
    }

    if (FSelectionLen > 0) {
        const int left = PlotX(FSelectionPos, w, FMax);
        const int right = PlotX(std::int64_t{FSelectionPos} + FSelectionLen, w, FMax);
        if (FSelectionStyle == 1)
            XorRect(FComposition, left, 0, right, h1, ResolveColor(FSelectionColor, palette()));
        else
            InvertRect(FComposition, left, 0, right, h1);
    }
}

void TkxSampleTank::paintEvent(QPaintEvent *)
{
    Compose();
    if (FComposition.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(0, 0, FComposition);
}
