#include "converter/BoxView.h"

#include <QLabel>

namespace {

// The selectors stand in two columns of 16 rows, 24 pixels apart; the narrow gap right of each
// column (left of the second column's numbers, and before the group's edge) takes the mark.
QRect MarkPlace(int output)
{
    const bool first = output < 16;
    const int row = first ? output : output - 16;
    return {first ? 195 : 391, 22 + 24 * row, 4, 17};
}

} // namespace

BoxView::BoxView(QWidget *outputs, QWidget *free)
{
    for (int i = 0; i < protocol::OutputCount; ++i) {
        auto *mark = new QLabel(outputs);
        mark->setGeometry(MarkPlace(i));
        mark->setAutoFillBackground(true);
        QPalette red = mark->palette();
        red.setColor(QPalette::Window, QColor(220, 0, 0));
        mark->setPalette(red);
        mark->hide();
        Marks[i] = mark;
    }
    // Below the "Master" group, in the column the page leaves empty.
    Status = new QLabel(free);
    Status->setGeometry(404, 64, 93, 120);
    Status->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Status->setWordWrap(true);
}

QString BoxView::ControllerText(const BoxBelief::Known &controller)
{
    if (!controller)
        return tr("nothing known");
    const int item = protocol::ItemForPresetByte(*controller);
    if (*controller == 0xFF)
        return tr("no controller");
    if (item < 0)
        return tr("byte %1, no controller").arg(*controller);
    return tr("%1 (%2)").arg(protocol::ControllerItemText(item).trimmed()).arg(*controller);
}

QString BoxView::StatusText(const BoxBelief &belief, const BoxBelief::Comparison &comparison)
{
    QString text;
    switch (comparison.standing) {
    case BoxBelief::Standing::Unknown:
        text = tr("Unknown: send the preset.");
        break;
    case BoxBelief::Standing::OtherChannel:
        text = tr("The box listens on channel %1.").arg(*belief.Working().channel + 1);
        break;
    case BoxBelief::Standing::Differ:
        text = comparison.differing.size() == 1
                   ? tr("1 output differs.")
                   : tr("%1 outputs differ.").arg(comparison.differing.size());
        break;
    case BoxBelief::Standing::Unwritten:
        text = tr("In step with the box; not written to flash.");
        break;
    case BoxBelief::Standing::InStep:
        text = tr("In step with the box.");
        break;
    }
    return tr("The box, as sent from this editor: %1").arg(text);
}

void BoxView::Show(const BoxBelief &belief, int channel,
                   std::span<const std::uint8_t, protocol::OutputCount> preset,
                   const protocol::OutputLabels &labelOf)
{
    const BoxBelief::Comparison comparison = belief.Compare(channel, preset);
    std::array<bool, protocol::OutputCount> differs{};
    // Nothing known is no difference to mark: the status line says it once.
    if (!belief.Unknown())
        for (int output : comparison.differing)
            differs[output] = true;
    for (int i = 0; i < protocol::OutputCount; ++i) {
        Marks[i]->setVisible(differs[i]);
        const QString has =
            differs[i] ? tr("The box has %1").arg(ControllerText(belief.Working().controllers[i]))
                       : QString();
        const QString label = differs[i] && labelOf ? labelOf(i) : QString();
        Marks[i]->setToolTip(label.isEmpty() ? has : QStringLiteral("%1: %2").arg(label, has));
    }
    Status->setText(StatusText(belief, comparison));
}
