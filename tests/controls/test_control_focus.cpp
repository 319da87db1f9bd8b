// The painted controls from the keyboard: Tab reaches them, a click leaves the focus where it
// was (on a field being edited, say), and the focused control shows that it has it.
#include "controls/Kxpotlab.h"
#include "controls/SpeedButton.h"
#include "support/WidgetProbes.h"

#include <QLineEdit>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

namespace {

TEST(ControlFocus, TabReachesItAClickDoesNotAndTheFocusShows)
{
    const struct
    {
        const char *name;
        std::function<QWidget *(QWidget *)> make;
    } cases[] = {
        {"value label", [](QWidget *parent) { return new Tkxpotlab(parent); }},
        {"speed button",
         [](QWidget *parent) {
             auto *button = new TSpeedButton(parent);
             button->setText("Go");
             return button;
         }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QWidget window;
        auto *edit = new QLineEdit(&window);
        QWidget *control = c.make(&window);
        control->setGeometry(0, 30, 30, 25);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        edit->setFocus();
        QTest::mouseClick(control, Qt::LeftButton, {}, {12, 12});
        EXPECT_TRUE(edit->hasFocus()) << "a click took the focus";
        const QImage unfocused = Picture(*control);
        QTest::keyClick(edit, Qt::Key_Tab);
        EXPECT_TRUE(control->hasFocus()) << "Tab passed it by";
        EXPECT_NE(Picture(*control), unfocused) << "the focus does not show";
    }
}

} // namespace
