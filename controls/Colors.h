#pragma once
// Colours as the controls' properties carry them: 0x00BBGGRR (red in the low byte), or, with
// the top bit set (0x80000000 + n), the platform's system colour number n, which resolves
// through the widget's palette (5 window, 15 button face, ...).
#include <QColor>
#include <cstdint>

class QPalette;

// An opaque colour for the value; an unknown system colour number gives black.
QColor ResolveColor(std::uint32_t color, const QPalette &palette);
