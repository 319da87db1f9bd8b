#pragma once
// The drawing operations of the sample tank graph on its Format_RGB32 composition image. They
// follow the canvas rules the graph's geometry is laid out in: a line covers its start point
// and stops before its end point, and a rectangle (left, top, right, bottom) leaves out its
// right column and bottom row. Pixels are written directly, so the picture is the same on
// every platform and style; everything clips to the image.
#include "controls/SampleTankGeometry.h"

#include <QImage>
#include <QPoint>
#include <QRgb>
#include <span>

class QPalette;

namespace sampletank {

// A colour in the 0x00BBGGRR layout (red in the low byte) as an opaque pixel. A value with the
// top bit set names system colour n (its low byte), taken from the palette: 5 window -> Base,
// 8 window text -> Text, 13/14 highlight (text) -> Highlight(edText), 15 button face ->
// Button, 16 button shadow -> Dark, 17 grey text -> disabled Text, 18 button text ->
// ButtonText, 20 button highlight -> Light, 24/23 info background/text -> ToolTipBase/Text and
// so on (see the table in the .cpp); an unknown n is black.
QRgb ResolveColor(quint32 color, const QPalette &palette);
Rgb ToRgb(QRgb pixel);

// A 1-pixel pen. A dotted pen draws 3 pixels on and 3 off; its pattern starts afresh for each
// line drawn on its own and runs on along a connected line.
struct LinePen
{
    QRgb color = 0;
    bool dotted = false;
    int phase = 0;
};

void DrawLine(QImage &image, QPoint from, QPoint to, LinePen &pen);
void DrawPolyline(QImage &image, std::span<const QPoint> points, LinePen pen);

void FillRect(QImage &image, int left, int top, int right, int bottom, QRgb color);
// The 1-pixel outline of the rectangle, in its own columns left..right-1 and rows top..bottom-1.
void FrameRect(QImage &image, int left, int top, int right, int bottom, QRgb color);

// Each pixel of the rectangle becomes its inverse (every channel v -> 255 - v), or its
// exclusive-or with `color`.
void InvertRect(QImage &image, int left, int top, int right, int bottom);
void XorRect(QImage &image, int left, int top, int right, int bottom, QRgb color);

// Fills the whole image with the gradient's bands.
void PaintGradient(QImage &image, const GradientLayout &layout, int bandCount);

} // namespace sampletank
