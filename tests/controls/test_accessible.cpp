// The painted controls as assistive technology reads them, through the interfaces Qt's AT-SPI
// bridge serves: role, value, bounds and step, and a value set from outside. (What they
// announce reaches only a live bridge: tests/accessibility hears it on the bus.)
#include "controls/Accessible.h"
#include "controls/Cgauges.h"
#include "controls/Kxpotlab.h"
#include "controls/Kxsampletank.h"

#include <QAccessibleValueInterface>
#include <QMetaEnum>
#include <QSignalSpy>
#include <array>
#include <gtest/gtest.h>

namespace {

// Role, value text, description and the value interface's numbers, as one line.
std::string Read(QWidget *control)
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
    return line.toStdString();
}

// Each control in its own rig, as a page sets it up. The factory goes first: Qt keeps the
// interface it made for a control the first time it was asked.
struct Rig
{
    const bool installed = (InstallControlAccessibility(), true);
    Tkxpotlab label;
    TCGauge gauge;
    TkxSampleTank tank;
    QSignalSpy changes{&label, &Tkxpotlab::OnChange};

    Rig()
    {
        label.SetMin(1);
        label.SetMax(16);
        label.SetState(5);
        gauge.SetMaxValue(34);
        gauge.SetProgress(17);
        tank.SetMax(3);
        tank.SetValues(std::array<quint8, 3>{0, 64, 254});
    }
};

TEST(ControlAccessibility, RoleValueAndBounds)
{
    Rig rig;
    EXPECT_EQ(Read(&rig.label), "SpinBox '5' '' 5 in 1..16 by 1");
    EXPECT_EQ(Read(&rig.gauge), "ProgressBar '50%' '' 17 in 0..34 by 1");
    EXPECT_EQ(Read(&rig.tank), "Chart '' '0, 64, 254'");
}

// A value set from outside is the user's: OnChange, so the page sends it; the gauge's
// progress is the transfer's alone.
TEST(ControlAccessibility, ValuesSetFromOutside)
{
    const struct
    {
        const char *name;
        bool gauge;
        int value, changes;
        std::string after;
    } cases[] = {
        {"label beyond Max", false, 99, 1, "SpinBox '16' '' 16 in 1..16 by 1"},
        {"gauge", true, 3, 0, "ProgressBar '50%' '' 17 in 0..34 by 1"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        QWidget *control = c.gauge ? static_cast<QWidget *>(&rig.gauge) : &rig.label;
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(control);
        face->valueInterface()->setCurrentValue(c.value);
        EXPECT_EQ(rig.changes.count(), c.changes);
        EXPECT_EQ(Read(control), c.after);
    }
}

} // namespace
