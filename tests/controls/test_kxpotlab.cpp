// Tkxpotlab driven by real mouse events: drags, clicks, the cross-button jumps to a bound,
// silent State writes, and the degenerate set-ups that must not fault.
#include "controls/Kxpotlab.h"
#include "support/WidgetProbes.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <climits>
#include <gtest/gtest.h>
#include <vector>

namespace {

// A label set up as on a form, recording what every OnChange handler sees.
struct Rig
{
    Tkxpotlab label;
    QSignalSpy spy{&label, &Tkxpotlab::OnChange};
    std::vector<int> shown; // State at each OnChange

    Rig(int min, int max, int cursorRange, int state)
    {
        label.SetMin(min);
        label.SetMax(max);
        label.SetCursorRange(cursorRange);
        label.SetState(state);
        QObject::connect(&label, &Tkxpotlab::OnChange, &label, [this](Tkxpotlab *sender) {
            EXPECT_EQ(sender, &label);
            EXPECT_EQ(sender->text(), QString::number(sender->State())) << "caption lags";
            shown.push_back(sender->State());
        });
    }
    void Press(Qt::MouseButton button, QPoint at = {3, 5}, Qt::KeyboardModifiers mods = {})
    {
        QTest::mousePress(&label, button, mods, at);
    }
    void Release(Qt::MouseButton button, QPoint at = {3, 5}, Qt::KeyboardModifiers mods = {})
    {
        QTest::mouseRelease(&label, button, mods, at);
    }
    void Move(QPoint at) { QTest::mouseMove(&label, at); }
};

struct DragCase
{
    const char *name;
    int min, max, cursorRange, state;
    tOrientation axis;
    QPoint press;
    std::vector<std::pair<QPoint, int>> moves; // pointer position, value shown after it
};

TEST(Kxpotlab, DragFollowsTotalTravelAndClampsAtBothEnds)
{
    // clang-format off
    const DragCase cases[] = {
        // Anchor 5 + 64 * 80 / 127 = 45; 127 per 80 pixels upward.
        {"controller", 0, 127, 80, 64, posVertical, {3, 5}, {{{3, 5}, 63}, {{3, -35}, 127}, {{3, 45}, 0}, {{3, 400}, 0}, {{3, 5}, 63}}},
        // Anchor 7 + 16 * 32 / 15 = 41: a still move drops to 15, one pixel up is 16 again.
        {"channel", 1, 16, 32, 16, posVertical, {3, 7}, {{{3, 7}, 15}, {{3, 6}, 16}}},
        // Leftward raises; Y plays no part.
        {"horizontal", 0, 127, 80, 64, posHorizontal, {5, 3}, {{{5, 3}, 63}, {{5, -200}, 63}, {{-35, 3}, 127}, {{45, 3}, 0}}},
    };
    // clang-format on
    for (const DragCase &c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig(c.min, c.max, c.cursorRange, c.state);
        rig.label.SetMouvement(c.axis);
        rig.Press(Qt::LeftButton, c.press);
        EXPECT_EQ(rig.spy.count(), 0) << "a press alone announces nothing";
        std::vector<int> expected;
        for (const auto &[at, value] : c.moves) {
            rig.Move(at);
            EXPECT_EQ(rig.label.State(), value);
            EXPECT_EQ(rig.label.text(), QString::number(value));
            expected.push_back(value);
        }
        rig.Release(Qt::LeftButton, c.moves.back().first);
        expected.push_back(c.moves.back().second);
        EXPECT_EQ(rig.shown, expected) << "one OnChange per move and one at the release";
    }
}

TEST(Kxpotlab, WithoutAlwayDetectOnlyTheReleaseAnnouncesTheFinalValue)
{
    Rig rig(0, 127, 80, 64);
    rig.label.SetAlwayDetect(false);
    rig.Press(Qt::LeftButton, {3, 5});
    for (int y = 4; y >= -20; --y)
        rig.Move({3, y});
    EXPECT_EQ(rig.spy.count(), 0);
    rig.Release(Qt::LeftButton, {3, -25});
    EXPECT_EQ(rig.shown, std::vector<int>{111}); // 127 * 70 / 80
}

TEST(Kxpotlab, ClicksStepOnceAndAnnounceOnce)
{
    const struct
    {
        const char *name;
        int max, state;
        Qt::MouseButton button;
        Qt::KeyboardModifiers mods;
        int expected;
    } cases[] = {
        // clang-format off
        {"left", 127, 64, Qt::LeftButton, {}, 63},
        {"shift left", 127, 64, Qt::LeftButton, Qt::ShiftModifier, 52},
        {"right", 127, 64, Qt::RightButton, {}, 65},
        {"shift right", 127, 64, Qt::RightButton, Qt::ShiftModifier, 76},
        {"shift step of Max 7 is 0", 7, 2, Qt::LeftButton, Qt::ShiftModifier, 2},
        {"left at Min", 127, 0, Qt::LeftButton, {}, 0},
        {"right at Max", 127, 127, Qt::RightButton, {}, 127},
        // clang-format on
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig(0, c.max, 80, c.state);
        rig.Press(c.button);
        rig.Release(c.button, {3, 5}, c.mods);
        EXPECT_EQ(rig.label.State(), c.expected);
        EXPECT_EQ(rig.shown, std::vector<int>{c.expected});
    }
}

TEST(Kxpotlab, KeysStepLikeClicksAndAnnounceOnce)
{
    const struct
    {
        int key;
        Qt::KeyboardModifiers mods;
        int state;
        std::vector<int> shown;
    } cases[] = {
        // clang-format off
        {Qt::Key_Up, {}, 64, {65}}, {Qt::Key_Right, {}, 64, {65}},
        {Qt::Key_Down, {}, 64, {63}}, {Qt::Key_Left, {}, 64, {63}},
        {Qt::Key_PageUp, {}, 64, {76}}, {Qt::Key_PageDown, {}, 64, {52}},
        {Qt::Key_Home, {}, 64, {0}}, {Qt::Key_End, {}, 64, {127}},
        {Qt::Key_Up, {}, 127, {127}}, {Qt::Key_PageDown, {}, 5, {0}},
        {Qt::Key_Up, Qt::ControlModifier, 64, {}}, {Qt::Key_A, {}, 64, {}},
        // clang-format on
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "key " << c.key << " mods " << c.mods.toInt());
        Rig rig(0, 127, 80, c.state);
        QTest::keyClick(&rig.label, Qt::Key(c.key), c.mods);
        EXPECT_EQ(rig.shown, c.shown);
    }
}

TEST(Kxpotlab, ReleasingTheOtherButtonJumpsToABound)
{
    Rig rig(0, 127, 80, 64);
    rig.Press(Qt::LeftButton);
    rig.Release(Qt::LeftButton);
    // A right button pressed elsewhere and let go over the label: the last press was a left.
    rig.Release(Qt::RightButton);
    EXPECT_EQ(rig.label.State(), 127);

    rig.Press(Qt::LeftButton);
    rig.Press(Qt::RightButton);
    rig.Release(Qt::LeftButton);
    EXPECT_EQ(rig.label.State(), 0);
    rig.Release(Qt::RightButton); // the right press was last: a step up
    rig.Release(Qt::LeftButton);  // and it still is, across releases: Min again
    EXPECT_EQ(rig.shown, (std::vector<int>{63, 127, 0, 1, 0}));
}

TEST(Kxpotlab, RightClickAppliesOnlyTheUpperBound)
{
    Rig rig(-100, 127, 80, -50);
    rig.label.SetMin(0);
    rig.Press(Qt::RightButton);
    rig.Release(Qt::RightButton);
    EXPECT_EQ(rig.label.State(), -49);
}

TEST(Kxpotlab, StateWritesClampToTheBoundsOfTheMomentAndStaySilent)
{
    Rig rig(0, 127, 80, 200);
    EXPECT_EQ(rig.label.text(), "127");
    rig.label.SetState(-3);
    EXPECT_EQ(rig.label.State(), 0);

    // Bound setters store only; an unchanged State is not even re-clamped.
    rig.label.SetState(120);
    rig.label.SetMax(100);
    rig.label.SetState(120);
    EXPECT_EQ(rig.label.State(), 120);
    EXPECT_EQ(rig.label.text(), "120");

    Tkxpotlab fresh; // initial bounds 0..100
    fresh.SetState(120);
    fresh.SetMax(127);
    EXPECT_EQ(fresh.State(), 100);
    EXPECT_EQ(rig.spy.count(), 0);
}

TEST(Kxpotlab, ValueChangesRepaintAtOnceAndSettersDoNot)
{
    Tkxpotlab label;
    label.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&label));
    QApplication::processEvents();
    PaintCounter counter;
    label.installEventFilter(&counter);

    label.SetMin(-5);
    label.SetMax(50);
    label.SetCursorRange(7);
    label.SetMouvement(posHorizontal);
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 0);

    label.SetState(42);
    EXPECT_GT(counter.paints, 0) << "painted before SetState returned";

    QLabel reference("42");
    reference.resize(label.size());
    label.clearFocus(); // the one focusable control of its window has the focus, and shows it
    EXPECT_EQ(label.grab().toImage(), reference.grab().toImage());
}

TEST(Kxpotlab, AutoSizeFitsTheCaptionOnlyWhileOn)
{
    Tkxpotlab label;
    EXPECT_EQ(label.size(), label.sizeHint()) << "a new label fits its caption, not 30 x 30";
    label.SetAutoSize(false);
    label.resize(40, 20);
    label.SetState(-99);
    EXPECT_EQ(label.size(), QSize(40, 20));
    label.SetAutoSize(true);
    EXPECT_EQ(label.size(), label.sizeHint());
}

TEST(Kxpotlab, DragContinuesOutsideTheLabelAndNeverTakesFocus)
{
    QWidget form;
    form.resize(200, 200);
    auto *edit = new QLineEdit(&form);
    auto *label = new Tkxpotlab(&form);
    label->SetMax(127);
    label->SetCursorRange(80);
    label->SetState(64);
    label->move(50, 80);
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    edit->setFocus();
    ASSERT_TRUE(edit->hasFocus());
    QWindow *window = form.windowHandle();

    QTest::mousePress(window, Qt::LeftButton, {}, {53, 85}); // label Y 5
    QTest::mouseMove(window, {120, 45});                     // 40 px above it, over the form
    EXPECT_EQ(label->State(), 127);
    QTest::mouseRelease(window, Qt::LeftButton, {}, {120, 130});
    EXPECT_EQ(label->State(), 0);
    EXPECT_TRUE(edit->hasFocus());
}

TEST(Kxpotlab, NoSpanOrNoTravelScaleLeavesTheValueAlone)
{
    const struct
    {
        const char *name;
        int min, max, cursorRange, state, announcements;
    } cases[] = {
        // clang-format off
        {"Min = Max", 5, 5, 80, 5, 1},       // the press anchors nothing: a click
        {"Max < Min", 10, 3, 80, 3, 1},      // the bounds clamp every value to Max
        {"CursorRange 0", 0, 127, 0, 64, 3}, // a drag that holds the value
        // clang-format on
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig(c.min, c.max, c.cursorRange, c.state);
        rig.Press(Qt::LeftButton, {3, 5});
        rig.Move({3, -300});
        rig.Move({3, 300});
        rig.Release(Qt::LeftButton, {3, -300});
        EXPECT_EQ(rig.label.State(), c.state);
        EXPECT_EQ(rig.spy.count(), c.announcements);
    }
}

// Pure arithmetic at the 32-bit edges: products and differences wrap, INT_MIN / -1 does not trap.
TEST(KxpotlabArithmetic, WrapsLikeThirtyTwoBitRegisters)
{
    using namespace kxpotlab;
    EXPECT_EQ(AnchorFor(0, 65536, 0, 2, 65537), 32768);             // 65536 * 65537 keeps 65536
    EXPECT_EQ(AnchorFor(0, INT_MIN, INT_MIN, INT_MAX, 1), INT_MIN); // span wraps to -1
    EXPECT_EQ(DragValue(INT_MAX, -1, 0, 1, 1), 0);                  // travel wraps negative
    EXPECT_EQ(DragValue(INT_MIN, 0, 0, 1, -1), 0);                  // INT_MIN / -1, then clamped
    EXPECT_EQ(LeftClickValue(INT_MIN, INT_MIN, 10, 1, false), 10);
    EXPECT_EQ(AnchorFor(0, 1, 3, 3, 1), std::nullopt);
    EXPECT_EQ(DragValue(0, 0, 0, 1, 0), std::nullopt);
}

} // namespace
