#pragma once
// The building blocks of the main window's pages: each control placed as the window was
// designed, at a fixed position and size in pixels (at 96 dpi) relative to its parent, with its
// designer name as objectName, its caption, font, colours and hint. The shell and every page
// build their part of the window from these, so the window keeps one look.
//
// Nothing here connects a handler: building a control never sends anything.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPalette>
#include <QPoint>
#include <QRect>
#include <QString>
#include <functional>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QWidget;
class TSpeedButton;
class Tkxpotlab;

namespace form {

// The platform colours the window names; the system ones come from the palette.
inline const QColor Black(0, 0, 0);
inline const QColor Grey(128, 128, 128);
inline const QColor Silver(192, 192, 192);
inline const QColor Aqua(0, 255, 255);
inline const QColor Lime(0, 255, 0);
inline const QColor Yellow(255, 255, 0);

// The window font: "MS Sans Serif" at 8 points, a character height of 11 pixels. Sized in
// pixels rather than points so that text keeps its proportion to the pixel-placed controls on
// any screen. Where the design family is missing, DejaVu Sans stands in, semi-condensed.
QFont WindowFont(int pixelSize = 11, bool bold = false);
// Narrows DejaVu Sans, the stand-in for the design families, so captions fit their boxes.
void UseNarrowStandIn(QFont &font);

void SetColour(QWidget *control, QPalette::ColorRole role, const QColor &colour);

// A control's hint is kept as its "Hint" property whether or not it is shown; only a shown hint
// becomes a tooltip. The window shows no hints of its own.
void SetHint(QWidget *control, const QString &hint, bool shown);

template <typename Control>
Control *Place(QWidget *parent, const QString &name, const QRect &geometry)
{
    auto *control = new Control(parent);
    control->setObjectName(name);
    control->setGeometry(geometry);
    return control;
}

// Keeps a panel as wide as its parent, and its bottom on the parent's bottom unless its height
// is fixed, as the design's top and client alignments do when the window is resized.
void FollowParent(QWidget *panel, bool fixedHeight);

enum class Bevel {
    LoweredOuter, // a one-pixel sunken edge
    LoweredInner, // the default raised outer edge with a sunken one inside it: a ridge
};

// An invalid colour leaves the panel's background to its parent.
QFrame *Panel(QWidget *parent, const char *name, const QRect &geometry, Bevel bevel,
              const QColor &colour = {});
QGroupBox *Group(QWidget *parent, const char *name, const QString &caption, const QRect &geometry);
// A label that sizes itself to its caption.
QLabel *Caption(QWidget *parent, const char *name, const QString &caption, QPoint at);
QLabel *FixedLabel(QWidget *parent, const QString &name, const QString &caption,
                   const QRect &geometry, const QFont &font, const QColor &colour = {});

struct ValueRange
{
    int min;
    int max;
    int cursorRange; // pixels of drag for the whole range
    int state;       // first value
};
// A value label as the window uses them: aqua digits centred on black, fixed size, hint shown.
Tkxpotlab *ValueLabel(QWidget *parent, const QString &name, const QRect &geometry,
                      const ValueRange &range, const QString &hint);

// A drop-down combo box with an edit field. Text typed into the field never becomes an item:
// the lists hold exactly what the program puts in them, so an item index keeps its meaning.
QComboBox *DropDown(QWidget *parent, const QString &name, const QRect &geometry,
                    const QString &designText, int visibleItems);
// The name a screen reader gives the drop-down, also on its edit field, which it reads apart.
void Name(QComboBox *dropDown, const QString &name);

QCheckBox *Check(QWidget *parent, const char *name, const QRect &geometry, const QString &caption,
                 bool checked, bool captionLeft);

// The glyph strips of the pages' speed buttons. The window supplies them from its artwork; a
// null strip leaves its buttons without a glyph rather than failing.
struct Glyphs
{
    QImage loadParameters;
    QImage saveParameters;
    QImage sendParameters;
    QImage writeFlash;
    QImage channelChange;
    QImage resetCc;
};

// A flat 25 x 25 speed button showing a glyph strip.
struct GlyphHint
{
    QString text;
    bool shown;
};
TSpeedButton *GlyphButton(QWidget *parent, const char *name, QPoint at, const QImage &glyph,
                          const GlyphHint &hint, bool transparent);

// Calls handler for every user change of the selector: a pick from the list, and every edit of
// its text. An edit leaves no list entry selected, as in a drop-down combo box whose text was
// typed over. Changes made by code (setCurrentIndex) do not call it.
void OnUserChange(QComboBox *selector, QObject *context, std::function<void()> handler);

} // namespace form
