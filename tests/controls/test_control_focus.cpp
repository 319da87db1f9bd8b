// The painted controls take the focus from Tab only, never from a click (which would take it
// from a field being edited), and the focused one shows that it has it.
#include "controls/Kxpotlab.h"
#include "controls/SpeedButton.h"
#include "support/WidgetProbes.h"

#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

TEST(ControlFocus, TabReachesItAClickDoesNotAndTheFocusShows)
{
    for (const bool button : {false, true}) {
        QWidget window;
        auto *edit = new QLineEdit(&window);
        QWidget *control =
            button ? static_cast<QWidget *>(new TSpeedButton(&window)) : new Tkxpotlab(&window);
        control->setGeometry(0, 30, 30, 25);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        edit->setFocus();
        QTest::mouseClick(control, Qt::LeftButton, {}, {12, 12});
        EXPECT_TRUE(edit->hasFocus()) << "a click took the focus; button " << button;
        const QImage unfocused = Picture(*control);
        QTest::keyClick(edit, Qt::Key_Tab);
        EXPECT_TRUE(control->hasFocus()) << "Tab passed it by; button " << button;
        EXPECT_NE(Picture(*control), unfocused) << "the focus does not show; button " << button;
    }
}
