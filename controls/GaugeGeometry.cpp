#include "controls/GaugeGeometry.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;

int Floor(double v)
{
    return static_cast<int>(std::floor(v));
}

double ToDegrees(double radians)
{
    return radians * 180.0 / kPi;
}

} // namespace

int GaugePercentDone(std::int32_t minValue, std::int32_t maxValue, std::int32_t progress)
{
    const std::int64_t range = std::int64_t{maxValue} - minValue;
    if (range == 0)
        return 0;
    // Both differences are exact in a double; one rounded division cannot cross an integer
    // that the true quotient does not reach, so this is exact floor division.
    const double done = 100.0 * static_cast<double>(std::int64_t{progress} - minValue);
    return Floor(done / static_cast<double>(range));
}

GaugeRect GaugePaintRect(int width, int height, TFormBorderStyle border)
{
    GaugeRect r{0, 0, width, height};
    if (border == bsSingle)
        r = {1, 1, width - 1, height - 1};
    return r;
}

GaugeRect GaugeHorizontalBar(const GaugeRect &r, int percent)
{
    const int w = r.right - r.left + 1;
    const int h = r.bottom - r.top + 1;
    // Integer arithmetic: the floating form percent × 0.01 × w loses a pixel for some sizes
    // (29 % of 100 pixels gives 28) because 0.01 has no exact binary value.
    int length = percent * w / 100;
    if (length > w)
        length = w;
    if (length <= 0)
        return {};
    return {r.left, r.top, length, h};
}

GaugeRect GaugeVerticalBar(const GaugeRect &r, int percent)
{
    const int w = r.right - r.left + 1;
    const int h = r.bottom - r.top + 1;
    int length = percent * h / 100;
    // The bar stops one row short of the image's top, which with a frame is R's top edge.
    if (length >= h)
        length = h - 1;
    if (length <= 0)
        return {};
    return {r.left, h - length, w, h};
}

GaugeWedge GaugeWedgeBetween(const GaugeRect &ellipse, GaugePoint start, GaugePoint end)
{
    const double cx = (ellipse.left + ellipse.right) / 2.0;
    const double cy = (ellipse.top + ellipse.bottom) / 2.0;
    const double a = (ellipse.right - ellipse.left) / 2.0;
    const double b = (ellipse.bottom - ellipse.top) / 2.0;
    // The radius toward a point meets the ellipse at the parametric angle t with
    // tan t = (a / b) · tan θ, θ being the radius's own angle on the screen (y up).
    auto parametric = [&](GaugePoint p) {
        const double dx = p.x - cx;
        const double dy = cy - p.y;
        return ToDegrees(std::atan2(a * dy, b * dx));
    };
    const double from = parametric(start);
    double span = std::fmod(parametric(end) - from, 360.0);
    if (span <= 0)
        span += 360.0;
    return {ellipse, from, span};
}

GaugePieShape GaugePie(const GaugeRect &r, TFormBorderStyle border, int percent)
{
    const int extra = border == bsSingle ? 1 : 0;
    const int w = r.right - r.left + extra;
    const int h = r.bottom - r.top + extra;
    GaugePieShape shape;
    shape.surround = r;
    shape.dial = {r.left, r.top, w, h};
    if (percent >= 1) {
        const int halfW = w / 2;
        const int halfH = h / 2;
        // 0 % points at twelve o'clock; the wedge grows clockwise, a full turn at 100 %.
        const double angle = kPi * (percent * 0.02 + 0.5);
        const GaugePoint tip{Floor((1 - std::cos(angle)) * halfW),
                             Floor((1 - std::sin(angle)) * halfH)};
        shape.hasWedge = true;
        shape.wedge = GaugeWedgeBetween(shape.dial, tip, {halfW, 0});
    }
    return shape;
}

GaugeNeedleShape GaugeNeedle(const GaugeRect &r, TFormBorderStyle border, int controlWidth,
                             int percent)
{
    const int extra = border == bsSingle ? 1 : 0;
    const int w = r.right - r.left + extra;
    const int h = r.bottom - r.top + extra;
    GaugeNeedleShape shape;
    shape.surround = r;
    // The upper half of an ellipse twice as tall as R: a half-disc standing on row bottom − 1.
    const GaugeRect ellipse{r.left, r.top, w, 2 * h - 1};
    shape.face = GaugeWedgeBetween(ellipse, {r.left + w, r.bottom - 1}, {r.left, r.bottom - 1});
    shape.base = {{r.left, r.bottom}, {r.left + w, r.bottom}};
    if (percent >= 1) {
        const int halfW = controlWidth / 2;
        // The needle sweeps from nine o'clock (0 %) over twelve (50 %) to three (100 %).
        const double angle = kPi * percent * 0.01;
        shape.hasNeedle = true;
        shape.needle = {
            {halfW, r.bottom - 1},
            {Floor((1 - std::cos(angle)) * halfW), Floor((1 - std::sin(angle)) * (r.bottom - 1))}};
    }
    return shape;
}

GaugePoint GaugeTextOrigin(const GaugeRect &r, int textWidth, int textHeight)
{
    return {(r.right - r.left + 1 - textWidth) / 2, (r.bottom - r.top + 1 - textHeight) / 2};
}

std::string GaugePercentText(int percent)
{
    return std::to_string(percent) + "%";
}

std::string GaugeRangeErrorText(std::int64_t low, std::int64_t high)
{
    // \xC3\xAA is "ê" in UTF-8, spelled out so that no compiler's source charset matters.
    return "La valeur doit \xC3\xAAtre comprise entre " + std::to_string(low) + " et " +
           std::to_string(high);
}
