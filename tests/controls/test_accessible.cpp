// The painted controls as assistive technology reads them, through the interfaces Qt's AT-SPI
// bridge serves: role, value, bounds and step, a value set from outside, and what is announced.
#include "controls/Accessible.h"
#include "controls/Cgauges.h"
#include "controls/Kxpotlab.h"
#include "controls/Kxsampletank.h"

#include <QAccessibleValueInterface>
#include <QMetaEnum>
#include <QSignalSpy>
#include <QTest>
#include <QtTest/qtestaccessible.h>
#include <array>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Role, value text, description and the value interface's numbers, as one line.
QString Read(QWidget *control)
{
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(control);
    QString line = QMetaEnum::fromType<QAccessible::Role>().valueToKey(face->role());
    line +=
        " '" + face->text(QAccessible::Value) + "' '" + face->text(QAccessible::Description) + "'";
    if (QAccessibleValueInterface *value = face->valueInterface())
        line += QStringLiteral(" %1 in %2..%3 by %4")
                    .arg(value->currentValue().toInt())
                    .arg(value->minimumValue().toInt())
                    .arg(value->maximumValue().toInt())
                    .arg(value->minimumStepSize().toInt());
    return line;
}

// Each control in its own rig, as a page sets it up.
struct Rig
{
    Tkxpotlab label;
    TCGauge gauge;
    TkxSampleTank tank;
    QSignalSpy changes{&label, &Tkxpotlab::OnChange};

    Rig()
    {
        InstallControlAccessibility();
        QTestAccessibility::initialize();
        QAccessible::setActive(true);
        label.SetMin(1);
        label.SetMax(16);
        label.SetState(5);
        gauge.SetMaxValue(34);
        gauge.SetProgress(17);
        tank.SetMax(3);
        tank.SetValues(std::array<quint8, 3>{0, 64, 254});
        QTestAccessibility::clearEvents();
    }
};

TEST(ControlAccessibility, RoleValueAndBounds)
{
    Rig rig;
    EXPECT_EQ(Read(&rig.label), "SpinBox '5' '' 5 in 1..16 by 1");
    EXPECT_EQ(Read(&rig.gauge), "ProgressBar '50%' '' 17 in 0..34 by 1");
    EXPECT_EQ(Read(&rig.tank), "Chart '' '0, 64, 254'");
}

void SetFromOutside(QWidget *control, int value)
{
    QAccessible::queryAccessibleInterface(control)->valueInterface()->setCurrentValue(value);
}

// A value set from outside is the user's (OnChange, so the page sends it); every change of
// the value is announced; the gauge's progress is the transfer's alone.
TEST(ControlAccessibility, ValuesSetFromOutsideAndAnnounced)
{
    const struct
    {
        const char *name;
        std::function<void(Rig &)> act;
        bool gauge;
        int changes, value; // OnChange count; the value announced, or the gauge's unchanged
    } cases[] = {
        {"label set", [](Rig &r) { SetFromOutside(&r.label, 9); }, false, 1, 9},
        {"label set beyond Max", [](Rig &r) { SetFromOutside(&r.label, 99); }, false, 1, 16},
        {"label written by code", [](Rig &r) { r.label.SetState(7); }, false, 0, 7},
        {"label keyed", [](Rig &r) { QTest::keyClick(&r.label, Qt::Key_End); }, false, 1, 16},
        {"gauge advanced", [](Rig &r) { r.gauge.SetProgress(34); }, true, 0, 34},
        {"gauge set from outside", [](Rig &r) { SetFromOutside(&r.gauge, 3); }, true, 0, 17},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        c.act(rig);
        EXPECT_EQ(rig.changes.count(), c.changes);
        QWidget *control = c.gauge ? static_cast<QWidget *>(&rig.gauge) : &rig.label;
        QAccessibleValueChangeEvent announced(control, c.value);
        EXPECT_EQ(QTestAccessibility::containsEvent(&announced), c.value != 17);
        EXPECT_EQ(QAccessible::queryAccessibleInterface(control)->text(QAccessible::Value),
                  c.gauge ? QStringLiteral("%1%").arg(c.value * 100 / 34)
                          : QString::number(c.value));
    }
}

} // namespace
