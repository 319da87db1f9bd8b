#pragma once
// The integer geometry of the sample tank graph, apart from the widget: where each value is
// plotted, which index a pointer column stands for, how a right-button edit maps a pointer row to
// a value, and how the gradient background splits into colour bands. Everything is 32-bit signed
// arithmetic with division truncating toward zero, so that the picture and the pointer mapping
// land on the same pixels everywhere; the few places that take an index from outside the plot
// compute in 64 bits and saturate instead of overflowing.
#include <cstdint>
#include <vector>

// The layout of the gradient background. Unscoped and at namespace level so that form code can
// name the values bare, as the property editor of the control did.
enum tGradientTypex {
    grxLeftToRight,
    grxRightToLeft,
    grxTopToBottom,
    grxBottomToTop,
    grxHorizCenterToBorder,
    grxHorizBorderToCenter,
    grxVertCenterToBorder,
    grxVertBorderToCenter,
};

namespace sampletank {

// The number of values the control holds, whatever Max shows.
inline constexpr int ValueCount = 256;

// a * b / d rounded to the nearest integer, halves away from zero, with a 64-bit product so
// that nothing overflows on the way. A zero divisor gives -1, as the platform routine does.
int MulDiv(int a, int b, int d);

// Column of index i on a control `width` pixels wide showing `max` (1..256) values. Any index
// is accepted: one far outside the plot lands off the picture instead of overflowing.
int PlotX(std::int64_t index, int width, int max);

// Row of a value 0..255 on a control `height` pixels high: 0 on the bottom row, 255 in row 1.
int PlotY(int value, int height);

// Pointer columns to indexes; both need width > 2. The sweep index starts a selection under
// the pointer; the drag index places the locator or picks the value being edited. Neither is
// brought into range here.
int SweepIndex(int x, int width, int max);
int DragIndex(int x, int width, int max);

// Whether a left press at column x grabs the locator standing at locatorPos.
bool LocatorGrabbed(int x, int width, int max, int locatorPos);

// The value after a right-button edit with the pointer at row y, for a value now plotted at
// plottedY on a control height > 2 pixels high: the value moves to the pointer's height. It
// stops at 0 and 255 when the pointer leaves the plot, rather than wrapping round.
int EditedValue(int value, int plottedY, int y, int height);

// A colour as three 8-bit channels, for the band arithmetic.
struct Rgb
{
    int r = 0;
    int g = 0;
    int b = 0;
    friend bool operator==(const Rgb &, const Rgb &) = default;
};

// One band of the gradient: the pixels [from, to) along the gradient's direction, full extent
// across it, in one colour.
struct GradientBand
{
    int from = 0;
    int to = 0;
    Rgb color;
    friend bool operator==(const GradientBand &, const GradientBand &) = default;
};

// Which end colours a gradient type uses and how it lies. `a` is the colour at the first
// edge (left or top); `across` bands are columns, otherwise rows; a `centred` gradient runs
// a -> b -> a with b on the centre line, the others run a -> b through their mid colour.
struct GradientLayout
{
    Rgb a;
    Rgb b;
    bool across = false;
    bool centred = false;
};
GradientLayout LayoutFor(tGradientTypex type, Rgb color, Rgb gradientColor);

// The number of bands to build: nbOfColors, or for 0 one per pixel along the direction,
// kept within 2..256.
int BandCount(int nbOfColors, int extent);

// The bands of a gradient `extent` pixels long in `bandCount` (>= 2) bands. Each half steps
// from its start colour toward its end colour by equal steps, so its last band stops one step
// short of the end colour.
std::vector<GradientBand> GradientBands(const GradientLayout &layout, int extent, int bandCount);

} // namespace sampletank
