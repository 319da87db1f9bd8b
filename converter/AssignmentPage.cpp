#include "converter/AssignmentPage.h"

#include "controls/Kxpotlab.h"
#include "controls/SpeedButton.h"
#include "controls/Tag.h"
#include "converter/BoxView.h"
#include "converter/EditorState.h"
#include "converter/FormControls.h"
#include "converter/PresetStore.h"
#include "converter/Protocol.h"
#include "converter/SysexFile.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

using namespace form;

namespace {

// The number labels beside the selectors, "Label<n>" for output n = 1..32: the designer
// skipped the numbers it had given to other labels.
constexpr int OutputNumberLabel[AssignmentPage::OutputCount] = {
    2,  3,  4,  5,  6,  8,  10, 11, 13, 14, 15, 16, 17, 18, 19, 20,
    21, 22, 23, 24, 25, 26, 28, 29, 31, 32, 33, 34, 35, 36, 37, 38};

} // namespace

AssignmentPage::AssignmentPage(QWidget *sheet, const PageContext &context)
    : QObject(sheet), State(context.state), Presets(context.presets), Link(context.link),
      Report(context.report), Progress(context.progress), ChooseChannel(context.chooseChannel),
      BoxHas(context.box), ForgetBox(context.forgetBox), OpenPresetFile(context.openPresetFile)
{
    setObjectName("AssignmentPage");
    BuildToolbar(sheet, context.glyphs);
    Panel3 = Panel(sheet, "Panel3", {0, 27, 502, 413}, Bevel::LoweredInner);
    FollowParent(Panel3, false);
    BuildOutputs();

    GroupBox19 = Group(Panel3, "GroupBox19", "Master", {404, 2, 93, 57});
    Label27 = Caption(GroupBox19, "Label27", "Channel", {8, 24});
    SetHint(Label27, "MIDI Channel", false);
    Panel11 = Panel(GroupBox19, "Panel11", {56, 24, 27, 16}, Bevel::LoweredOuter, Black);
    kxpotlab4 = ValueLabel(Panel11, "kxpotlab4", {1, 1, 25, 13}, {1, 16, 32, 1}, "MIDI Channel");
    kxpotlab4->setAccessibleName("Master MIDI channel");

    Edits =
        new PresetHistory(sheet, [this](const PresetEdit &edit, const PresetImage &bytes,
                                        const PresetNames &names) { Restore(edit, bytes, names); });
    for (QComboBox *selector : ComboBox) {
        Edits->TakeKeysFrom(selector);
        Edits->TakeKeysFrom(selector->lineEdit());
    }
    View = std::make_unique<BoxView>(GroupBox7, Panel3);
    BuildBoxActions(sheet);
    BuildNameActions(sheet);
    FollowState();
    ConnectHandlers();
}

void AssignmentPage::FollowState()
{
    // The preset buttons and the master label show the state, also what start-up set before
    // the page was built.
    ShowPresetButtons(State.CurrentPreset());
    kxpotlab4->SetState(State.MasterChannel() + 1);
    connect(&State, &EditorState::CurrentPresetChanged, this, &AssignmentPage::ShowPresetButtons);
    connect(&State, &EditorState::MasterChannelChanged, kxpotlab4,
            [label = kxpotlab4](int channel) { label->SetState(channel + 1); });
    connect(kxpotlab4, &Tkxpotlab::StateChanged, &State,
            [this](int shown) { State.SetMasterChannel(shown - 1); });
}

AssignmentPage::~AssignmentPage() = default;

void AssignmentPage::BuildToolbar(QWidget *sheet, const Glyphs &art)
{
    Panel8 = Panel(sheet, "Panel8", {0, 0, 502, 27}, Bevel::LoweredOuter, Silver);
    FollowParent(Panel8, true);
    SpeedButton8 = GlyphButton(Panel8, "SpeedButton8", {1, 1}, art.loadParameters,
                               {"Load Parameters File ", true}, true);
    SpeedButton17 = GlyphButton(Panel8, "SpeedButton17", {26, 1}, art.saveParameters,
                                {"Save Parameters File", true}, true);
    SpeedButton1 = GlyphButton(Panel8, "SpeedButton1", {101, 1}, art.sendParameters,
                               {"Send Parameters to MIDI", true}, true);
    SpeedButton10 = GlyphButton(Panel8, "SpeedButton10", {126, 1}, art.writeFlash,
                                {"Write to Flash", true}, true);
    SpeedButton12 = GlyphButton(Panel8, "SpeedButton12", {151, 1}, art.channelChange,
                                {"MIDI Channel Change", true}, true);

    // The preset buttons carry no glyph: the highlighted one (yellow caption, opaque face) is
    // the current preset (ShowPresetButtons).
    TSpeedButton **presets[] = {&spdPar1, &spdPar2, &spdPar3, &spdPar4};
    for (int i = 0; i < 4; ++i) {
        auto *button = Place<TSpeedButton>(Panel8, QStringLiteral("spdPar%1").arg(i + 1),
                                           QRect(232 + 25 * i, 1, 25, 25));
        button->setText(QString::number(i + 1));
        button->setFont(WindowFont(11, true));
        SetHint(button, QStringLiteral("Preset #%1").arg(i + 1), true);
        button->setAccessibleName(QStringLiteral("Preset %1").arg(i + 1));
        *presets[i] = button;
    }
}

void AssignmentPage::BuildOutputs()
{
    GroupBox7 = Group(Panel3, "GroupBox7", "CV Outputs", {4, 2, 397, 408});
    for (int n = 1; n <= OutputCount; ++n) {
        const bool first = n <= 16;
        const int row = first ? n - 1 : n - 17;
        QComboBox *selector =
            DropDown(GroupBox7, QStringLiteral("ComboBox%1").arg(n),
                     QRect(first ? 24 : 220, 20 + 24 * row, 170, 21), "ComboBox1", 48);
        SetTag(selector, n - 1);
        Name(selector, QStringLiteral("Output %1 controller").arg(n));
        ComboBox[n - 1] = selector;

        const int left = !first ? 200 : (n <= 9 ? 12 : 4);
        const int width = n <= 9 ? 9 : 17;
        OutputNumbers[n - 1] = FixedLabel(
            GroupBox7, QStringLiteral("Label%1").arg(OutputNumberLabel[n - 1]), QString::number(n),
            QRect(left, 22 + 24 * row, width, 16), WindowFont(13, true));
    }
}

void AssignmentPage::ConnectHandlers()
{
    // ComboBox1..32: an output takes the controller picked, stored and maybe sent.
    for (QComboBox *selector : ComboBox)
        OnUserChange(selector, this, [this, selector] {
            RunHandler(Report, this, &AssignmentPage::ComboBox1Change, selector);
        });
    // SpeedButton1 sends the current preset, 10 writes to flash, 12 changes the channel.
    OnClick(SpeedButton1, this, &AssignmentPage::SpeedButton1Click, Report);
    OnClick(SpeedButton10, this, &AssignmentPage::SpeedButton10Click, Report);
    OnClick(SpeedButton12, this, &AssignmentPage::SpeedButton12Click, Report);
    // spdPar1..4 make presets 1..4 current.
    OnClick(spdPar1, this, &AssignmentPage::spdPar1Click, Report);
    OnClick(spdPar2, this, &AssignmentPage::spdPar2Click, Report);
    OnClick(spdPar3, this, &AssignmentPage::spdPar3Click, Report);
    OnClick(spdPar4, this, &AssignmentPage::spdPar4Click, Report);
    // The label has no handler: a drag changes only where later messages go (the state follows
    // the label), and how the box stands against them.
    connect(kxpotlab4, &Tkxpotlab::OnChange, this, &AssignmentPage::ShowBox);
}

void AssignmentPage::FillControllerLists()
{
    QStringList names;
    for (int item = 0; item < protocol::ControllerItemCount; ++item)
        names << protocol::ControllerItemText(item);
    for (QComboBox *selector : ComboBox) {
        const QSignalBlocker quiet(selector);
        selector->clear();
        selector->addItems(names);
        selector->setCurrentIndex(0);
    }
}

void AssignmentPage::ApplyPreset(int preset)
{
    ShowChannel(protocol::PresetChannel(Presets.GetByte(preset, PresetStore::ChannelPosition)));
    for (int i = 0; i < OutputCount; ++i)
        ShowOutput(i, Presets.GetByte(preset, i));
    ShowBox();
}

void AssignmentPage::ShowChannel(int channel)
{
    State.SetMasterChannel(channel);
    ShowBox();
}

void AssignmentPage::ShowOutput(int output, std::uint8_t byte)
{
    QComboBox *selector = ComboBox[output];
    const QSignalBlocker quiet(selector);
    // Bytes 0x80..0xFE name no entry: the selector is left empty.
    selector->setCurrentIndex(protocol::ItemForPresetByte(byte));
    selector->repaint();
}

std::array<TSpeedButton *, 4> AssignmentPage::PresetButtons() const
{
    return {spdPar1, spdPar2, spdPar3, spdPar4};
}

void AssignmentPage::ShowPresetButtons(int preset)
{
    const std::array<TSpeedButton *, 4> buttons = PresetButtons();
    for (int p = 0; p < 4; ++p) {
        const bool on = p == preset;
        buttons[p]->SetCaptionColor(on ? Yellow : QColor(Qt::black));
        buttons[p]->SetTransparent(!on);
    }
}

void AssignmentPage::PresetButtonClick(int preset)
{
    // Current before it is shown: the box's marks compare the box with the current preset.
    State.SetCurrentPreset(preset);
    ApplyPreset(preset);
    if (State.RealTime())
        SendAllParameters();
}

void AssignmentPage::spdPar1Click(QObject *)
{
    PresetButtonClick(0);
}

void AssignmentPage::spdPar2Click(QObject *)
{
    PresetButtonClick(1);
}

void AssignmentPage::spdPar3Click(QObject *)
{
    PresetButtonClick(2);
}

void AssignmentPage::spdPar4Click(QObject *)
{
    PresetButtonClick(3);
}

void AssignmentPage::ComboBox1Change(QObject *sender)
{
    const int output = Tag(sender);
    AssignController(output, protocol::PresetByteForItem(ComboBox[output]->currentIndex()));
}

void AssignmentPage::AssignController(int output, std::uint8_t byte)
{
    const PresetImage before = ReadPreset(Presets, State.CurrentPreset());
    Presets.SetByte(State.CurrentPreset(), output, byte);
    Record(PresetEdit::Output, before, tr("Output %1").arg(output + 1), output);
    // The user's own pick is on the selector already, and so is text typed over it (no entry):
    // setting the selector again would wipe that text.
    if (ComboBox[output]->currentIndex() != protocol::ItemForPresetByte(byte))
        ShowOutput(output, byte);
    ShowBox();
    Link.SendParameter(State.MasterChannel(), protocol::FirstOutputParameter + output, byte,
                       State.RealTime());
}

void AssignmentPage::LoadPresetImage(const PresetImage &image, const QString &file)
{
    const PresetImage before = ReadPreset(Presets, State.CurrentPreset());
    WritePreset(Presets, State.CurrentPreset(), image);
    ApplyPreset(State.CurrentPreset());
    Record(PresetEdit::Load, before, tr("Load %1").arg(file));
}

void AssignmentPage::SendAllParameters()
{
    Link.SendAllParameters(State.MasterChannel(), CurrentControllers(), Progress());
}

void AssignmentPage::SpeedButton1Click(QObject *)
{
    SendAllParameters();
}

void AssignmentPage::SpeedButton10Click(QObject *)
{
    Link.WriteToFlash(State.MasterChannel());
}

void AssignmentPage::SpeedButton12Click(QObject *)
{
    const std::optional<int> chosen = ChooseChannel(State.MasterChannel() + 1);
    if (!chosen)
        return;
    const int value = (*chosen - 1) & 0x7F;
    const PresetImage before = ReadPreset(Presets, State.CurrentPreset());
    Presets.SetByte(State.CurrentPreset(), PresetStore::ChannelPosition,
                    static_cast<std::uint8_t>(value));
    Record(PresetEdit::Channel, before, tr("Channel"));
    // Addressed to the old channel: that is where the converter listens until it obeys.
    Link.SendParameter(State.MasterChannel(), protocol::ChannelParameter, value, State.RealTime());
    ShowChannel(*chosen - 1);
}

void AssignmentPage::Record(PresetEdit::Kind kind, const PresetImage &before, const QString &text,
                            int output, const std::optional<PresetNames> &namesBefore)
{
    const int preset = State.CurrentPreset();
    const PresetNames &names = State.Names(preset);
    Edits->Record({kind, preset, output, before, ReadPreset(Presets, preset), text,
                   namesBefore.value_or(names), names});
}

void AssignmentPage::Restore(const PresetEdit &edit, const PresetImage &bytes,
                             const PresetNames &names)
{
    // Undo and redo run from an action, where nothing may escape: a failed send is reported
    // here, after the bytes are back, as for the user's own change.
    RunGuarded(Report, [&] {
        // An edit of another preset is shown first, as that preset's button shows it (and, with
        // "Send Params RT", sends it whole, so the box keeps following the page).
        if (State.CurrentPreset() != edit.preset)
            PresetButtonClick(edit.preset);
        WritePreset(Presets, edit.preset, bytes);
        State.SetNames(edit.preset, names);
        switch (edit.kind) {
        case PresetEdit::Output:
            // The bytes are back already, so the assignment finds nothing to record.
            AssignController(edit.output, bytes[edit.output]);
            break;
        case PresetEdit::Channel: {
            const std::uint8_t channel = bytes[PresetStore::ChannelPosition];
            // Addressed to where the converter listens now, as the channel dialog does.
            Link.SendParameter(State.MasterChannel(), protocol::ChannelParameter, channel & 0x7F,
                               State.RealTime());
            ShowChannel(protocol::PresetChannel(channel));
            break;
        }
        case PresetEdit::Load: // loads send nothing, and neither does taking one back
            ApplyPreset(edit.preset);
            break;
        case PresetEdit::Names: // the names follow the state; no byte changed
            break;
        }
    });
}
