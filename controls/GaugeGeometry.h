#pragma once
// The progress gauge's arithmetic, kept apart from the widget so that it can be checked
// directly: the percentage, the paint rectangle, the filled part of each body and the place
// of the percentage text. Pixel conventions: rectangles are (left, top, right, bottom) with
// right and bottom exclusive, y grows downwards, all in the gauge's own image coordinates.
#include <cstdint>
#include <string>

enum TCGaugeKind { gkText, gkHorizontalBar, gkVerticalBar, gkPie, gkNeedle };

// Only bsSingle changes the drawing (a 1-pixel black frame); the other values exist so that a
// form can carry any window-border style over unchanged.
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };

struct GaugeRect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool IsEmpty() const { return right <= left || bottom <= top; }
    friend bool operator==(const GaugeRect &, const GaugeRect &) = default;
};

struct GaugePoint
{
    int x = 0;
    int y = 0;
    friend bool operator==(const GaugePoint &, const GaugePoint &) = default;
};

// A wedge of the ellipse inscribed in `ellipse`, from `startDegrees` running counterclockwise
// (as seen on the screen) through `spanDegrees`. The angles are those of the circle the
// ellipse is stretched from (0 = three o'clock, 90 = twelve o'clock), which is how painters
// such as QPainter::drawPie take them; a span of 360 is the whole ellipse.
struct GaugeWedge
{
    GaugeRect ellipse;
    double startDegrees = 0;
    double spanDegrees = 0;
};

// A 1-pixel line that covers `from` but not `to`.
struct GaugeLine
{
    GaugePoint from;
    GaugePoint to;
};

struct GaugePieShape
{
    GaugeRect surround; // filled with the control colour
    GaugeRect dial;     // the ellipse, outlined in the fore colour, filled with the back colour
    bool hasWedge = false;
    GaugeWedge wedge; // outlined and filled in the fore colour
};

struct GaugeNeedleShape
{
    GaugeRect surround; // filled with the control colour
    GaugeWedge face;    // the half-disc, outlined in the fore colour, filled with the back colour
    GaugeLine base;     // the line under the half-disc, in the fore colour
    bool hasNeedle = false;
    GaugeLine needle; // in the fore colour
};

// ⌊100 × (progress − min) / (max − min)⌋, 0 for an empty range. Differences are taken in 64
// bits so that ranges spanning most of the 32-bit values do not overflow.
int GaugePercentDone(std::int32_t minValue, std::int32_t maxValue, std::int32_t progress);

// The client rectangle, shrunk by one pixel on every side for bsSingle.
GaugeRect GaugePaintRect(int width, int height, TFormBorderStyle border);

// The part filled in the fore colour; empty when nothing is filled. The bars' right and bottom
// edges are absolute coordinates derived from the rectangle's size, not offsets from its
// origin, so with a frame the horizontal bar at 100 % ends exactly on R's right edge.
GaugeRect GaugeHorizontalBar(const GaugeRect &r, int percent);
GaugeRect GaugeVerticalBar(const GaugeRect &r, int percent);

GaugePieShape GaugePie(const GaugeRect &r, TFormBorderStyle border, int percent);
GaugeNeedleShape GaugeNeedle(const GaugeRect &r, TFormBorderStyle border, int controlWidth,
                             int percent);

// The wedge of the ellipse inscribed in `ellipse` that starts on the radius from the
// ellipse's centre toward `start` and runs counterclockwise to the radius toward `end`; equal
// directions give the whole ellipse.
GaugeWedge GaugeWedgeBetween(const GaugeRect &ellipse, GaugePoint start, GaugePoint end);

// Top-left corner of the percentage text, centred on the paint rectangle's size but measured
// from the image origin.
GaugePoint GaugeTextOrigin(const GaugeRect &r, int textWidth, int textHeight);

// "94%".
std::string GaugePercentText(int percent);

// "La valeur doit être comprise entre LOW et HIGH" (UTF-8). The bounds are 64-bit because the
// refused writes report MaxValue − 1 and MinValue + 1, which can leave the 32-bit range.
std::string GaugeRangeErrorText(std::int64_t low, std::int64_t high);
