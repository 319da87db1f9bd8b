#include "controls/Accessible.h"

#include "controls/Cgauges.h"
#include "controls/Kxpotlab.h"
#include "controls/Kxsampletank.h"

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QStringList>

namespace {

// A control with a value and bounds, the value also read out as its text; a step is one unit.
class ValueWidgetAccessible : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    using QAccessibleWidget::QAccessibleWidget;

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return ValueText();
        return QAccessibleWidget::text(t);
    }
    QVariant minimumStepSize() const override { return 1; }

protected:
    virtual QString ValueText() const { return currentValue().toString(); }
};

class ValueLabelAccessible : public ValueWidgetAccessible
{
public:
    explicit ValueLabelAccessible(Tkxpotlab *label)
        : ValueWidgetAccessible(label, QAccessible::SpinBox)
    {
    }
    QVariant currentValue() const override { return Label()->State(); }
    // The screen reader's change is the user's: it is reported (and sent) like a click.
    void setCurrentValue(const QVariant &value) override { Label()->ChangeByUser(value.toInt()); }
    QVariant maximumValue() const override { return Label()->Max(); }
    QVariant minimumValue() const override { return Label()->Min(); }

private:
    Tkxpotlab *Label() const { return static_cast<Tkxpotlab *>(widget()); }
};

class GaugeAccessible : public ValueWidgetAccessible
{
public:
    explicit GaugeAccessible(TCGauge *gauge)
        : ValueWidgetAccessible(gauge, QAccessible::ProgressBar)
    {
    }
    QVariant currentValue() const override { return Gauge()->Progress(); }
    void setCurrentValue(const QVariant &) override {} // progress is the transfer's alone
    QVariant maximumValue() const override { return Gauge()->MaxValue(); }
    QVariant minimumValue() const override { return Gauge()->MinValue(); }

protected:
    QString ValueText() const override
    {
        return QStringLiteral("%1%").arg(Gauge()->GetPercentDone());
    }

private:
    TCGauge *Gauge() const { return static_cast<TCGauge *>(widget()); }
};

class SampleTankAccessible : public QAccessibleWidget
{
public:
    explicit SampleTankAccessible(TkxSampleTank *tank) : QAccessibleWidget(tank, QAccessible::Chart)
    {
    }
    // The values plotted, left to right: the one way a listener reads the curve.
    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Description || !widget()->accessibleDescription().isEmpty())
            return QAccessibleWidget::text(t);
        const auto *tank = static_cast<const TkxSampleTank *>(widget());
        QStringList values;
        for (int i = 0; i < tank->Max(); ++i)
            values << QString::number(tank->Values()[i]);
        return values.join(QStringLiteral(", "));
    }
};

// Qt owns what a factory returns (it caches one interface per object and deletes it with it).
QAccessibleInterface *ControlsFactory(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    if (className == QLatin1String("Tkxpotlab"))
        return new ValueLabelAccessible(static_cast<Tkxpotlab *>(object));
    if (className == QLatin1String("TCGauge"))
        return new GaugeAccessible(static_cast<TCGauge *>(object));
    if (className == QLatin1String("TkxSampleTank"))
        return new SampleTankAccessible(static_cast<TkxSampleTank *>(object));
    // Qt makes a plain top-level QWidget (the main window) a mere filler; a screen reader
    // announces a window, with its title, when it comes up.
    if (className == QLatin1String("QWidget") && static_cast<QWidget *>(object)->isWindow())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    return nullptr;
}

} // namespace

void InstallControlAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(ControlsFactory);
        return true;
    }();
    (void)installed;
}
