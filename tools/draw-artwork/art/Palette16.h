#pragma once
// The classic sixteen-colour palette of the glyph strips, and the one-letter names the pixel
// maps in GlyphArt.cpp use for its colours. Fuchsia is the strips' key colour: a speed button
// draws the colour of a strip's bottom-left pixel transparent, so no motif may use it.
#include <QRgb>
#include <QVector>

namespace art {

inline constexpr QRgb kKey = qRgb(255, 0, 255); // fuchsia, the transparent background

// The palette in the order of the old VGA table; the key colour is among the sixteen.
inline QVector<QRgb> Palette16()
{
    return {qRgb(0, 0, 0),       qRgb(128, 0, 0),
            qRgb(0, 128, 0),     qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128),
            qRgb(0, 128, 128),   qRgb(192, 192, 192),
            qRgb(128, 128, 128), qRgb(255, 0, 0),
            qRgb(0, 255, 0),     qRgb(255, 255, 0),
            qRgb(0, 0, 255),     kKey,
            qRgb(0, 255, 255),   qRgb(255, 255, 255)};
}

// Letters of the pixel maps: lower case for the dark half of the palette, upper case for the
// bright half; '.' is the key colour. Returns false for a letter that names no colour.
inline bool ColourOfLetter(char letter, QRgb *colour)
{
    switch (letter) {
    case '.':
        *colour = kKey;
        return true;
    case 'k':
        *colour = qRgb(0, 0, 0);
        return true; // black
    case 'r':
        *colour = qRgb(128, 0, 0);
        return true; // maroon
    case 'g':
        *colour = qRgb(0, 128, 0);
        return true; // green
    case 'o':
        *colour = qRgb(128, 128, 0);
        return true; // olive
    case 'n':
        *colour = qRgb(0, 0, 128);
        return true; // navy
    case 'p':
        *colour = qRgb(128, 0, 128);
        return true; // purple
    case 't':
        *colour = qRgb(0, 128, 128);
        return true; // teal
    case 's':
        *colour = qRgb(192, 192, 192);
        return true; // silver
    case 'd':
        *colour = qRgb(128, 128, 128);
        return true; // grey
    case 'R':
        *colour = qRgb(255, 0, 0);
        return true; // red
    case 'G':
        *colour = qRgb(0, 255, 0);
        return true; // lime
    case 'Y':
        *colour = qRgb(255, 255, 0);
        return true; // yellow
    case 'B':
        *colour = qRgb(0, 0, 255);
        return true; // blue
    case 'C':
        *colour = qRgb(0, 255, 255);
        return true; // aqua
    case 'W':
        *colour = qRgb(255, 255, 255);
        return true; // white
    default:
        return false;
    }
}

} // namespace art
