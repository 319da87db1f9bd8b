// The "Config" page against what its current preset is compared with: the box, as this editor
// sent it (the marks, the status line, "Send changes", forgetting), and another preset or a
// preset file side by side ("Compare", whose copies are edits like any other).
#include "converter/AssignmentPage.h"

#include "converter/BoxView.h"
#include "converter/CompareDialog.h"
#include "converter/EditorState.h"
#include "converter/LabelsDialog.h"
#include "converter/PresetStore.h"
#include "converter/Protocol.h"

#include <QAction>
#include <QFrame>
#include <QToolButton>
#include <stdexcept>

void AssignmentPage::BuildBoxActions(QWidget *sheet)
{
    SendChangesAction = new QAction(tr("Send changes"), sheet);
    SendChangesAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    SendChangesAction->setToolTip(tr("Send only the outputs the box has differently (%1)")
                                      .arg(SendChangesAction->shortcut().toString()));
    connect(SendChangesAction, &QAction::triggered, this,
            [this] { RunGuarded(Report, [this] { SendChanges(); }); });
    ForgetBoxAction = new QAction(tr("Forget what the box has"), sheet);
    connect(ForgetBoxAction, &QAction::triggered, this, [this] {
        if (ForgetBox)
            ForgetBox();
        ShowBox();
    });
    CompareAction = new QAction(tr("Compare..."), sheet);
    connect(CompareAction, &QAction::triggered, this, &AssignmentPage::Compare);
    sheet->addAction(SendChangesAction);
    sheet->addAction(ForgetBoxAction);
    sheet->addAction(CompareAction);
    // In the toolbar's free space between the channel button and the presets.
    SendChangesButton = new QToolButton(Panel8);
    SendChangesButton->setGeometry(177, 1, 53, 25);
    SendChangesButton->setAutoRaise(true);
    SendChangesButton->setFocusPolicy(Qt::NoFocus);
    SendChangesButton->setDefaultAction(SendChangesAction);
    // The toolbar has room for one word only; a screen reader names what the button does.
    SendChangesButton->setText(tr("Changes"));
    SendChangesButton->setAccessibleName(SendChangesAction->text());
}

ConverterLink::Controllers AssignmentPage::CurrentControllers() const
{
    ConverterLink::Controllers controllers;
    for (int i = 0; i < OutputCount; ++i)
        controllers[i] = Presets.GetByte(State.CurrentPreset(), i);
    return controllers;
}

void AssignmentPage::ShowBox()
{
    // Called after every change of the current preset's bytes, which "Names" lists too.
    if (Names && Names->isVisible())
        Names->Refresh();
    if (BoxHas)
        View->Show(BoxHas(), State.MasterChannel(), CurrentControllers(),
                   [this](int output) { return State.Label(output); });
}

void AssignmentPage::SendChanges()
{
    const ConverterLink::Controllers preset = CurrentControllers();
    const BoxBelief &box = BoxHas();
    const BoxBelief::Comparison comparison = box.Compare(State.MasterChannel(), preset);
    if (comparison.standing == BoxBelief::Standing::OtherChannel)
        throw std::runtime_error(tr("The box listens on channel %1, as sent from this editor, not "
                                    "on channel %2: nothing was sent. Change the box's channel, "
                                    "or send the whole preset")
                                     .arg(*box.Working().channel + 1)
                                     .arg(State.MasterChannel() + 1)
                                     .toStdString());
    std::vector<QByteArray> messages;
    for (int output : comparison.differing) {
        const protocol::ParameterMessage message = protocol::MakeParameterMessage(
            State.MasterChannel(), protocol::FirstOutputParameter + output, preset[output]);
        messages.emplace_back(reinterpret_cast<const char *>(message.data()),
                              qsizetype(message.size()));
    }
    if (!messages.empty())
        Link.SendMessages(messages, Progress());
}

CompareDialog &AssignmentPage::Comparing()
{
    if (!Comparison)
        Comparison = new CompareDialog(
            Panel3->window(), Presets,
            {.currentPreset = [this] { return State.CurrentPreset(); },
             .label = [this](int output) { return State.Label(output); },
             .openFile = OpenPresetFile,
             .copy = [this](const PresetImage &from, const std::vector<int> &outputs,
                            const QString &source) { CopyOutputs(from, outputs, source); }});
    return *Comparison;
}

void AssignmentPage::Compare()
{
    Comparing().CompareWithPreset((State.CurrentPreset() + 1) % PresetStore::PresetCount);
    Comparison->open();
}

void AssignmentPage::CompareWith(const NamedPreset &other)
{
    Comparing().CompareWithFile(other);
    Comparison->open();
}

void AssignmentPage::SendPreset(const PresetImage &image)
{
    ConverterLink::Controllers controllers;
    std::copy_n(image.begin(), OutputCount, controllers.begin());
    Link.SendAllParameters(State.MasterChannel(), controllers, Progress());
}

void AssignmentPage::CopyOutputs(const PresetImage &from, const std::vector<int> &outputs,
                                 const QString &source)
{
    const PresetImage before = ReadPreset(Presets, State.CurrentPreset());
    for (int output : outputs)
        Presets.SetByte(State.CurrentPreset(), output, from[output]);
    ApplyPreset(State.CurrentPreset());
    Record(PresetEdit::Load, before,
           outputs.size() == 1 ? tr("Copy Output %1 from %2").arg(outputs[0] + 1).arg(source)
                               : tr("Copy from %1").arg(source));
}
