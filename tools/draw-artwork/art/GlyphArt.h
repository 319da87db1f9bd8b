#pragma once
// The speed-button glyph strips, drawn pixel by pixel in the sixteen-colour palette.
#include <QImage>
#include <QString>
#include <QVector>

namespace art {

struct GlyphStrip
{
    QString name; // as in Artwork.h: the file is glyphs/<name>.png
    QImage strip; // four images side by side, Format_Indexed8 with the sixteen colours
};

QVector<GlyphStrip> DrawGlyphStrips();

// The disabled look of a glyph: every dark pixel becomes grey over a white copy shifted one
// pixel down and right, light pixels vanish into the key colour (the old embossed style).
QImage EmbossedImage(const QImage &glyph);

} // namespace art
