#pragma once
// Where the editor's artwork lives in the Qt resource system, and how a speed button cuts a
// glyph strip into its state images. The PNGs are compiled into the torvane_resources library
// (see CMakeLists.txt beside this file); tools/draw-artwork redraws them from source.
#include <QIcon>
#include <QImage>
#include <QString>
#include <array>

// Glyph strip names; the strip of name N is the resource ":/glyphs/N.png".
inline constexpr const char *kGlyphLoadParameters = "load_parameters"; // folder, opens on press
inline constexpr const char *kGlyphSaveParameters = "save_parameters"; // floppy disk
inline constexpr const char *kGlyphSendParameters = "send_parameters"; // dial over arrow / wave
inline constexpr const char *kGlyphWriteFlash = "write_flash";         // chip, flash on press
inline constexpr const char *kGlyphChannelChange = "channel_change";   // television, 18 x 18
inline constexpr const char *kGlyphResetCc = "reset_cc";               // red cross

inline constexpr std::array<const char *, 6> kGlyphNames{kGlyphLoadParameters, kGlyphSaveParameters,
                                                         kGlyphSendParameters, kGlyphWriteFlash,
                                                         kGlyphChannelChange,  kGlyphResetCc};

// Sizes, in pixels, of the square application icons ":/icons/torvane-N.png".
inline constexpr std::array<int, 3> kAppIconSizes{32, 64, 128};

inline QString GlyphPath(const char *name)
{
    return QStringLiteral(":/glyphs/%1.png").arg(QLatin1String(name));
}

// The About page's picture, 500 x 400.
inline QString AboutPicturePath()
{
    return QStringLiteral(":/about.png");
}

inline QString AppIconPath(int size)
{
    return QStringLiteral(":/icons/torvane-%1.png").arg(size);
}

inline QIcon AppIcon()
{
    QIcon icon;
    for (int size : kAppIconSizes)
        icon.addFile(AppIconPath(size), QSize(size, size));
    return icon;
}

// A strip holds four equal images side by side, in this order.
enum class GlyphState { Normal = 0, Disabled = 1, Pressed = 2, Down = 3 };
inline constexpr int kGlyphStateCount = 4;

// The image of one state, cut from a strip, with the strip's key colour (the colour of its
// bottom-left pixel) made transparent wherever it occurs. A null strip, or one whose width is
// not four equal images, gives a null image.
inline QImage GlyphStateImage(const QImage &strip, GlyphState state)
{
    if (strip.isNull() || strip.width() % kGlyphStateCount != 0)
        return {};
    const int width = strip.width() / kGlyphStateCount;
    const QRgb key = strip.pixel(0, strip.height() - 1) & RGB_MASK;
    QImage image = strip.copy(width * static_cast<int>(state), 0, width, strip.height())
                       .convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] & RGB_MASK) == key)
                line[x] = 0;
        }
    }
    return image;
}
