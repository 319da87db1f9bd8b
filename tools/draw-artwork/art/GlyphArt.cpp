// Each motif is either a letter map (one letter per pixel, letters from Palette16.h) or a few
// lines of pixel code for the geometric ones. QPainter is used without antialiasing, so every
// pixel is one of the sixteen colours and the strips stay crisp at their real size.
#include "GlyphArt.h"
#include "Palette16.h"
#include "resources/Artwork.h"

#include <QPainter>
#include <QPolygon>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <initializer_list>

namespace art {
namespace {

using Map = std::initializer_list<const char *>;

// A map row of the wrong length or an unknown letter is a drawing mistake: stop loudly
// rather than write a broken strip.
[[noreturn]] void MapError(const char *what, const char *row)
{
    std::fprintf(stderr, "draw_artwork: %s in map row \"%s\"\n", what, row);
    std::exit(2);
}

QImage Blank(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(kKey);
    return image;
}

// Paints a letter map over `image`; with `overlay` set, '.' keeps what is there.
void PaintMap(QImage &image, Map rows, bool overlay = false)
{
    if (static_cast<int>(rows.size()) != image.height())
        MapError("wrong number of rows", *rows.begin());
    int y = 0;
    for (const char *row : rows) {
        if (static_cast<int>(std::strlen(row)) != image.width())
            MapError("wrong length", row);
        for (int x = 0; x < image.width(); ++x) {
            QRgb colour;
            if (!ColourOfLetter(row[x], &colour))
                MapError("unknown letter", row);
            if (!(overlay && row[x] == '.'))
                image.setPixel(x, y, colour);
        }
        ++y;
    }
}

QRgb Letter(char letter)
{
    QRgb colour = kKey;
    ColourOfLetter(letter, &colour);
    return colour;
}

// Fills the pixels for which `inside` holds: those next to an outside pixel (four-neighbour)
// in `edge`, the rest by `fill(x, y)`.
void PaintShape(QImage &image, const std::function<bool(int, int)> &inside, char edge,
                const std::function<char(int, int)> &fill)
{
    auto in = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < image.width() && y < image.height() && inside(x, y);
    };
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (!in(x, y))
                continue;
            const bool border = !in(x - 1, y) || !in(x + 1, y) || !in(x, y - 1) || !in(x, y + 1);
            image.setPixel(x, y, Letter(border ? edge : fill(x, y)));
        }
    }
}

// ---- Load Parameters File: a folder, closed; pressed, opened.

QImage FolderClosed()
{
    QImage image = Blank(16);
    PaintMap(image, {"................", //
                     "................", //
                     "................", //
                     "..kkkkk.........", //
                     ".kWYYYYk........", //
                     ".kYYYYYYkkkkkk..", //
                     ".kWWWWWWWWWWWok.", //
                     ".kWYYYYYYYYYYok.", //
                     ".kWYYYYYYYYYYok.", //
                     ".kWYYYYYYYYYYok.", //
                     ".kWYYYYYYYYYYok.", //
                     ".kWYYYYYYYYYYok.", //
                     ".kWYYYYYYYYYYok.", //
                     ".kooooooooooook.", //
                     "..kkkkkkkkkkkk..", //
                     "................"});
    return image;
}

QImage FolderOpen()
{
    // The front flap leans forward, showing the dark inside of the back.
    QImage image = Blank(16);
    PaintMap(image, {"................", //
                     "................", //
                     "................", //
                     "..kkkkk.........", //
                     ".kWYYYYk........", //
                     ".kYYYYYYkkkkkk..", //
                     ".kYoooooooooook.", //
                     ".kYokkkkkkkkkkkk", //
                     ".kYokWWWWWWWWWWk", //
                     ".kYkYYYYYYYYYYk.", //
                     ".kYkYYYYYYYYYok.", //
                     ".kkYYYYYYYYYok..", //
                     ".kkYYYYYYYYYok..", //
                     ".kkkkkkkkkkkk...", //
                     "................", //
                     "................"});
    return image;
}

// ---- Save Parameters File: a floppy disk.

QImage Floppy()
{
    QImage image = Blank(16);
    PaintMap(image, {"................", //
                     ".kkkkkkkkkkkkk..", //
                     ".kBWWWWWWWWWWnk.", //
                     ".kBWddddddddWnk.", //
                     ".kBWWWWWWWWWWnk.", //
                     ".kBWddddddddWnk.", //
                     ".kBWWWWWWWWWWnk.", //
                     ".kBnnnnnnnnnnnk.", //
                     ".kBnnnnnnnnnnnk.", //
                     ".kBnnsssssssnnk.", //
                     ".kBnnssnnsssnnk.", //
                     ".kBnnssnnsssnnk.", //
                     ".kBnnssnnsssnnk.", //
                     ".kBnnsssssssnnk.", //
                     "..kkkkkkkkkkkk..", //
                     "................"});
    return image;
}

// ---- Send Parameters to MIDI: a dial over a downward arrow; pressed, over a square wave.

void PaintDial(QImage &image)
{
    // A knob of diameter 9 in the top rows, lit from the top left, pointer at half past one.
    const double cx = 8.0, cy = 4.5, r = 4.5;
    auto inside = [&](int x, int y) {
        const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
        return dx * dx + dy * dy <= r * r;
    };
    auto shade = [&](int x, int y) {
        const double lit = (x + 0.5 - cx) + (y + 0.5 - cy);
        return lit < -3.0 ? 'W' : lit > 3.0 ? 'd' : 's';
    };
    PaintShape(image, inside, 'k', shade);
    for (auto [x, y] : {std::pair{7, 5}, {8, 4}, {9, 3}, {10, 2}})
        image.setPixel(x, y, Letter('k'));
}

QImage SendNormal()
{
    QImage image = Blank(16);
    PaintDial(image);
    // Arrow: a shaft of width 4 in rows 9-10, then a head narrowing to a point at row 15.
    auto inside = [](int x, int y) {
        if (y >= 9 && y <= 10)
            return x >= 6 && x <= 9;
        if (y >= 11 && y <= 15)
            return x >= 3 + (y - 11) && x <= 12 - (y - 11);
        return false;
    };
    PaintShape(image, inside, 'n', [](int, int) { return 'B'; });
    return image;
}

QImage SendPressed()
{
    QImage image = Blank(16);
    PaintDial(image);
    // Two periods of a square wave, two pixels thick, high at rows 11-12, low at rows 14-15.
    auto high = [](int x) { return ((x - 1) / 4) % 2 == 1; };
    for (int x = 1; x <= 14; ++x) {
        const int top = high(x) ? 11 : 14;
        image.setPixel(x, top, Letter('G'));
        image.setPixel(x, top + 1, Letter('g'));
        if (x > 1 && high(x) != high(x - 1)) {
            const int edge = high(x) ? x : x - 1;
            for (int y = 11; y <= 15; ++y)
                image.setPixel(edge, y, Letter(y == 11 || y == 15 ? 'g' : 'G'));
        }
    }
    // The bottom row must stay clear at the left: that pixel holds the key colour.
    image.setPixel(0, 15, kKey);
    return image;
}

// ---- Write to Flash: a memory chip; pressed, the chip struck by a lightning flash.

QImage Chip()
{
    QImage image = Blank(16);
    auto body = [](int x, int y) { return x >= 4 && x <= 11 && y >= 1 && y <= 14; };
    PaintShape(image, body, 'k', [](int x, int y) { return x == 5 || y == 2 ? 'd' : 'k'; });
    image.setPixel(7, 1, Letter('d')); // the notch that marks pin 1's end
    image.setPixel(8, 1, Letter('d'));
    image.setPixel(6, 4, Letter('W')); // the pin-1 dot
    for (int y = 2; y <= 13; y += 2) {
        image.setPixel(2, y, Letter('d'));
        image.setPixel(3, y, Letter('s'));
        image.setPixel(12, y, Letter('s'));
        image.setPixel(13, y, Letter('d'));
    }
    return image;
}

QImage ChipFlashed()
{
    QImage image = Chip();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QColor(Letter('r')));
    painter.setBrush(QColor(Letter('Y')));
    painter.drawPolygon(QPolygon({QPoint(9, 0), QPoint(14, 0), QPoint(10, 5), QPoint(13, 5),
                                  QPoint(5, 14), QPoint(7, 8), QPoint(4, 8)}));
    return image;
}

// ---- MIDI Channel Change: a television set with its antenna, 18 x 18.

QImage Television()
{
    QImage image = Blank(18);
    PaintMap(image, {"..................", //
                     "...k..........k...", //
                     "....k........k....", //
                     ".....k......k.....", //
                     "......k....k......", //
                     ".......kkkk.......", //
                     ".kkkkkkkkkkkkkkkk.", //
                     ".kWWWWWWWWWWWWWWk.", //
                     ".kWkkkkkkkkksssdk.", //
                     ".kWkCCtttttksWkdk.", //
                     ".kWkCttttttkskkdk.", //
                     ".kWktttttttksssdk.", //
                     ".kWktttttttksWkdk.", //
                     ".kWktttttttkskkdk.", //
                     ".kWkkkkkkkkksssdk.", //
                     ".kddddddddddddddk.", //
                     "..kkkkkkkkkkkkkk..", //
                     "..kk..........kk.."});
    return image;
}

// ---- Reset All CC: a red cross.

QImage RedCross()
{
    QImage image = Blank(16);
    for (int y = 2; y <= 13; ++y) {
        for (int x = 2; x <= 13; ++x) {
            const int down = x - y, up = x + y - 15; // distances from the two diagonals
            if (std::abs(down) <= 1 || std::abs(up) <= 1) {
                // Lit from the top left: the lower-right rim of each bar is dark.
                const bool rim = (std::abs(down) <= 1 && down == -1) ||
                                 (std::abs(up) <= 1 && up == 1 && std::abs(down) > 1);
                image.setPixel(x, y, Letter(rim ? 'r' : 'R'));
            }
        }
    }
    return image;
}

// Lays out the four state images; the held-down state shows the pressed motif.
QImage Strip(const QImage &normal, const QImage &pressed)
{
    const int size = normal.width();
    QImage strip(size * kGlyphStateCount, size, QImage::Format_ARGB32);
    strip.fill(kKey);
    QPainter painter(&strip);
    painter.drawImage(size * static_cast<int>(GlyphState::Normal), 0, normal);
    painter.drawImage(size * static_cast<int>(GlyphState::Disabled), 0, EmbossedImage(normal));
    painter.drawImage(size * static_cast<int>(GlyphState::Pressed), 0, pressed);
    painter.drawImage(size * static_cast<int>(GlyphState::Down), 0, pressed);
    painter.end();
    return strip.convertToFormat(QImage::Format_Indexed8, Palette16(), Qt::ThresholdDither);
}

} // namespace

QImage EmbossedImage(const QImage &glyph)
{
    auto dark = [&](int x, int y) {
        const QRgb c = glyph.pixel(x, y);
        return c != kKey && qGray(c) < 160;
    };
    QImage image = Blank(glyph.width());
    for (int y = 0; y < glyph.height(); ++y)
        for (int x = 0; x < glyph.width(); ++x)
            if (dark(x, y) && x + 1 < image.width() && y + 1 < image.height())
                image.setPixel(x + 1, y + 1, Letter('W'));
    for (int y = 0; y < glyph.height(); ++y)
        for (int x = 0; x < glyph.width(); ++x)
            if (dark(x, y))
                image.setPixel(x, y, Letter('d'));
    return image;
}

QVector<GlyphStrip> DrawGlyphStrips()
{
    return {
        {kGlyphLoadParameters, Strip(FolderClosed(), FolderOpen())},
        {kGlyphSaveParameters, Strip(Floppy(), Floppy())},
        {kGlyphSendParameters, Strip(SendNormal(), SendPressed())},
        {kGlyphWriteFlash, Strip(Chip(), ChipFlashed())},
        {kGlyphChannelChange, Strip(Television(), Television())},
        {kGlyphResetCc, Strip(RedCross(), RedCross())},
    };
}

} // namespace art
