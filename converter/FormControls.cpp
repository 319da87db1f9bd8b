#include "converter/FormControls.h"

#include "controls/Kxpotlab.h"
#include "controls/SpeedButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFontInfo>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <map>
#include <utility>

namespace form {

void UseNarrowStandIn(QFont &font)
{
    // The book cut of DejaVu Sans is wider than the design fonts.
    if (QFontInfo(font).family() == QLatin1String("DejaVu Sans"))
        font.setStretch(QFont::SemiCondensed);
}

QFont WindowFont(int pixelSize, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    // Which family stands in is a font match, asked once per size and weight: the pages ask for
    // the window font for nearly every control they build. GUI thread only, as fonts are.
    static std::map<std::pair<int, bool>, bool> narrowed;
    const auto known = narrowed.find({pixelSize, bold});
    if (known == narrowed.end()) {
        UseNarrowStandIn(font);
        narrowed[{pixelSize, bold}] = font.stretch() == QFont::SemiCondensed;
    } else if (known->second) {
        font.setStretch(QFont::SemiCondensed);
    }
    return font;
}

void SetColour(QWidget *control, QPalette::ColorRole role, const QColor &colour)
{
    QPalette palette = control->palette();
    palette.setColor(role, colour);
    control->setPalette(palette);
}

void SetHint(QWidget *control, const QString &hint, bool shown)
{
    control->setProperty("Hint", hint);
    control->setProperty("ShowHint", shown);
    control->setToolTip(shown ? hint : QString());
}

namespace {

// Lives as long as the panel it resizes.
class ParentFollower : public QObject
{
public:
    ParentFollower(QWidget *panel, bool fixedHeight)
        : QObject(panel), Panel(panel), FixedHeight(fixedHeight)
    {
        panel->parentWidget()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Resize && watched == Panel->parentWidget()) {
            const QSize room = Panel->parentWidget()->size();
            Panel->setGeometry(0, Panel->y(), room.width(),
                               FixedHeight ? Panel->height() : room.height() - Panel->y());
        }
        return false;
    }

private:
    QWidget *Panel;
    bool FixedHeight;
};

} // namespace

void FollowParent(QWidget *panel, bool fixedHeight)
{
    new ParentFollower(panel, fixedHeight);
}

QFrame *Panel(QWidget *parent, const char *name, const QRect &geometry, Bevel bevel,
              const QColor &colour)
{
    auto *panel = Place<QFrame>(parent, name, geometry);
    if (bevel == Bevel::LoweredOuter)
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    else
        panel->setFrameStyle(QFrame::Box | QFrame::Raised);
    panel->setLineWidth(1);
    panel->setMidLineWidth(0);
    if (colour.isValid()) {
        SetColour(panel, QPalette::Window, colour);
        panel->setAutoFillBackground(true);
    }
    return panel;
}

QGroupBox *Group(QWidget *parent, const char *name, const QString &caption, const QRect &geometry)
{
    auto *group = Place<QGroupBox>(parent, name, geometry);
    group->setTitle(caption);
    return group;
}

QLabel *Caption(QWidget *parent, const char *name, const QString &caption, QPoint at)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->adjustSize();
    label->move(at);
    return label;
}

QLabel *FixedLabel(QWidget *parent, const QString &name, const QString &caption,
                   const QRect &geometry, const QFont &font, const QColor &colour)
{
    auto *label = Place<QLabel>(parent, name, geometry);
    label->setText(caption);
    label->setFont(font);
    if (colour.isValid())
        SetColour(label, QPalette::WindowText, colour);
    return label;
}

Tkxpotlab *ValueLabel(QWidget *parent, const QString &name, const QRect &geometry,
                      const ValueRange &range, const QString &hint)
{
    auto *label = new Tkxpotlab(parent);
    label->setObjectName(name);
    label->SetAutoSize(false); // before the geometry: an auto-sized label resizes on writes
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignCenter);
    SetColour(label, QPalette::Window, Black);
    SetColour(label, QPalette::WindowText, Aqua);
    label->setAutoFillBackground(true);
    label->SetMin(range.min);
    label->SetMax(range.max);
    label->SetCursorRange(range.cursorRange);
    label->SetAlwayDetect(true);
    label->SetState(range.state); // after the bounds, which it is clamped to
    SetHint(label, hint, true);
    return label;
}

QComboBox *DropDown(QWidget *parent, const QString &name, const QRect &geometry,
                    const QString &designText, int visibleItems)
{
    auto *combo = Place<QComboBox>(parent, name, geometry);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setMaxVisibleItems(visibleItems);
    combo->setEditText(designText);
    return combo;
}

void Name(QComboBox *dropDown, const QString &name)
{
    dropDown->setAccessibleName(name);
    if (QLineEdit *edit = dropDown->lineEdit())
        edit->setAccessibleName(name);
}

QCheckBox *Check(QWidget *parent, const char *name, const QRect &geometry, const QString &caption,
                 bool checked, bool captionLeft)
{
    auto *box = Place<QCheckBox>(parent, name, geometry);
    box->setText(caption);
    box->setChecked(checked);
    if (captionLeft)
        box->setLayoutDirection(Qt::RightToLeft);
    return box;
}

TSpeedButton *GlyphButton(QWidget *parent, const char *name, QPoint at, const QImage &glyph,
                          const GlyphHint &hint, bool transparent)
{
    auto *button = Place<TSpeedButton>(parent, name, QRect(at, QSize(25, 25)));
    button->SetGlyph(glyph);
    button->SetTransparent(transparent);
    SetHint(button, hint.text, hint.shown);
    // A glyph says nothing to a screen reader: the button is named by what it does.
    button->setAccessibleName(hint.text.trimmed());
    return button;
}

void OnUserChange(QComboBox *selector, QObject *context, std::function<void()> handler)
{
    QObject::connect(selector, &QComboBox::activated, context, handler);
    QObject::connect(selector->lineEdit(), &QLineEdit::textEdited, context,
                     [selector, handler](const QString &text) {
                         QLineEdit *edit = selector->lineEdit();
                         const int cursor = edit->cursorPosition();
                         {
                             const QSignalBlocker quiet(selector);
                             selector->setCurrentIndex(-1);
                             selector->setEditText(text);
                         }
                         edit->setCursorPosition(cursor);
                         handler();
                     });
}

} // namespace form
