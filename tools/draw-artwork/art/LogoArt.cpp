#include "LogoArt.h"
#include "Quantize.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QRadialGradient>
#include <cmath>

namespace art {
namespace {

const QColor kGround(198, 203, 204); // the About page's own panel colour: the picture blends in
const QColor kNightDeep(8, 16, 44);
const QColor kGold(222, 176, 62);
const QColor kGoldDark(150, 104, 28);
const QColor kGoldLight(250, 224, 140);
const QColor kSnow(240, 244, 248);

QPainterPath Peaks(const QRectF &disc)
{
    // Two peaks, the right one higher, standing on the bottom of the disc.
    auto at = [&](double u, double v) {
        return QPointF(disc.left() + u * disc.width(), disc.top() + v * disc.height());
    };
    QPainterPath path;
    path.moveTo(at(-0.05, 1.05));
    path.lineTo(at(-0.05, 0.78));
    path.lineTo(at(0.30, 0.50));
    path.lineTo(at(0.44, 0.62));
    path.lineTo(at(0.64, 0.36));
    path.lineTo(at(1.05, 0.74));
    path.lineTo(at(1.05, 1.05));
    path.closeSubpath();
    return path;
}

QPainterPath Trace(const QRectF &disc)
{
    // One and a half periods of a sine over the peaks: the gold signal.
    QPainterPath path;
    const int steps = 64;
    for (int i = 0; i <= steps; ++i) {
        const double u = double(i) / steps;
        const double x = disc.left() + u * disc.width();
        const double y = disc.top() + disc.height() * (0.30 + 0.11 * std::sin(u * 3.0 * M_PI));
        if (i == 0)
            path.moveTo(x, y);
        else
            path.lineTo(x, y);
    }
    return path;
}

} // namespace

void PaintEmblem(QPainter &painter, const QRectF &bounds)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const double ring = bounds.width() * 0.085;

    QLinearGradient gold(bounds.topLeft(), bounds.bottomRight());
    gold.setColorAt(0.0, kGoldLight);
    gold.setColorAt(0.5, kGold);
    gold.setColorAt(1.0, kGoldDark);
    painter.setPen(Qt::NoPen);
    painter.setBrush(gold);
    painter.drawEllipse(bounds);

    const QRectF disc = bounds.adjusted(ring, ring, -ring, -ring);
    QRadialGradient sky(disc.center() - QPointF(0, disc.height() * 0.2), disc.width() * 0.7);
    sky.setColorAt(0.0, QColor(44, 72, 146));
    sky.setColorAt(1.0, kNightDeep);
    painter.setBrush(sky);
    painter.drawEllipse(disc);

    // The peaks and the trace are cut to the disc as shapes rather than through a clip, so that
    // the scalable icon (an SVG, which keeps no clip) shows them as the pixel icons do.
    QPainterPath inside;
    inside.addEllipse(disc);
    QLinearGradient snow(disc.topLeft(), disc.bottomLeft());
    snow.setColorAt(0.35, kSnow);
    snow.setColorAt(1.0, QColor(150, 168, 196));
    painter.setBrush(snow);
    painter.drawPath(Peaks(disc).intersected(inside));

    QPainterPathStroker trace;
    trace.setWidth(std::max(1.5, bounds.width() * 0.06));
    trace.setCapStyle(Qt::RoundCap);
    trace.setJoinStyle(Qt::RoundJoin);
    painter.setBrush(kGold);
    painter.drawPath(trace.createStroke(Trace(disc)).intersected(inside));

    // A thin dark line between ring and disc sharpens the edge at small sizes.
    painter.setPen(QPen(kGoldDark, std::max(1.0, bounds.width() * 0.015)));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(disc);
    painter.restore();
}

void PaintAppIcon(QPainter &painter, int size)
{
    const double margin = size / 32.0;
    PaintEmblem(painter, QRectF(margin, margin, size - 2 * margin, size - 2 * margin));
}

QImage DrawAppIcon(int size)
{
    QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    PaintAppIcon(painter, size);
    painter.end();
    return icon.convertToFormat(QImage::Format_ARGB32);
}

namespace {

// The banner: a night-blue band between two gold rules, across the whole width, with the emblem,
// the name and the tagline.
void PaintBanner(QPainter &painter)
{
    const QRectF band(0, 18, 500, 124);
    QLinearGradient night(band.topLeft(), band.bottomLeft());
    night.setColorAt(0.0, QColor(30, 50, 110));
    night.setColorAt(1.0, kNightDeep);
    painter.fillRect(band, night);
    painter.fillRect(QRectF(0, band.top() - 3, 500, 3), kGold);
    painter.fillRect(QRectF(0, band.bottom(), 500, 3), kGold);

    PaintEmblem(painter, QRectF(26, band.top() + 12, 100, 100));

    // The name and the tagline are centred in the band right of the emblem.
    const double textLeft = 142, textRight = 486;
    auto centred = [&](const QFont &font, const QString &text) {
        return textLeft + (textRight - textLeft - QFontMetricsF(font).horizontalAdvance(text)) / 2;
    };
    QFont name(QStringLiteral("DejaVu Serif"));
    name.setBold(true);
    name.setPixelSize(54);
    name.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
    const QString company = QStringLiteral("Quillmont");
    QPainterPath lettering;
    lettering.addText(QPointF(centred(name, company), band.top() + 72), name, company);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 90)); // a soft shadow lifts the letters off the band
    painter.drawPath(lettering.translated(2, 2));
    painter.setBrush(kSnow);
    painter.drawPath(lettering);

    QFont tagline(QStringLiteral("DejaVu Sans"));
    tagline.setPixelSize(13);
    tagline.setLetterSpacing(QFont::AbsoluteSpacing, 3.2);
    painter.setFont(tagline);
    painter.setPen(kGold);
    const QString trade = QStringLiteral("ELECTRONIC MUSIC SYSTEMS");
    painter.drawText(QPointF(centred(tagline, trade), band.top() + 100), trade);
}

// Below the program's name, a faint gate-and-CV trace runs across the ground, like the signals
// the converter makes; the space above it stays plain for the title.
void PaintSignalTrace(QPainter &painter)
{
    QPainterPath wave;
    const double base = 330, high = 306;
    wave.moveTo(40, base);
    for (double x = 40; x < 460; x += 60) {
        wave.lineTo(x + 20, base);
        wave.lineTo(x + 20, high);
        wave.lineTo(x + 40, high);
        wave.cubicTo(x + 48, high, x + 52, base, x + 60, base);
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(172, 178, 182), 2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.drawPath(wave);
    painter.setPen(QPen(QColor(226, 229, 230), 1));
    painter.drawLine(QPointF(40, base + 14.5), QPointF(460, base + 14.5));
    painter.setPen(QPen(QColor(164, 170, 174), 1));
    painter.drawLine(QPointF(40, base + 13.5), QPointF(460, base + 13.5));
}

} // namespace

QImage DrawAboutPicture()
{
    QImage picture(500, 400, QImage::Format_RGB32);
    picture.fill(kGround);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    PaintBanner(painter);
    PaintSignalTrace(painter);
    painter.end();
    return QuantizeTo256(picture);
}

} // namespace art
