#include "controls/Colors.h"

#include <QPalette>
#include <array>
#include <cstddef>

namespace {

// The platform's system colour numbers mapped onto the palette roles that play the same part
// in a Qt style. Number 25 is unused by every platform that numbers its colours this way.
struct SystemColor
{
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

constexpr auto Active = QPalette::Active;
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

} // namespace

QColor ResolveColor(std::uint32_t color, const QPalette &palette)
{
    if (color & 0x80000000u) {
        const std::size_t n = color & 0xFFu;
        if (n >= SystemColors.size() || SystemColors[n].role == QPalette::NoRole)
            return QColor(Qt::black);
        const QColor c = palette.color(SystemColors[n].group, SystemColors[n].role);
        return QColor(c.red(), c.green(), c.blue());
    }
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}
