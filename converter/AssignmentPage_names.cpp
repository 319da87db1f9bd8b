// The "Config" page's names: a label for each output of the current preset and a name for the
// preset, edited over the control they name (F2 or a double-click on an output's number; a
// double-click on a preset button) or all together in "Names", undone like any other edit, sent
// nowhere, and carried by the tooltips and accessible names of what they name.
#include "converter/AssignmentPage.h"

#include "controls/SpeedButton.h"
#include "converter/EditorState.h"
#include "converter/FormControls.h"
#include "converter/LabelsDialog.h"
#include "converter/NameEditor.h"
#include "converter/PresetStore.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>

using form::Name;

void AssignmentPage::BuildNameActions(QWidget *sheet)
{
    LabelOutputAction = new QAction(tr("Label output..."), sheet);
    LabelOutputAction->setShortcut(QKeySequence(Qt::Key_F2));
    connect(LabelOutputAction, &QAction::triggered, this,
            [this] { EditOutputLabel(std::max(FocusedOutput(), 0)); });
    NamePresetAction = new QAction(tr("Name preset..."), sheet);
    NamePresetAction->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F2));
    connect(NamePresetAction, &QAction::triggered, this, &AssignmentPage::EditPresetName);
    NamesAction = new QAction(tr("Names..."), sheet);
    NamesAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F2));
    connect(NamesAction, &QAction::triggered, this, &AssignmentPage::OpenNames);
    ClearNamesAction = new QAction(tr("Clear names"), sheet);
    connect(ClearNamesAction, &QAction::triggered, this, &AssignmentPage::ClearNames);
    sheet->addActions({LabelOutputAction, NamePresetAction, NamesAction, ClearNamesAction});
    NamesButton = ToolbarButton(NamesAction, 51, QStyle::SP_FileDialogDetailedView);
    for (QLabel *number : OutputNumbers)
        number->installEventFilter(this);
    for (TSpeedButton *button : PresetButtons())
        button->installEventFilter(this);
    connect(&State, &EditorState::NamesChanged, this, &AssignmentPage::ShowNames);
    connect(&State, &EditorState::CurrentPresetChanged, this, &AssignmentPage::ShowNames);
    ShowNames();
}

QToolButton *AssignmentPage::ToolbarButton(QAction *action, int left, QStyle::StandardPixmap icon)
{
    // In the toolbar's free space between the file buttons and the transfer buttons.
    auto *button = new QToolButton(Panel8);
    button->setGeometry(left, 1, 25, 25);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setDefaultAction(action);
    button->setIcon(button->style()->standardIcon(icon));
    const QString name = action->text().remove(QStringLiteral("..."));
    button->setToolTip(QStringLiteral("%1 (%2)").arg(name, action->shortcut().toString()));
    button->setAccessibleName(name);
    return button;
}

bool AssignmentPage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::MouseButtonDblClick)
        return false;
    for (int output = 0; output < OutputCount; ++output)
        if (watched == OutputNumbers[output]) {
            EditOutputLabel(output);
            return true;
        }
    // A preset button's first click has made its preset current (and, with "Send Params RT",
    // sent it): the second is the naming's, not another click.
    EditPresetName();
    return true;
}

int AssignmentPage::FocusedOutput() const
{
    for (int output = 0; output < OutputCount; ++output) {
        const QComboBox *selector = ComboBox[output];
        if (selector->hasFocus() || (selector->lineEdit() && selector->lineEdit()->hasFocus()))
            return output;
    }
    return -1;
}

void AssignmentPage::LabelOutput(int output, const QString &label)
{
    const PresetNames before = State.Names(State.CurrentPreset());
    PresetNames names = before;
    names.labels[output] = TidyName(label);
    State.SetNames(State.CurrentPreset(), names);
    const PresetImage bytes = ReadPreset(Presets, State.CurrentPreset());
    Record(PresetEdit::Names, bytes, tr("Label Output %1").arg(output + 1), output, before);
}

void AssignmentPage::NamePreset(const QString &name)
{
    const PresetNames before = State.Names(State.CurrentPreset());
    PresetNames names = before;
    names.name = TidyName(name);
    State.SetNames(State.CurrentPreset(), names);
    Record(PresetEdit::Names, ReadPreset(Presets, State.CurrentPreset()), tr("Preset Name"), 0,
           before);
}

void AssignmentPage::ClearNames()
{
    const PresetNames before = State.Names(State.CurrentPreset());
    State.SetNames(State.CurrentPreset(), {});
    Record(PresetEdit::Names, ReadPreset(Presets, State.CurrentPreset()), tr("Clear Names"), 0,
           before);
}

void AssignmentPage::LoadPresetWithNames(const PresetImage &image, const PresetNames &names,
                                         const QString &file)
{
    const PresetImage before = ReadPreset(Presets, State.CurrentPreset());
    const PresetNames namesBefore = State.Names(State.CurrentPreset());
    WritePreset(Presets, State.CurrentPreset(), image);
    State.SetNames(State.CurrentPreset(), names);
    ApplyPreset(State.CurrentPreset());
    Record(PresetEdit::Load, before, tr("Load %1").arg(file), 0, namesBefore);
}

void AssignmentPage::EditOutputLabel(int output)
{
    QComboBox *selector = ComboBox[output];
    NameEditor::Open(
        GroupBox7, selector->geometry(), State.Names(State.CurrentPreset()).labels[output],
        tr("Label of output %1").arg(output + 1), [this, output](const QString &label) {
            if (label != State.Names(State.CurrentPreset()).labels[output])
                LabelOutput(output, label);
        });
}

void AssignmentPage::EditPresetName()
{
    // Over the toolbar's free space and the preset buttons, which it names.
    const QRect area(SendChangesButton->x(), spdPar1->y(),
                     spdPar4->geometry().right() - SendChangesButton->x() + 1, spdPar1->height());
    NameEditor::Open(Panel8, area, State.Names(State.CurrentPreset()).name,
                     tr("Name of preset %1").arg(State.CurrentPreset() + 1),
                     [this](const QString &name) {
                         if (name != State.Names(State.CurrentPreset()).name)
                             NamePreset(name);
                     });
}

void AssignmentPage::OpenNames()
{
    if (!Names) {
        Names = new LabelsDialog(
            Panel3->window(), State, Presets,
            {.namePreset = [this](const QString &name) { NamePreset(name); },
             .labelOutput = [this](int output,
                                   const QString &label) { LabelOutput(output, label); }});
        // Its edits are undone from it too.
        Names->addActions({Edits->UndoAction, Edits->RedoAction});
    }
    Names->Refresh();
    Names->show();
    Names->raise();
    Names->activateWindow();
}

void AssignmentPage::ShowNames()
{
    ShowBox(); // the marks name the labels
    const PresetNames &names = State.Names(State.CurrentPreset());
    for (int output = 0; output < OutputCount; ++output) {
        const QString &label = names.labels[output];
        Name(ComboBox[output], OutputWithLabel(output, label) + tr(" controller"));
        ComboBox[output]->setToolTip(label);
        OutputNumbers[output]->setToolTip(label);
    }
    const std::array<TSpeedButton *, 4> buttons = PresetButtons();
    for (int preset = 0; preset < PresetStore::PresetCount; ++preset) {
        const QString &name = State.Names(preset).name;
        buttons[preset]->setToolTip(
            name.isEmpty() ? QStringLiteral("Preset #%1").arg(preset + 1)
                           : QStringLiteral("Preset #%1: %2").arg(preset + 1).arg(name));
        buttons[preset]->setAccessibleName(
            name.isEmpty() ? QStringLiteral("Preset %1").arg(preset + 1)
                           : QStringLiteral("Preset %1 (%2)").arg(preset + 1).arg(name));
    }
}
