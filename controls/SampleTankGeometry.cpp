#include "controls/SampleTankGeometry.h"

#include <algorithm>
#include <limits>

namespace sampletank {

namespace {

int Saturate(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

// The start colour moved k of `steps` equal steps toward the end colour, channel by channel.
Rgb Step(const Rgb &start, const Rgb &end, int k, int steps)
{
    return {start.r + MulDiv(k, end.r - start.r, steps),
            start.g + MulDiv(k, end.g - start.g, steps),
            start.b + MulDiv(k, end.b - start.b, steps)};
}

// One half of the gradient: `count` bands over [offset, offset + length).
void AppendHalf(std::vector<GradientBand> &bands, int offset, int length, int count,
                const Rgb &start, const Rgb &end)
{
    for (int k = 0; k < count; ++k)
        bands.push_back({offset + MulDiv(k, length, count), offset + MulDiv(k + 1, length, count),
                         Step(start, end, k, count)});
}

} // namespace

int MulDiv(int a, int b, int d)
{
    if (d == 0)
        return -1;
    const std::int64_t product = std::int64_t{a} * b;
    std::int64_t quotient = product / d;
    const std::int64_t remainder = product % d;
    // Round the magnitude: a remainder of at least half the divisor moves one step away from 0.
    if (2 * (remainder < 0 ? -remainder : remainder) >= (d < 0 ? -std::int64_t{d} : d))
        quotient += ((product < 0) != (d < 0)) ? -1 : 1;
    return Saturate(quotient);
}

int PlotX(std::int64_t index, int width, int max)
{
    const std::int64_t w1 = width - 1;
    return Saturate(index * w1 / (max + 2) + w1 / max + 2);
}

int PlotY(int value, int height)
{
    const int h1 = height - 1;
    return h1 - value * h1 / 256;
}

int SweepIndex(int x, int width, int max)
{
    const int w2 = width - 2;
    return Saturate((std::int64_t{x} - (w2 / max + 2)) * (max + 2) / w2);
}

int DragIndex(int x, int width, int max)
{
    return Saturate((std::int64_t{x} - 2) * (max + 2) / (width - 2));
}

bool LocatorGrabbed(int x, int width, int max, int locatorPos)
{
    const std::int64_t at = std::int64_t{max} * x / (width - 2);
    return std::int64_t{locatorPos} - 5 < at && at < std::int64_t{locatorPos} + 5;
}

int EditedValue(int value, int plottedY, int y, int height)
{
    const std::int64_t rise = (std::int64_t{plottedY} - y) * 256 / (height - 2);
    return static_cast<int>(std::clamp<std::int64_t>(value + rise, 0, 255));
}

GradientLayout LayoutFor(tGradientTypex type, Rgb color, Rgb gradientColor)
{
    // Per type: whether the gradient colour is band a, then across and centred.
    struct Shape
    {
        bool gradientFirst, across, centred;
    };
    // clang-format off
    static constexpr Shape Shapes[] = {
        {true,  true,  false}, // grxLeftToRight
        {false, true,  false}, // grxRightToLeft
        {true,  false, false}, // grxTopToBottom
        {false, false, false}, // grxBottomToTop
        {false, true,  true},  // grxHorizCenterToBorder
        {true,  true,  true},  // grxHorizBorderToCenter
        {false, false, true},  // grxVertCenterToBorder
        {true,  false, true},  // grxVertBorderToCenter
    };
    // clang-format on
    // A value beyond the enumeration is drawn centred from the middle, top to bottom.
    const int index = type >= grxLeftToRight && type <= grxVertBorderToCenter ? type : 6;
    const Shape &shape = Shapes[index];
    return {shape.gradientFirst ? gradientColor : color,
            shape.gradientFirst ? color : gradientColor, shape.across, shape.centred};
}

int BandCount(int nbOfColors, int extent)
{
    return nbOfColors != 0 ? nbOfColors : std::clamp(extent, 2, 256);
}

std::vector<GradientBand> GradientBands(const GradientLayout &layout, int extent, int bandCount)
{
    const int first = bandCount / 2;
    const int second = bandCount - first;
    const int firstLength = extent / 2;
    const int secondLength = extent - firstLength;

    Rgb firstEnd = layout.b;
    Rgb secondStart = layout.b;
    Rgb secondEnd = layout.a;
    if (!layout.centred) {
        const Rgb &a = layout.a;
        const Rgb &b = layout.b;
        firstEnd = {a.r + (b.r - a.r) / 2, a.g + (b.g - a.g) / 2, a.b + (b.b - a.b) / 2};
        secondStart = firstEnd;
        secondEnd = b;
    }

    std::vector<GradientBand> bands;
    bands.reserve(static_cast<std::size_t>(std::max(bandCount, 0)));
    AppendHalf(bands, 0, firstLength, first, layout.a, firstEnd);
    AppendHalf(bands, firstLength, secondLength, second, secondStart, secondEnd);
    return bands;
}

} // namespace sampletank
