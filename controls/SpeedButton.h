#pragma once
// TSpeedButton: the flat toolbar button of the editor. It shows a glyph cut from a strip of up
// to four images (normal, disabled, pressed, held down) and/or a caption in a colour of its own,
// draws its frame only while the pointer is over it (raised) or while it is down (sunken), and
// paints its face either opaque in the button-face colour or not at all, so that the parent
// shows through. Tab reaches it (a click does not take the focus); Space or Enter clicks it, and
// the focused button shows a dotted frame. Clicks arrive through QAbstractButton::clicked.
// GUI thread only.
#include <QColor>
#include <QImage>
#include <QToolButton>
#include <array>

// The image states of a glyph strip, in their order in the strip.
enum class TButtonState { Up = 0, Disabled = 1, Pressed = 2, Held = 3 };

namespace speedbutton {

inline constexpr int StateCount = 4;

// Cuts a strip of numGlyphs equal images (clamped to 1..4) into the four state images. The
// colour of the strip's bottom-left pixel becomes transparent wherever it occurs. A state the
// strip lacks shows the normal image, except Disabled, which then is a greyed normal image.
// A null strip gives four null images (no glyph).
std::array<QImage, StateCount> SplitGlyphStrip(const QImage &strip, int numGlyphs);

// The image a button in this state shows: disabled wins over everything, then pressed (the
// pointer holds it down), then held (checked), else up.
TButtonState StateFor(bool enabled, bool pressed, bool held);

} // namespace speedbutton

class TSpeedButton : public QToolButton
{
    Q_OBJECT

public:
    explicit TSpeedButton(QWidget *parent = nullptr);

    // The strip as given and the number of images in it; the cut images are what is painted.
    const QImage &Glyph() const { return FGlyph; }
    int NumGlyphs() const { return FNumGlyphs; }
    void SetGlyph(const QImage &strip, int numGlyphs = 4);

    // The caption is QAbstractButton::text(), drawn in the button's font. An invalid colour (the
    // default) means the palette's window-text colour, resolved when painting.
    QColor CaptionColor() const;
    void SetCaptionColor(const QColor &value);

    // Transparent: the face is not painted and the parent shows through. Opaque: the face is
    // filled with the button-face colour.
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    const QImage &CurrentImage() const;

    QImage FGlyph;
    int FNumGlyphs = 4;
    std::array<QImage, speedbutton::StateCount> FImages;
    QColor FCaptionColor;
    bool FTransparent = true;
    // Tracked here rather than read from Qt's under-mouse attribute, which only the platform's
    // own enter/leave dispatch sets: an Enter event sent by any means lights the frame.
    bool FHot = false;
};
