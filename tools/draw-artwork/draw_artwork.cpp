// draw_artwork: redraws every picture of the editor from the sources in art/ and writes the
// PNGs that the torvane_resources library compiles in.
//
//   draw_artwork RESOURCES_DIR [--contact-sheet FILE]
//
// writes RESOURCES_DIR/glyphs/<name>.png, RESOURCES_DIR/about.png,
// RESOURCES_DIR/icons/torvane-<size>.png and the scalable icon RESOURCES_DIR/icons/torvane.svg
// (the same emblem as vector paths, for the desktop's icon theme); the contact sheet shows the
// glyphs eight times enlarged, as stored and as a speed button shows them, and the About picture
// with the title that the About page writes over it.
#include "art/GlyphArt.h"
#include "art/LogoArt.h"
#include "resources/Artwork.h"

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QSvgGenerator>
#include <cstdio>

namespace {

bool Save(const QImage &image, const QString &path)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()) || !image.save(path, "PNG")) {
        std::fprintf(stderr, "draw_artwork: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s (%d x %d)\n", qPrintable(path), image.width(), image.height());
    return true;
}

bool SaveAppIconSvg(const QString &path)
{
    // Drawn on the largest icon's grid, so the SVG and that PNG show the same emblem.
    const int size = kAppIconSizes.back();
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(QSize(size, size));
    svg.setViewBox(QRect(0, 0, size, size));
    svg.setTitle(QStringLiteral("Torvane"));
    QPainter painter;
    if (!painter.begin(&svg)) {
        std::fprintf(stderr, "draw_artwork: cannot write %s\n", qPrintable(path));
        return false;
    }
    art::PaintAppIcon(painter, size);
    painter.end();
    std::printf("%s (scalable, drawn at %d x %d)\n", qPrintable(path), size, size);
    return true;
}

QImage ContactSheet(const QVector<art::GlyphStrip> &strips, const QImage &about)
{
    constexpr int scale = 8, gap = 16;
    const QColor face(240, 240, 240);
    int glyphsHeight = gap;
    for (const art::GlyphStrip &g : strips)
        glyphsHeight += g.strip.height() * scale + gap;
    const int width = 2 * (72 * scale) + 3 * gap;
    QImage sheet(width, glyphsHeight + about.height() + 2 * gap, QImage::Format_RGB32);
    sheet.fill(QColor(90, 90, 90));
    QPainter painter(&sheet);
    int y = gap;
    for (const art::GlyphStrip &g : strips) {
        const QSize big = g.strip.size() * scale;
        painter.drawImage(QRect(QPoint(gap, y), big), g.strip);
        const int left = 2 * gap + 72 * scale;
        painter.fillRect(QRect(QPoint(left, y), big), face);
        const int cell = g.strip.height();
        for (int s = 0; s < kGlyphStateCount; ++s) {
            const QImage state = GlyphStateImage(g.strip, static_cast<GlyphState>(s));
            painter.drawImage(QRect(left + s * cell * scale, y, cell * scale, cell * scale), state);
        }
        y += big.height() + gap;
    }
    painter.drawImage(gap, y, about);
    QFont title(QStringLiteral("DejaVu Sans"));
    title.setBold(true);
    title.setPointSize(36);
    painter.setFont(title);
    painter.setPen(Qt::black);
    painter.drawText(QRect(gap + 51, y + 175, 410, 67),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip,
                     QStringLiteral("Torvane Interface"));
    int x = 2 * gap + about.width();
    for (int size : kAppIconSizes) {
        painter.drawImage(x, y, art::DrawAppIcon(size));
        x += size + gap;
    }
    painter.end();
    return sheet;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen"); // drawing needs fonts, not a display
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2 && !(args.size() == 4 && args[2] == QLatin1String("--contact-sheet"))) {
        std::fprintf(stderr, "usage: draw_artwork RESOURCES_DIR [--contact-sheet FILE]\n");
        return 2;
    }
    const QDir out(args[1]);
    bool ok = true;
    const QVector<art::GlyphStrip> strips = art::DrawGlyphStrips();
    for (const art::GlyphStrip &g : strips)
        ok = Save(g.strip, out.filePath(QStringLiteral("glyphs/%1.png").arg(g.name))) && ok;
    const QImage about = art::DrawAboutPicture();
    ok = Save(about, out.filePath(QStringLiteral("about.png"))) && ok;
    for (int size : kAppIconSizes)
        ok = Save(art::DrawAppIcon(size),
                  out.filePath(QStringLiteral("icons/torvane-%1.png").arg(size))) &&
             ok;
    ok = SaveAppIconSvg(out.filePath(QStringLiteral("icons/torvane.svg"))) && ok;
    if (args.size() == 4)
        ok = Save(ContactSheet(strips, about), args[3]) && ok;
    return ok ? 0 : 1;
}
