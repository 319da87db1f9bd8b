// The main window as the user first sees it: every named control with its class, parent,
// place, caption, tag, font, colours and hint; the controllers' row spacing; the page it opens
// on; which hints really pop up; and the order in which Tab walks the controls.
#include "controls/Kxpotlab.h"
#include "controls/SpeedButton.h"
#include "controls/Tag.h"
#include "support/FormTest.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolTip>
#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace {

using LayoutTest = FormTest;

// How a control's geometry is given.
enum class Place {
    Exact,        // at `geometry`, of its size
    SizedToText,  // at `geometry`'s top-left, large enough for its caption
    FillsWidth,   // across the parent's width at `geometry`'s top, of its height
    FillsBelow,   // across the parent's width from `geometry`'s top to the parent's bottom
    ChosenByPage, // a tab page: the tab widget places it
};

// Only the colours that the window sets; unset ones are inherited and left alone.
struct Colours
{
    QColor text;       // window-text role, or a speed button's caption colour
    QColor background; // window role of a control that fills its background
};

struct Control
{
    QString name;
    const char *className;
    QString parent; // the nearest named ancestor
    QRect geometry;
    Place place = Place::Exact;
    std::optional<QString> text = {}; // caption, title, shown text; unset: not checked
    int tag = 0;
    QString hint = {};
    bool hintShown = false;
    int fontPixels = 11;
    bool bold = false;
    Colours colours = {};
    std::optional<bool> transparent = {}; // speed buttons only
};

const QColor Black(0, 0, 0), Grey(128, 128, 128), Silver(192, 192, 192), Aqua(0, 255, 255),
    Lime(0, 255, 0), Yellow(255, 255, 0);

QString Numbered(const char *stem, int n)
{
    return QStringLiteral("%1%2").arg(QLatin1String(stem)).arg(n);
}

std::vector<Control> ConfigPage(const QColor &windowText)
{
    // clang-format off
    std::vector<Control> rows = {
        {"Panel8", "QFrame", "TabSheet2", {0, 0, 502, 27}, Place::FillsWidth, {}, 0, {}, false, 11, false, {{}, Silver}},
        {"Panel3", "QFrame", "TabSheet2", {0, 27, 502, 413}, Place::FillsBelow},
        {"GroupBox7", "QGroupBox", "Panel3", {4, 2, 397, 408}, Place::Exact, "CV Outputs"},
        {"GroupBox19", "QGroupBox", "Panel3", {404, 2, 93, 57}, Place::Exact, "Master"},
        {"Label27", "QLabel", "GroupBox19", {8, 24, 0, 0}, Place::SizedToText, "Channel", 0, "MIDI Channel", false},
        {"Panel11", "QFrame", "GroupBox19", {56, 24, 27, 16}, Place::Exact, {}, 0, {}, false, 11, false, {{}, Black}},
        {"kxpotlab4", "Tkxpotlab", "Panel11", {1, 1, 25, 13}, Place::Exact, "1", 0, "MIDI Channel", true, 11, false, {Aqua, Black}},
    };
    const struct
    {
        const char *name;
        int left;
        const char *hint;
    } toolbar[] = {
        {"SpeedButton8", 1, "Load Parameters File "},
        {"SpeedButton17", 26, "Save Parameters File"},
        {"SpeedButton1", 101, "Send Parameters to MIDI"},
        {"SpeedButton10", 126, "Write to Flash"},
        {"SpeedButton12", 151, "MIDI Channel Change"},
    };
    for (const auto &b : toolbar)
        rows.push_back({b.name, "TSpeedButton", "Panel8", {b.left, 1, 25, 25}, Place::Exact, "", 0, b.hint, true, 11, false, {}, true});
    for (int n = 1; n <= 4; ++n)
        rows.push_back({Numbered("spdPar", n), "TSpeedButton", "Panel8", QRect(232 + 25 * (n - 1), 1, 25, 25), Place::Exact, QString::number(n), 0, Numbered("Preset #", n), true, 11, true, {n == 1 ? Yellow : windowText, {}}, n != 1});
    // clang-format on

    const int numberLabel[] = {2,  3,  4,  5,  6,  8,  10, 11, 13, 14, 15, 16, 17, 18, 19, 20,
                               21, 22, 23, 24, 25, 26, 28, 29, 31, 32, 33, 34, 35, 36, 37, 38};
    for (int n = 1; n <= 32; ++n) {
        const int row = (n - 1) % 16;
        // The design text "ComboBox1" is replaced at start-up by the first controller entry.
        rows.push_back({Numbered("ComboBox", n), "QComboBox", "GroupBox7",
                        QRect(n <= 16 ? 24 : 220, 20 + 24 * row, 170, 21), Place::Exact,
                        "----- none-------", n - 1});
        const QRect number = n <= 9    ? QRect(12, 22 + 24 * row, 9, 16)
                             : n <= 16 ? QRect(4, 22 + 24 * row, 17, 16)
                                       : QRect(200, 22 + 24 * row, 17, 16);
        rows.push_back({Numbered("Label", numberLabel[n - 1]),
                        "QLabel",
                        "GroupBox7",
                        number,
                        Place::Exact,
                        QString::number(n),
                        0,
                        {},
                        false,
                        13,
                        true});
    }
    return rows;
}

std::vector<Control> MidiPage()
{
    // clang-format off
    std::vector<Control> rows = {
        {"Panel4", "QFrame", "TabSheet3", {0, 0, 502, 440}, Place::FillsBelow},
        {"GroupBox4", "QGroupBox", "Panel4", {4, 1, 280, 100}, Place::Exact, "Devices"},
        {"Label9", "QLabel", "GroupBox4", {8, 23, 0, 0}, Place::SizedToText, "In"},
        // The device lists replace the design texts at start-up; what they show depends on
        // the devices present.
        {"cmbInput", "QComboBox", "GroupBox4", {36, 21, 233, 21}},
        {"Label1", "QLabel", "GroupBox4", {8, 47, 0, 0}, Place::SizedToText, "Out"},
        {"cmbOutput", "QComboBox", "GroupBox4", {36, 45, 233, 21}},
        {"CheckBox38", "QCheckBox", "GroupBox4", {88, 72, 109, 17}, Place::Exact, "Send Params RT"},
        {"GroupBoxSystem", "QGroupBox", "Panel4", {165, 104, 333, 68}, Place::Exact, "MIDI System"},
        {"MidiStatus", "QLabel", "GroupBoxSystem", {8, 19, 317, 15}, Place::Exact, "none: only the editor's own devices"},
        {"LabelSystem", "QLabel", "GroupBoxSystem", {8, 42, 0, 0}, Place::SizedToText, "Use"},
        {"cmbSystem", "QComboBox", "GroupBoxSystem", {36, 40, 145, 21}, Place::Exact, "Automatic"},
        {"GroupBox2", "QGroupBox", "Panel4", {288, 1, 129, 100}, Place::Exact, "Kessel Control"},
        {"Label12", "QLabel", "GroupBox2", {20, 26, 0, 0}, Place::SizedToText, "Input"},
        {"Panel5", "QFrame", "GroupBox2", {52, 25, 27, 16}, Place::Exact, {}, 0, {}, false, 11, false, {{}, Black}},
        {"kxpotlab1", "Tkxpotlab", "Panel5", {1, 1, 25, 13}, Place::Exact, "2", 0, "MIDI Input Selector", true, 11, false, {Aqua, Black}},
        {"SpeedButton5", "TSpeedButton", "GroupBox2", {87, 19, 25, 25}, Place::Exact, "", 0, "Send Kessel setup to MIDI", false, 11, false, {}, false},
        {"CheckBox1", "QCheckBox", "GroupBox2", {20, 52, 86, 17}, Place::Exact, "Merge Input"},
        {"CheckBox2", "QCheckBox", "GroupBox2", {20, 72, 86, 17}, Place::Exact, "Startup send"},
        {"GroupBox1", "QGroupBox", "Panel4", {4, 104, 157, 329}, Place::Exact, "Controlers"},
        {"SpeedButton2", "TSpeedButton", "GroupBox1", {16, 300, 25, 25}, Place::Exact, "", 0, "Send All CC", true, 11, false, {}, false},
        {"SpeedButton3", "TSpeedButton", "GroupBox1", {41, 300, 25, 25}, Place::Exact, "", 0, "Reset All CC", true, 11, false, {}, false},
        {"Panel2", "QFrame", "GroupBox1", {12, 20, 129, 277}, Place::Exact, {}, 0, {}, false, 11, false, {{}, Grey}},
    };
    // clang-format on

    for (int t = 0; t < 32; ++t) {
        const int r = t % 16;
        const int top = r < 8 ? 12 + 16 * r : 16 + 16 * r;
        const int valueLabel = t == 0 ? 2 : t == 1 ? 3 : t == 2 ? 5 : t + 4;
        rows.push_back({Numbered("kxpotlab", valueLabel),
                        "Tkxpotlab",
                        "Panel2",
                        QRect(t < 16 ? 29 : 89, top, 25, 13),
                        Place::Exact,
                        "0",
                        t,
                        "MIDI Controler Value",
                        true,
                        11,
                        false,
                        {Aqua, Black}});
        const QRect number = t <= 8   ? QRect(16, top, 8, 13)
                             : t < 16 ? QRect(8, top, 15, 13)
                                      : QRect(68, top, 15, 13);
        rows.push_back({Numbered("Label", 41 + t),
                        "QLabel",
                        "Panel2",
                        number,
                        Place::Exact,
                        QString::number(t + 1),
                        0,
                        {},
                        false,
                        11,
                        true,
                        {Lime, {}}});
    }
    return rows;
}

std::vector<Control> AboutPage()
{
    // Label40's font shrinks to fit where the design family is missing: its size is not checked.
    // clang-format off
    return {
        {"Panel1", "QFrame", "TabSheet1", {0, 0, 502, 440}, Place::FillsBelow, {}, 0, {}, false, 11, false, {{}, QColor(198, 203, 204)}},
        {"Image1", "QLabel", "Panel1", {1, 1, 500, 400}},
        {"Label40", "QLabel", "Panel1", {52, 176, 410, 67}, Place::Exact, "Torvane Interface", 0, {}, false, -1, true},
        {"Label7", "QLabel", "Panel1", {172, 420, 0, 0}, Place::SizedToText, QStringLiteral("© 2026 Quillmont — Torvane editor")},
        {"Label39", "QLabel", "Panel1", {452, 420, 0, 0}, Place::SizedToText, "Rev 1.0"},
    };
    // clang-format on
}

std::vector<Control> EveryControl(const QColor &windowText)
{
    // clang-format off
    std::vector<Control> rows = {
        {"PageControl1", "QTabWidget", "Form1", {0, 0, 510, 468}, Place::FillsBelow},
        {"TabSheet2", "QWidget", "PageControl1", {}, Place::ChosenByPage},
        {"TabSheet3", "QWidget", "PageControl1", {}, Place::ChosenByPage},
        {"TabSheet1", "QWidget", "PageControl1", {}, Place::ChosenByPage},
    };
    // clang-format on
    for (auto page : {ConfigPage(windowText), MidiPage(), AboutPage()})
        rows.insert(rows.end(), page.begin(), page.end());
    return rows;
}

// Names given by Qt to the parts of its compound widgets are not designer names.
bool IsDesignerName(const QString &name)
{
    return !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
}

bool IsPartOfCompound(const QWidget *widget)
{
    for (const QWidget *p = widget->parentWidget(); p; p = p->parentWidget()) {
        if (qobject_cast<const QTabBar *>(p) || qobject_cast<const QComboBox *>(p))
            return true;
    }
    return false;
}

QString NamedParent(const QWidget *widget)
{
    for (const QWidget *p = widget->parentWidget(); p; p = p->parentWidget()) {
        if (IsDesignerName(p->objectName()))
            return p->objectName();
    }
    return {};
}

QString ShownText(const QWidget *widget)
{
    if (auto *label = qobject_cast<const QLabel *>(widget))
        return label->text();
    if (auto *button = qobject_cast<const QAbstractButton *>(widget))
        return button->text();
    if (auto *group = qobject_cast<const QGroupBox *>(widget))
        return group->title();
    if (auto *combo = qobject_cast<const QComboBox *>(widget))
        return combo->currentText();
    return {};
}

void ExpectPlaced(const QWidget *widget, const Control &c)
{
    const QRect actual = widget->geometry();
    const QSize room = widget->parentWidget()->size();
    switch (c.place) {
    case Place::Exact:
        EXPECT_EQ(actual, c.geometry);
        break;
    case Place::SizedToText:
        EXPECT_EQ(actual.topLeft(), c.geometry.topLeft());
        EXPECT_GE(actual.width(), widget->fontMetrics().horizontalAdvance(ShownText(widget)));
        EXPECT_GE(actual.height(), widget->fontMetrics().height());
        break;
    case Place::FillsWidth:
        EXPECT_EQ(actual, QRect(0, c.geometry.top(), room.width(), c.geometry.height()));
        break;
    case Place::FillsBelow:
        EXPECT_EQ(actual,
                  QRect(0, c.geometry.top(), room.width(), room.height() - c.geometry.top()));
        break;
    case Place::ChosenByPage:
        break;
    }
}

void ExpectColours(const QWidget *widget, const Control &c)
{
    if (auto *button = qobject_cast<const TSpeedButton *>(widget)) {
        if (c.colours.text.isValid()) {
            EXPECT_EQ(button->CaptionColor(), c.colours.text);
        }
        if (c.transparent) {
            EXPECT_EQ(button->Transparent(), *c.transparent);
        }
        return;
    }
    if (c.colours.text.isValid()) {
        EXPECT_EQ(widget->palette().color(QPalette::WindowText), c.colours.text);
    }
    if (c.colours.background.isValid()) {
        EXPECT_TRUE(widget->autoFillBackground());
        EXPECT_EQ(widget->palette().color(QPalette::Window), c.colours.background);
    }
}

// The members, by the designer name they must carry.
std::map<QString, QWidget *> Members(TForm1 &form)
{
    std::map<QString, QWidget *> members;
    for (QWidget *w : std::initializer_list<QWidget *>{
             form.PageControl1, form.TabSheet2,     form.TabSheet3,     form.TabSheet1,
             form.Panel8,       form.Panel3,        form.SpeedButton8,  form.SpeedButton17,
             form.SpeedButton1, form.SpeedButton10, form.SpeedButton12, form.spdPar1,
             form.spdPar2,      form.spdPar3,       form.spdPar4,       form.GroupBox7,
             form.GroupBox19,   form.Label27,       form.Panel11,       form.kxpotlab4,
             form.Panel4,       form.GroupBox4,     form.Label9,        form.cmbInput,
             form.Label1,       form.cmbOutput,     form.CheckBox38,    form.GroupBoxSystem,
             form.MidiStatus,   form.LabelSystem,   form.cmbSystem,     form.GroupBox2,
             form.Label12,      form.Panel5,        form.kxpotlab1,     form.SpeedButton5,
             form.CheckBox1,    form.CheckBox2,     form.GroupBox1,     form.SpeedButton2,
             form.SpeedButton3, form.Panel2,        form.Panel1,        form.Image1,
             form.Label40,      form.Label7,        form.Label39})
        members[w ? w->objectName() : QString()] = w;
    for (int i = 0; i < TForm1::OutputCount; ++i) {
        for (QWidget *w : {static_cast<QWidget *>(form.ComboBox[i]),
                           static_cast<QWidget *>(form.OutputNumbers[i]),
                           static_cast<QWidget *>(form.Controller[i]),
                           static_cast<QWidget *>(form.ControllerNumbers[i])})
            members[w ? w->objectName() : QString()] = w;
    }
    return members;
}

TEST_F(LayoutTest, EveryControlStandsAsDesigned)
{
    auto form = MakeForm();
    form->show();
    // Panels that fill their page take its size once the page has been laid out.
    for (int page = 0; page < form->PageControl1->count(); ++page) {
        form->PageControl1->setCurrentIndex(page);
        QApplication::processEvents();
    }

    const auto rows = EveryControl(form->palette().color(QPalette::WindowText));
    const auto members = Members(*form);
    std::set<QString> tabled;
    for (const Control &c : rows) {
        SCOPED_TRACE(c.name.toStdString());
        tabled.insert(c.name);
        const auto found = form->findChildren<QWidget *>(c.name);
        ASSERT_EQ(found.size(), 1);
        QWidget *widget = found.front();
        EXPECT_EQ(members.count(c.name) ? members.at(c.name) : nullptr, widget) << "member";
        EXPECT_STREQ(widget->metaObject()->className(), c.className);
        EXPECT_EQ(NamedParent(widget), c.parent);
        ExpectPlaced(widget, c);
        if (c.text) {
            EXPECT_EQ(ShownText(widget), *c.text);
        }
        EXPECT_EQ(Tag(widget), c.tag);
        EXPECT_EQ(widget->property("Hint").toString(), c.hint);
        EXPECT_EQ(widget->toolTip(), c.hintShown ? c.hint : QString()) << "hint shown";
        if (c.fontPixels > 0) {
            EXPECT_EQ(widget->font().pixelSize(), c.fontPixels);
        }
        EXPECT_EQ(widget->font().bold(), c.bold);
        ExpectColours(widget, c);
    }

    // Nothing named beyond the table: a misspelt or extra control shows up here.
    for (QWidget *widget : form->findChildren<QWidget *>()) {
        if (IsDesignerName(widget->objectName()) && widget->window() == form.get() &&
            !IsPartOfCompound(widget)) {
            EXPECT_TRUE(tabled.count(widget->objectName())) << qPrintable(widget->objectName());
        }
    }
    EXPECT_EQ(form->objectName(), "Form1");
    EXPECT_EQ(form->windowTitle(), "Torvane-v1.0");
    EXPECT_EQ(form->size(), QSize(510, 468));
}

TEST_F(LayoutTest, WindowOpensOnTheMidiPageWithTheTabsInDesignOrder)
{
    auto form = MakeForm();
    EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet3);
    const QWidget *pages[] = {form->TabSheet2, form->TabSheet3, form->TabSheet1};
    const QString captions[] = {"Config", "MIDI", "About..."};
    ASSERT_EQ(form->PageControl1->count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(form->PageControl1->widget(i), pages[i]);
        EXPECT_EQ(form->PageControl1->tabText(i), captions[i]);
    }
}

TEST_F(LayoutTest, ControllerRowsNineAndTwentyFiveStandTwentyPixelsLower)
{
    auto form = MakeForm();
    for (int t = 1; t < TForm1::OutputCount; ++t) {
        if (t == 16)
            continue; // the second column starts again at the top
        SCOPED_TRACE(t);
        const int gap = t == 8 || t == 24 ? 20 : 16;
        EXPECT_EQ(form->Controller[t]->y() - form->Controller[t - 1]->y(), gap);
        EXPECT_EQ(form->ControllerNumbers[t]->y(), form->Controller[t]->y());
    }
    EXPECT_EQ(form->Controller[16]->y(), form->Controller[0]->y());
}

TEST_F(LayoutTest, ControlsStartWithTheirDesignedSettings)
{
    auto form = MakeForm();
    struct ValueCase
    {
        Tkxpotlab *label;
        int min, max, cursorRange, state;
    };
    // clang-format off
    std::vector<ValueCase> values = {
        {form->kxpotlab4, 1, 16, 32, 1},
        {form->kxpotlab1, 0, 7, 80, 2},
    };
    // clang-format on
    for (Tkxpotlab *label : form->Controller)
        values.push_back({label, 0, 127, 80, 0});
    for (const ValueCase &v : values) {
        SCOPED_TRACE(v.label->objectName().toStdString());
        EXPECT_EQ(v.label->Min(), v.min);
        EXPECT_EQ(v.label->Max(), v.max);
        EXPECT_EQ(v.label->CursorRange(), v.cursorRange);
        EXPECT_EQ(v.label->State(), v.state);
        EXPECT_TRUE(v.label->AlwayDetect());
        EXPECT_FALSE(v.label->AutoSize());
        EXPECT_EQ(v.label->alignment(), Qt::AlignCenter);
    }

    for (QComboBox *combo : form->findChildren<QComboBox *>()) {
        if (combo == form->cmbSystem)
            continue; // a fixed choice, nothing to type
        SCOPED_TRACE(combo->objectName().toStdString());
        EXPECT_TRUE(combo->isEditable());
        EXPECT_EQ(combo->insertPolicy(), QComboBox::NoInsert) << "typed text became an item";
        const bool selector = Tag(combo) || combo == form->ComboBox[0];
        if (selector) {
            EXPECT_EQ(combo->maxVisibleItems(), 48);
        }
    }

    // First run: nothing restored, so the design's check states stand.
    EXPECT_FALSE(form->CheckBox38->isChecked());
    EXPECT_FALSE(form->CheckBox1->isChecked());
    EXPECT_TRUE(form->CheckBox2->isChecked());
    EXPECT_EQ(form->CheckBox38->layoutDirection(), Qt::LeftToRight);
    EXPECT_EQ(form->CheckBox1->layoutDirection(), Qt::RightToLeft) << "caption left of the box";
    EXPECT_EQ(form->CheckBox2->layoutDirection(), Qt::RightToLeft);

    for (TSpeedButton *button : form->findChildren<TSpeedButton *>()) {
        SCOPED_TRACE(button->objectName().toStdString());
        EXPECT_TRUE(button->autoRaise()) << "not flat";
        const bool preset = button->objectName().startsWith("spdPar");
        EXPECT_EQ(button->Glyph().isNull(), preset) << "glyph missing or unexpected";
        if (!preset) {
            EXPECT_EQ(button->Glyph().width(), button == form->SpeedButton12 ? 72 : 64);
        }
    }
    EXPECT_EQ(form->Image1->pixmap().size(), QSize(500, 400)) << "About picture missing";
}

// A tooltip request at a control, as the platform sends it when the pointer rests there.
void RestPointerOn(QWidget *widget)
{
    const QPoint centre = widget->rect().center();
    QHelpEvent help(QEvent::ToolTip, centre, widget->mapToGlobal(centre));
    QApplication::sendEvent(widget, &help);
}

TEST_F(LayoutTest, OnlyTheHintsMeantToShowPopUp)
{
    auto form = MakeForm();
    form->show();
    auto rows = EveryControl(form->palette().color(QPalette::WindowText));
    // The silent ones first, while no tooltip from another control can still be fading out.
    std::stable_partition(rows.begin(), rows.end(), [](const Control &c) { return !c.hintShown; });
    for (const Control &c : rows) {
        QWidget *control = form->findChild<QWidget *>(c.name);
        QWidget *page = control;
        while (page && form->PageControl1->indexOf(page) < 0)
            page = page->parentWidget();
        if (!page || page == control)
            continue;
        SCOPED_TRACE(c.name.toStdString());
        form->PageControl1->setCurrentWidget(page);
        RestPointerOn(control);
        EXPECT_EQ(QToolTip::isVisible(), c.hintShown) << qPrintable(QToolTip::text());
        if (c.hintShown) {
            EXPECT_EQ(QToolTip::text(), c.hint);
        }
    }
    QToolTip::hideText();
}

// Where Tab takes the focus from each control in turn, starting at `first`, told by the
// designer name of the focused control (the edit field of a combo box counts as the box).
std::vector<QString> TabWalk(TForm1 &form, QWidget *first, int steps)
{
    const auto members = Members(form);
    auto named = [&](QWidget *w) {
        for (; w; w = w->parentWidget()) {
            if (members.count(w->objectName()) && members.at(w->objectName()) == w)
                return w->objectName();
        }
        return QString();
    };
    first->setFocus(Qt::TabFocusReason);
    std::vector<QString> walk{named(QApplication::focusWidget())};
    for (int i = 1; i < steps; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        walk.push_back(named(QApplication::focusWidget()));
    }
    return walk;
}

TEST_F(LayoutTest, TabWalksEachPageInReadingOrder)
{
    auto form = MakeForm();
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));

    std::vector<QString> config = {"SpeedButton8",  "SpeedButton17", "SpeedButton1",
                                   "SpeedButton10", "SpeedButton12", "spdPar1",
                                   "spdPar2",       "spdPar3",       "spdPar4"};
    for (int n = 1; n <= TForm1::OutputCount; ++n)
        config.push_back(Numbered("ComboBox", n));
    config.push_back("kxpotlab4");
    form->PageControl1->setCurrentWidget(form->TabSheet2);
    EXPECT_EQ(TabWalk(*form, form->SpeedButton8, int(config.size())), config);

    std::vector<QString> midi = {"cmbOutput",    "cmbInput",  "CheckBox38", "kxpotlab1",
                                 "SpeedButton5", "CheckBox1", "CheckBox2"};
    for (Tkxpotlab *value : form->Controller)
        midi.push_back(value->objectName());
    midi.insert(midi.end(), {"SpeedButton2", "SpeedButton3"});
    form->PageControl1->setCurrentWidget(form->TabSheet3);
    EXPECT_EQ(TabWalk(*form, form->cmbOutput, int(midi.size())), midi);
}

} // namespace
