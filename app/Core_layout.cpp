// The main window's controls: every one under its designer name (objectName and member), at
// its designer position and size in pixels at 96 dpi relative to its parent, with its caption,
// font, colours, tag, hint and first value. Geometry is absolute, as designed; only the panels
// that the design aligns to their parent follow it when the window is resized. No handler is
// connected here (ConnectHandlers does that), so nothing built here can send anything.
#include "app/Core_main.h"

#include "controls/Kxpotlab.h"
#include "controls/SpeedButton.h"
#include "controls/Tag.h"
#include "resources/Artwork.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPixmap>
#include <QTabWidget>

namespace {

// The platform colours the window names; the system ones come from the palette.
const QColor Black(0, 0, 0);
const QColor Grey(128, 128, 128);
const QColor Silver(192, 192, 192);
const QColor Aqua(0, 255, 255);
const QColor Lime(0, 255, 0);
const QColor Yellow(255, 255, 0);
const QColor AboutGround(198, 203, 204);

// Where a design family is missing (everywhere but Windows), DejaVu Sans stands in, in its
// semi-condensed cut: the book cut is wider than the design fonts, and captions must still fit
// the boxes the design gives them.
void UseNarrowStandIn(QFont &font)
{
    if (QFontInfo(font).family() == QLatin1String("DejaVu Sans"))
        font.setStretch(QFont::SemiCondensed);
}

// The window font: "MS Sans Serif" at 8 points, a character height of 11 pixels. Sized in
// pixels rather than points so that text keeps its proportion to the pixel-placed controls on
// any screen.
QFont WindowFont(int pixelSize = 11, bool bold = false)
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    UseNarrowStandIn(font);
    return font;
}

// The About title's "Comic Sans MS", bold, 36 points (48 pixels). A stand-in may still be
// wider, so it is made smaller until the caption fits the box the design gives it.
QFont TitleFont(const QString &caption, int boxWidth)
{
    QFont font;
    font.setFamilies({QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    font.setPixelSize(48);
    UseNarrowStandIn(font);
    while (font.pixelSize() > 12 && QFontMetrics(font).horizontalAdvance(caption) > boxWidth)
        font.setPixelSize(font.pixelSize() - 1);
    return font;
}

void SetColour(QWidget *control, QPalette::ColorRole role, const QColor &colour)
{
    QPalette palette = control->palette();
    palette.setColor(role, colour);
    control->setPalette(palette);
}

// A control's hint is kept as its "Hint" property whether or not it is shown; only a shown
// hint becomes a tooltip. The window shows no hints of its own, so a control that does not
// show its hint keeps it silent.
void SetHint(QWidget *control, const QString &hint, bool shown)
{
    control->setProperty("Hint", hint);
    control->setProperty("ShowHint", shown);
    control->setToolTip(shown ? hint : QString());
}

template <typename Control>
Control *Place(QWidget *parent, const QString &name, const QRect &geometry)
{
    auto *control = new Control(parent);
    control->setObjectName(name);
    control->setGeometry(geometry);
    return control;
}

// Keeps a panel as wide as its parent, and its bottom on the parent's bottom unless its
// height is fixed, as the design's top and client alignments do when the window is resized.
// Lives as long as the panel.
class FollowParent : public QObject
{
public:
    FollowParent(QWidget *panel, bool fixedHeight)
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

enum class Bevel {
    LoweredOuter, // a one-pixel sunken edge
    LoweredInner, // the default raised outer edge with a sunken one inside it: a ridge
};

QFrame *Panel(QWidget *parent, const char *name, const QRect &geometry, Bevel bevel,
              const QColor &colour = {})
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

// A label that sizes itself to its caption, as the design's auto-sized labels do.
QLabel *Caption(QWidget *parent, const char *name, const QString &caption, QPoint at)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->adjustSize();
    label->move(at);
    return label;
}

QLabel *FixedLabel(QWidget *parent, const QString &name, const QString &caption,
                   const QRect &geometry, const QFont &font, const QColor &colour = {})
{
    auto *label = Place<QLabel>(parent, name, geometry);
    label->setText(caption);
    label->setFont(font);
    if (colour.isValid())
        SetColour(label, QPalette::WindowText, colour);
    return label;
}

// A value label as the window uses them: aqua digits centred on black, fixed size.
Tkxpotlab *ValueLabel(QWidget *parent, const QString &name, const QRect &geometry, int min, int max,
                      int cursorRange, int state, const QString &hint)
{
    auto *label = new Tkxpotlab(parent);
    label->setObjectName(name);
    label->SetAutoSize(false); // before the geometry: an auto-sized label resizes on writes
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignCenter);
    SetColour(label, QPalette::Window, Black);
    SetColour(label, QPalette::WindowText, Aqua);
    label->setAutoFillBackground(true);
    label->SetMin(min);
    label->SetMax(max);
    label->SetCursorRange(cursorRange);
    label->SetAlwayDetect(true);
    label->SetState(state); // after the bounds, which it is clamped to
    SetHint(label, hint, true);
    return label;
}

// A drop-down combo box with an edit field. Text typed into the field never becomes an item:
// the lists hold exactly what the program puts in them, so an item index keeps its meaning.
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

// A flat speed button with a glyph strip from the resources; a strip that does not load leaves
// the button without a glyph rather than failing.
TSpeedButton *GlyphButton(QWidget *parent, const char *name, QPoint at, const char *glyph,
                          const QString &hint, bool showHint, bool transparent)
{
    auto *button = Place<TSpeedButton>(parent, name, QRect(at, QSize(25, 25)));
    button->SetGlyph(QImage(GlyphPath(glyph)));
    button->SetTransparent(transparent);
    SetHint(button, hint, showHint);
    return button;
}

// The number labels beside the selectors, "Label<n>" for output n = 1..32: the designer
// skipped the numbers it had given to other labels.
constexpr int OutputNumberLabel[TForm1::OutputCount] = {2,  3,  4,  5,  6,  8,  10, 11, 13, 14, 15,
                                                        16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26,
                                                        28, 29, 31, 32, 33, 34, 35, 36, 37, 38};

// The controller value label of row t: kxpotlab2, 3, 5, then t + 4 (kxpotlab4 is the master
// channel on the other page).
int ControllerLabelNumber(int t)
{
    return t < 2 ? t + 2 : (t == 2 ? 5 : t + 4);
}

// The top of controller row r: 16 pixels apart, the lower eight set 4 pixels further down.
int ControllerRowTop(int r)
{
    return r < 8 ? 12 + 16 * r : 16 + 16 * r;
}

} // namespace

void TForm1::BuildLayout()
{
    setObjectName("Form1");
    setWindowTitle("Torvane-v1.0");
    setFont(WindowFont());
    SetColour(this, QPalette::Window, palette().color(QPalette::Button));
    resize(510, 468);
    move(344, 363);

    PageControl1 = Place<QTabWidget>(this, "PageControl1", QRect(0, 0, 510, 468));
    new FollowParent(PageControl1, false);
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName("TabSheet2");
    TabSheet3 = new QWidget;
    TabSheet3->setObjectName("TabSheet3");
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName("TabSheet1");
    PageControl1->addTab(TabSheet2, "Config");
    PageControl1->addTab(TabSheet3, "MIDI");
    PageControl1->addTab(TabSheet1, "About...");

    BuildConfigPage();
    BuildMidiPage();
    BuildAboutPage();
    PageControl1->setCurrentWidget(TabSheet3);

    // Tab walks the selectors in output order, and the MIDI page from the output device on.
    for (int n = 1; n < OutputCount; ++n)
        setTabOrder(ComboBox[n - 1], ComboBox[n]);
    setTabOrder(cmbOutput, cmbInput);
    setTabOrder(cmbInput, CheckBox38);
    setTabOrder(CheckBox38, CheckBox1);
    setTabOrder(CheckBox1, CheckBox2);
}

void TForm1::BuildConfigPage()
{
    Panel8 = Panel(TabSheet2, "Panel8", {0, 0, 502, 27}, Bevel::LoweredOuter, Silver);
    new FollowParent(Panel8, true);
    Panel3 = Panel(TabSheet2, "Panel3", {0, 27, 502, 413}, Bevel::LoweredInner);
    new FollowParent(Panel3, false);

    SpeedButton8 = GlyphButton(Panel8, "SpeedButton8", {1, 1}, kGlyphLoadParameters,
                               "Load Parameters File ", true, true);
    SpeedButton17 = GlyphButton(Panel8, "SpeedButton17", {26, 1}, kGlyphSaveParameters,
                                "Save Parameters File", true, true);
    SpeedButton1 = GlyphButton(Panel8, "SpeedButton1", {101, 1}, kGlyphSendParameters,
                               "Send Parameters to MIDI", true, true);
    SpeedButton10 = GlyphButton(Panel8, "SpeedButton10", {126, 1}, kGlyphWriteFlash,
                                "Write to Flash", true, true);
    SpeedButton12 = GlyphButton(Panel8, "SpeedButton12", {151, 1}, kGlyphChannelChange,
                                "MIDI Channel Change", true, true);

    // The preset buttons carry no glyph: the highlighted one (yellow caption, opaque face) is
    // the current preset, and preset 1 is current at start.
    TSpeedButton **presets[] = {&spdPar1, &spdPar2, &spdPar3, &spdPar4};
    for (int i = 0; i < 4; ++i) {
        auto *button = Place<TSpeedButton>(Panel8, QStringLiteral("spdPar%1").arg(i + 1),
                                           QRect(232 + 25 * i, 1, 25, 25));
        button->setText(QString::number(i + 1));
        button->setFont(WindowFont(11, true));
        button->SetTransparent(i != 0);
        if (i == 0)
            button->SetCaptionColor(Yellow);
        SetHint(button, QStringLiteral("Preset #%1").arg(i + 1), true);
        *presets[i] = button;
    }

    GroupBox7 = Group(Panel3, "GroupBox7", "CV Outputs", {4, 2, 397, 408});
    for (int n = 1; n <= OutputCount; ++n) {
        const bool first = n <= 16;
        const int row = first ? n - 1 : n - 17;
        QComboBox *selector =
            DropDown(GroupBox7, QStringLiteral("ComboBox%1").arg(n),
                     QRect(first ? 24 : 220, 20 + 24 * row, 170, 21), "ComboBox1", 48);
        SetTag(selector, n - 1);
        ComboBox[n - 1] = selector;

        const int left = !first ? 200 : (n <= 9 ? 12 : 4);
        const int width = n <= 9 ? 9 : 17;
        OutputNumbers[n - 1] = FixedLabel(
            GroupBox7, QStringLiteral("Label%1").arg(OutputNumberLabel[n - 1]), QString::number(n),
            QRect(left, 22 + 24 * row, width, 16), WindowFont(13, true));
    }

    GroupBox19 = Group(Panel3, "GroupBox19", "Master", {404, 2, 93, 57});
    Label27 = Caption(GroupBox19, "Label27", "Channel", {8, 24});
    SetHint(Label27, "MIDI Channel", false);
    Panel11 = Panel(GroupBox19, "Panel11", {56, 24, 27, 16}, Bevel::LoweredOuter, Black);
    kxpotlab4 = ValueLabel(Panel11, "kxpotlab4", {1, 1, 25, 13}, 1, 16, 32, 1, "MIDI Channel");
}

void TForm1::BuildMidiPage()
{
    Panel4 = Panel(TabSheet3, "Panel4", {0, 0, 502, 440}, Bevel::LoweredOuter);
    new FollowParent(Panel4, false);

    GroupBox4 = Group(Panel4, "GroupBox4", "Devices", {4, 1, 280, 100});
    Label9 = Caption(GroupBox4, "Label9", "In", {8, 23});
    cmbInput = DropDown(GroupBox4, "cmbInput", {36, 21, 233, 21}, "cmbInput", 8);
    Label1 = Caption(GroupBox4, "Label1", "Out", {8, 47});
    cmbOutput = DropDown(GroupBox4, "cmbOutput", {36, 45, 233, 21}, "cmbOutput", 8);
    CheckBox38 = Check(GroupBox4, "CheckBox38", {88, 72, 109, 17}, "Send Params RT", false, false);

    GroupBox2 = Group(Panel4, "GroupBox2", "Kessel Control", {288, 1, 129, 100});
    Label12 = Caption(GroupBox2, "Label12", "Input", {20, 26});
    Panel5 = Panel(GroupBox2, "Panel5", {52, 25, 27, 16}, Bevel::LoweredOuter, Black);
    kxpotlab1 = ValueLabel(Panel5, "kxpotlab1", {1, 1, 25, 13}, 0, 7, 80, 2, "MIDI Input Selector");
    SpeedButton5 = GlyphButton(GroupBox2, "SpeedButton5", {87, 19}, kGlyphSendParameters,
                               "Send Kessel setup to MIDI", false, false);
    CheckBox1 = Check(GroupBox2, "CheckBox1", {20, 52, 86, 17}, "Merge Input", false, true);
    CheckBox2 = Check(GroupBox2, "CheckBox2", {20, 72, 86, 17}, "Startup send", true, true);

    GroupBox1 = Group(Panel4, "GroupBox1", "Controlers", {4, 104, 157, 329});
    SpeedButton2 = GlyphButton(GroupBox1, "SpeedButton2", {16, 300}, kGlyphSendParameters,
                               "Send All CC", true, false);
    SpeedButton3 = GlyphButton(GroupBox1, "SpeedButton3", {41, 300}, kGlyphResetCc, "Reset All CC",
                               true, false);
    Panel2 = Panel(GroupBox1, "Panel2", {12, 20, 129, 277}, Bevel::LoweredOuter, Grey);
    for (int t = 0; t < OutputCount; ++t) {
        const bool first = t < 16;
        const int top = ControllerRowTop(t % 16);
        Tkxpotlab *value =
            ValueLabel(Panel2, QStringLiteral("kxpotlab%1").arg(ControllerLabelNumber(t)),
                       QRect(first ? 29 : 89, top, 25, 13), 0, 127, 80, 0, "MIDI Controler Value");
        SetTag(value, t);
        Controller[t] = value;

        const int left = !first ? 68 : (t <= 8 ? 16 : 8);
        const int width = t <= 8 ? 8 : 15;
        ControllerNumbers[t] =
            FixedLabel(Panel2, QStringLiteral("Label%1").arg(41 + t), QString::number(t + 1),
                       QRect(left, top, width, 13), WindowFont(11, true), Lime);
    }
}

void TForm1::BuildAboutPage()
{
    Panel1 = Panel(TabSheet1, "Panel1", {0, 0, 502, 440}, Bevel::LoweredInner, AboutGround);
    new FollowParent(Panel1, false);

    // Sized to its picture; a picture that does not load leaves the designed 500 x 400 empty.
    Image1 = Place<QLabel>(Panel1, "Image1", {1, 1, 500, 400});
    const QPixmap picture(AboutPicturePath());
    if (!picture.isNull()) {
        Image1->setPixmap(picture);
        Image1->resize(picture.size());
    }

    // Created after the picture, so it stands over it; a label paints no background.
    const QString title = QStringLiteral("Torvane Interface");
    Label40 = FixedLabel(Panel1, "Label40", title, {52, 176, 410, 67}, TitleFont(title, 410));
    Label7 =
        Caption(Panel1, "Label7", QStringLiteral("© 2026 Quillmont — Torvane editor"), {172, 420});
    Label39 = Caption(Panel1, "Label39", "Rev 1.0", {452, 420});
}
