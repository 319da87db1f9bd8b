#include "converter/ControllersPage.h"

#include "controls/Kxpotlab.h"
#include "controls/SpeedButton.h"
#include "controls/Tag.h"
#include "converter/EditorState.h"
#include "converter/FormControls.h"
#include "converter/PresetStore.h"
#include "converter/Protocol.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>

using namespace form;

namespace {

// The controller value label of row t: kxpotlab2, 3, 5, then t + 4 (kxpotlab4 is the master
// channel on the other page).
int ControllerLabelNumber(int t)
{
    return t < 2 ? t + 2 : (t == 2 ? 5 : t + 4);
}

// The top of controller row r: 16 pixels apart, the lower eight set 4 pixels further down.
int ControllerRowTop(int r)
{
    return r < 8 ? 12 + 16 * r : 16 + 16 * r;
}

} // namespace

ControllersPage::ControllersPage(QWidget *panel, const PageContext &context)
    : QObject(panel), Link(context.link), Report(context.report), State(context.state),
      Presets(context.presets)
{
    setObjectName("ControllersPage");
    BuildKesselControl(panel, context.glyphs);
    BuildControllers(panel, context.glyphs);
    FollowState();
    ConnectHandlers();
}

void ControllersPage::BuildKesselControl(QWidget *panel, const Glyphs &art)
{
    GroupBox2 = Group(panel, "GroupBox2", "Kessel Control", {288, 1, 129, 100});
    Label12 = Caption(GroupBox2, "Label12", "Input", {20, 26});
    Panel5 = Panel(GroupBox2, "Panel5", {52, 25, 27, 16}, Bevel::LoweredOuter, Black);
    kxpotlab1 =
        ValueLabel(Panel5, "kxpotlab1", {1, 1, 25, 13}, {0, 7, 80, 2}, "MIDI Input Selector");
    kxpotlab1->setAccessibleName("Kessel input");
    SpeedButton5 = GlyphButton(GroupBox2, "SpeedButton5", {87, 19}, art.sendParameters,
                               {"Send Kessel setup to MIDI", false}, false);
    CheckBox1 = Check(GroupBox2, "CheckBox1", {20, 52, 86, 17}, "Merge Input", false, true);
    CheckBox2 = Check(GroupBox2, "CheckBox2", {20, 72, 86, 17}, "Startup send", true, true);
}

void ControllersPage::BuildControllers(QWidget *panel, const Glyphs &art)
{
    GroupBox1 = Group(panel, "GroupBox1", "Controlers", {4, 104, 157, 329});
    SpeedButton2 = GlyphButton(GroupBox1, "SpeedButton2", {16, 300}, art.sendParameters,
                               {"Send All CC", true}, false);
    SpeedButton3 = GlyphButton(GroupBox1, "SpeedButton3", {41, 300}, art.resetCc,
                               {"Reset All CC", true}, false);
    Panel2 = Panel(GroupBox1, "Panel2", {12, 20, 129, 277}, Bevel::LoweredOuter, Grey);
    for (int t = 0; t < OutputCount; ++t) {
        const bool first = t < 16;
        const int top = ControllerRowTop(t % 16);
        Tkxpotlab *value = ValueLabel(
            Panel2, QStringLiteral("kxpotlab%1").arg(ControllerLabelNumber(t)),
            QRect(first ? 29 : 89, top, 25, 13), {0, 127, 80, 0}, "MIDI Controler Value");
        SetTag(value, t);
        Controller[t] = value;

        const int left = !first ? 68 : (t <= 8 ? 16 : 8);
        const int width = t <= 8 ? 8 : 15;
        ControllerNumbers[t] =
            FixedLabel(Panel2, QStringLiteral("Label%1").arg(41 + t), QString::number(t + 1),
                       QRect(left, top, width, 13), WindowFont(11, true), Lime);
    }
}

void ControllersPage::ConnectHandlers()
{
    // SpeedButton5 sends the Kessel's set-up; 2 sends every controller value, 3 zeroes them.
    OnClick(SpeedButton5, this, &ControllersPage::SpeedButton5Click, Report);
    OnClick(SpeedButton2, this, &ControllersPage::SpeedButton2Click, Report);
    OnClick(SpeedButton3, this, &ControllersPage::SpeedButton3Click, Report);
    // CheckBox1 sends the Kessel's merge. Only the user's clicks: restoring the box from the
    // settings must send nothing.
    OnClick(CheckBox1, this, &ControllersPage::CheckBox1Click, Report);

    // kxpotlab1 sends the Kessel's input.
    connect(kxpotlab1, &Tkxpotlab::OnChange, this, [this](Tkxpotlab *sender) {
        RunHandler(Report, this, &ControllersPage::kxpotlab1Change, sender);
    });
    // kxpotlab2, 3, 5..35 send their output's controller value.
    for (Tkxpotlab *label : Controller)
        connect(label, &Tkxpotlab::OnChange, this, [this](Tkxpotlab *sender) {
            RunHandler(Report, this, &ControllersPage::kxpotlab2Change, sender);
        });
}

void ControllersPage::FollowState()
{
    // The controls show the state as it is, and follow it whoever changes it (the settings,
    // "Reset All CC"). A value label's SetState raises no OnChange, and a check box's handler
    // hears clicks only: showing sends nothing.
    kxpotlab1->SetState(State.KesselInput());
    CheckBox1->setChecked(State.KesselMerge());
    CheckBox2->setChecked(State.StartupSend());
    for (int t = 0; t < OutputCount; ++t)
        Controller[t]->SetState(State.ControllerValue(t));
    connect(&State, &EditorState::KesselInputChanged, kxpotlab1, &Tkxpotlab::SetState);
    connect(&State, &EditorState::KesselMergeChanged, CheckBox1, &QCheckBox::setChecked);
    connect(&State, &EditorState::StartupSendChanged, CheckBox2, &QCheckBox::setChecked);
    connect(&State, &EditorState::ControllerValueChanged, this,
            [this](int output, int value) { Controller[output]->SetState(value); });
    // And the state follows the controls, whoever changes them (a click, Space, code writing a
    // label's State), before any handler runs: the handlers read the state.
    connect(kxpotlab1, &Tkxpotlab::StateChanged, &State, &EditorState::SetKesselInput);
    connect(CheckBox1, &QCheckBox::toggled, &State, &EditorState::SetKesselMerge);
    connect(CheckBox2, &QCheckBox::toggled, &State, &EditorState::SetStartupSend);
    for (int t = 0; t < OutputCount; ++t)
        connect(Controller[t], &Tkxpotlab::StateChanged, &State,
                [this, t](int value) { State.SetControllerValue(t, value); });
    // Each value is named by its output's label in the current preset.
    ShowLabels();
    connect(&State, &EditorState::NamesChanged, this, &ControllersPage::ShowLabels);
    connect(&State, &EditorState::CurrentPresetChanged, this, &ControllersPage::ShowLabels);
}

void ControllersPage::ShowLabels()
{
    const PresetNames &names = State.Names(State.CurrentPreset());
    for (int t = 0; t < OutputCount; ++t) {
        const QString &label = names.labels[t];
        Controller[t]->setAccessibleName(label.isEmpty()
                                             ? tr("Output %1 controller value").arg(t + 1)
                                             : OutputWithLabel(t, label) + tr(" value"));
        Controller[t]->setToolTip(label.isEmpty() ? Controller[t]->property("Hint").toString()
                                                  : Controller[t]->accessibleName());
        ControllerNumbers[t]->setToolTip(label);
    }
}

void ControllersPage::kxpotlab2Change(QObject *sender)
{
    const int output = Tag(sender);
    // The current preset's controller, read at the moment of sending.
    const int controller = Presets.GetByte(State.CurrentPreset(), output);
    // An output without a controller sends nothing: 0xFF (none) or a byte that names no entry
    // in a data byte's place would be a System Reset or Active Sensing on the wire.
    if (controller > 127)
        return;
    Link.SendControlChange(State.MasterChannel(), controller, State.ControllerValue(output));
}

void ControllersPage::SpeedButton2Click(QObject *)
{
    for (int t = 0; t < OutputCount; ++t)
        kxpotlab2Change(Controller[t]);
}

void ControllersPage::SpeedButton3Click(QObject *)
{
    for (int t = 0; t < OutputCount; ++t) {
        State.SetControllerValue(t, 0);
        kxpotlab2Change(Controller[t]);
    }
}

void ControllersPage::kxpotlab1Change(QObject *)
{
    Link.SendProgramChange(protocol::KesselChannel, State.KesselInput());
}

void ControllersPage::SendMerge()
{
    Link.SendControlChange(protocol::KesselChannel, protocol::KesselMergeController,
                           State.KesselMerge() ? 1 : 0);
}

void ControllersPage::CheckBox1Click(QObject *)
{
    SendMerge();
}

void ControllersPage::SpeedButton5Click(QObject *)
{
    Link.SendProgramChange(protocol::KesselChannel, State.KesselInput());
    SendMerge();
}
