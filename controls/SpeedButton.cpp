#include "controls/SpeedButton.h"

#include "controls/Store.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QPainter>
#include <qdrawutil.h>

#include <algorithm>

namespace speedbutton {
namespace {

// A disabled look made from the normal image: grey, and lifted toward the face colour so that
// it reads as inactive on both light and dark toolbars.
QImage Greyed(const QImage &image)
{
    QImage grey = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < grey.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(grey.scanLine(y));
        for (int x = 0; x < grey.width(); ++x) {
            const int value = 128 + qGray(line[x]) / 2;
            line[x] = qRgba(value, value, value, qAlpha(line[x]));
        }
    }
    return grey;
}

} // namespace

std::array<QImage, StateCount> SplitGlyphStrip(const QImage &strip, int numGlyphs)
{
    std::array<QImage, StateCount> images;
    numGlyphs = std::clamp(numGlyphs, 1, StateCount);
    const int width = strip.width() / numGlyphs;
    if (strip.isNull() || width == 0)
        return images;

    // The strip is a palette bitmap without an alpha channel: one colour stands for "nothing
    // here", and it is the one in the bottom-left corner.
    QImage keyed = strip.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = keyed.pixel(0, keyed.height() - 1) & RGB_MASK;
    for (int y = 0; y < keyed.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x) {
            if ((line[x] & RGB_MASK) == key)
                line[x] = 0;
        }
    }

    for (int i = 0; i < numGlyphs; ++i)
        images[i] = keyed.copy(i * width, 0, width, keyed.height());
    const QImage &up = images[static_cast<int>(TButtonState::Up)];
    for (int i = numGlyphs; i < StateCount; ++i)
        images[i] = i == static_cast<int>(TButtonState::Disabled) ? Greyed(up) : up;
    return images;
}

TButtonState StateFor(bool enabled, bool pressed, bool held)
{
    if (!enabled)
        return TButtonState::Disabled;
    if (pressed)
        return TButtonState::Pressed;
    if (held)
        return TButtonState::Held;
    return TButtonState::Up;
}

} // namespace speedbutton

TSpeedButton::TSpeedButton(QWidget *parent) : QToolButton(parent)
{
    setAutoRaise(true);
    // Tab stops on it, a click leaves the focus where it was (on the field being edited, say).
    setFocusPolicy(Qt::TabFocus);
}

void TSpeedButton::SetGlyph(const QImage &strip, int numGlyphs)
{
    FGlyph = strip;
    FNumGlyphs = std::clamp(numGlyphs, 1, speedbutton::StateCount);
    FImages = speedbutton::SplitGlyphStrip(strip, FNumGlyphs);
    updateGeometry();
    update();
}

QColor TSpeedButton::CaptionColor() const
{
    return FCaptionColor.isValid() ? FCaptionColor : palette().color(QPalette::WindowText);
}

void TSpeedButton::SetCaptionColor(const QColor &value)
{
    if (Store(FCaptionColor, value))
        update();
}

void TSpeedButton::SetTransparent(bool value)
{
    if (Store(FTransparent, value))
        update();
}

QSize TSpeedButton::sizeHint() const
{
    const QImage &image = FImages[0];
    const int textWidth = text().isEmpty() ? 0 : fontMetrics().horizontalAdvance(text());
    const int spacing = !image.isNull() && textWidth > 0 ? 4 : 0;
    const int width = image.width() + spacing + textWidth + 8;
    const int height = std::max(image.height(), fontMetrics().height()) + 8;
    return {std::max(width, 23), std::max(height, 22)};
}

const QImage &TSpeedButton::CurrentImage() const
{
    return FImages[static_cast<int>(speedbutton::StateFor(isEnabled(), isDown(), isChecked()))];
}

void TSpeedButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const bool sunk = isDown() || isChecked();
    if (!FTransparent)
        painter.fillRect(rect(), palette().color(QPalette::Button));
    // Flat: no frame at rest. A button that is down shows sunken even with the pointer away.
    if (isEnabled() && (sunk || FHot))
        qDrawShadePanel(&painter, rect(), palette(), sunk, 1);

    // Glyph left of the caption, the pair centred; a button that is down shifts its face by one
    // pixel, as a pressed key does.
    const QImage &image = CurrentImage();
    const QString caption = text();
    const int textWidth = caption.isEmpty() ? 0 : fontMetrics().horizontalAdvance(caption);
    const int spacing = !image.isNull() && textWidth > 0 ? 4 : 0;
    const int total = image.width() + spacing + textWidth;
    const int shift = sunk ? 1 : 0;
    const int left = (width() - total + 1) / 2 + shift;
    if (!image.isNull())
        painter.drawImage(QPoint(left, (height() - image.height() + 1) / 2 + shift), image);
    if (textWidth > 0) {
        painter.setPen(isEnabled() ? CaptionColor()
                                   : palette().color(QPalette::Disabled, QPalette::WindowText));
        const QRect textArea(left + image.width() + spacing, shift, textWidth, height());
        painter.drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, caption);
    }
    if (hasFocus()) {
        // A flat button at rest has no frame: without this nothing would show where Tab went.
        painter.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(2, 2, -3, -3));
    }
}

void TSpeedButton::keyPressEvent(QKeyEvent *event)
{
    // Space clicks as on every button; Enter too, as a toolbar button's one action.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !event->isAutoRepeat() && event->modifiers() == Qt::NoModifier)
        click();
    else
        QToolButton::keyPressEvent(event);
}

void TSpeedButton::enterEvent(QEnterEvent *event)
{
    QToolButton::enterEvent(event);
    FHot = true;
    update();
}

void TSpeedButton::leaveEvent(QEvent *event)
{
    QToolButton::leaveEvent(event);
    FHot = false;
    update();
}
