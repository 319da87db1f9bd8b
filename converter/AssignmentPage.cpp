#include "converter/AssignmentPage.h"

#include "controls/Kxpotlab.h"
#include "controls/SpeedButton.h"
#include "controls/Tag.h"
#include "converter/Channel.h"
#include "converter/FormControls.h"
#include "converter/PresetStore.h"
#include "converter/Protocol.h"
#include "converter/Unit2.h"

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

AssignmentPage::AssignmentPage(QWidget *sheet, const PageContext &context, PresetStore &presets,
                               std::function<bool()> realTime)
    : QObject(sheet), Presets(presets), Link(context.link), RealTimeSend(std::move(realTime)),
      Report(context.report)
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

    Edits = new PresetHistory(
        sheet, [this](const PresetEdit &edit, const PresetImage &bytes) { Restore(edit, bytes); });
    for (QComboBox *selector : ComboBox) {
        Edits->TakeKeysFrom(selector);
        Edits->TakeKeysFrom(selector->lineEdit());
    }
    ConnectHandlers();
}

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
    // the current preset, and preset 1 is current at start.
    TSpeedButton **presets[] = {&spdPar1, &spdPar2, &spdPar3, &spdPar4};
    for (int i = 0; i < 4; ++i) {
        auto *button = Place<TSpeedButton>(Panel8, QStringLiteral("spdPar%1").arg(i + 1),
                                           QRect(232 + 25 * i, 1, 25, 25));
        button->setText(QString::number(i + 1));
        button->setFont(WindowFont(11, true));
        button->SetTransparent(i != 0);
        if (i == 0)
            button->SetCaptionColor(Yellow);
        SetHint(button, QStringLiteral("Preset #%1").arg(i + 1), true);
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
    for (QComboBox *selector : ComboBox)
        OnUserChange(selector, this, [this, selector] {
            RunHandler(Report, this, &AssignmentPage::ComboBox1Change, selector);
        });
    OnClick(SpeedButton1, this, &AssignmentPage::SpeedButton1Click, Report);
    OnClick(SpeedButton10, this, &AssignmentPage::SpeedButton10Click, Report);
    OnClick(SpeedButton12, this, &AssignmentPage::SpeedButton12Click, Report);
    OnClick(spdPar1, this, &AssignmentPage::spdPar1Click, Report);
    OnClick(spdPar2, this, &AssignmentPage::spdPar2Click, Report);
    OnClick(spdPar3, this, &AssignmentPage::spdPar3Click, Report);
    OnClick(spdPar4, this, &AssignmentPage::spdPar4Click, Report);
}

bool AssignmentPage::RealTime() const
{
    return RealTimeSend();
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
    kxpotlab4->SetState(Presets.GetByte(preset, PresetStore::ChannelPosition) + 1);
    for (int i = 0; i < OutputCount; ++i)
        ShowOutput(i, Presets.GetByte(preset, i));
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

int AssignmentPage::CurrentPreset() const
{
    // The button's own visibility, not whether it is on screen: with the "MIDI" page in front
    // or the window hidden the highlighted preset is still the current one.
    const std::array<TSpeedButton *, 4> buttons = PresetButtons();
    for (int p = 0; p < 4; ++p)
        if (!buttons[p]->isHidden() && buttons[p]->CaptionColor() == Yellow)
            return p;
    return 0;
}

int AssignmentPage::MasterChannel() const
{
    return kxpotlab4->State() - 1;
}

int AssignmentPage::ControllerOf(int output) const
{
    return protocol::PresetByteForItem(ComboBox[output]->currentIndex());
}

void AssignmentPage::HighlightPresetButton(int preset)
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
    ApplyPreset(preset);
    HighlightPresetButton(preset);
    if (RealTime())
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
    const int item = ComboBox[output]->currentIndex();
    const int preset = CurrentPreset();
    const PresetImage before = ReadPreset(Presets, preset);
    Presets.SetByte(preset, output, protocol::PresetByteForItem(item));
    Record(PresetEdit::Output, preset, output, before, tr("Output %1").arg(output + 1));
    Link.SendParameter(MasterChannel(), protocol::FirstOutputParameter + output, item - 1,
                       RealTime());
}

void AssignmentPage::SendAllParameters()
{
    ConverterLink::Controllers controllers;
    for (int i = 0; i < OutputCount; ++i)
        controllers[i] = Presets.GetByte(CurrentPreset(), i);
    Link.SendAllParameters(MasterChannel(), controllers, *Form2);
}

void AssignmentPage::SpeedButton1Click(QObject *)
{
    SendAllParameters();
}

void AssignmentPage::SpeedButton10Click(QObject *)
{
    Link.WriteToFlash(MasterChannel());
}

void AssignmentPage::SpeedButton12Click(QObject *)
{
    Form10->potoldcan->SetState(kxpotlab4->State());
    if (Form10->ShowModal() != QDialog::Accepted)
        return;
    const int channel = Form10->potnewcan->State();
    const int value = (channel - 1) & 0x7F;
    const int preset = CurrentPreset();
    const PresetImage before = ReadPreset(Presets, preset);
    Presets.SetByte(preset, PresetStore::ChannelPosition, static_cast<std::uint8_t>(value));
    Record(PresetEdit::Channel, preset, 0, before, tr("Channel"));
    // Addressed to the old channel: that is where the converter listens until it obeys.
    Link.SendParameter(MasterChannel(), protocol::ChannelParameter, value, RealTime());
    kxpotlab4->SetState(channel);
}

void AssignmentPage::Record(PresetEdit::Kind kind, int preset, int output,
                            const PresetImage &before, const QString &text)
{
    Edits->Record({kind, preset, output, before, ReadPreset(Presets, preset), text});
}

void AssignmentPage::RecordLoad(int preset, const PresetImage &before, const QString &file)
{
    Record(PresetEdit::Load, preset, 0, before, tr("Load %1").arg(file));
}

void AssignmentPage::Restore(const PresetEdit &edit, const PresetImage &bytes)
{
    // Undo and redo run from an action, where nothing may escape: a failed send is reported
    // here, after the bytes are back, as for the user's own change.
    RunGuarded(Report, [&] {
        // An edit of another preset is shown first, as that preset's button shows it (and, with
        // "Send Params RT", sends it whole, so the box keeps following the page).
        if (CurrentPreset() != edit.preset)
            PresetButtonClick(edit.preset);
        WritePreset(Presets, edit.preset, bytes);
        switch (edit.kind) {
        case PresetEdit::Output:
            ShowOutput(edit.output, bytes[edit.output]);
            Link.SendParameter(MasterChannel(), protocol::FirstOutputParameter + edit.output,
                               bytes[edit.output], RealTime());
            break;
        case PresetEdit::Channel: {
            const std::uint8_t channel = bytes[PresetStore::ChannelPosition];
            // Addressed to where the converter listens now, as the channel dialog does.
            Link.SendParameter(MasterChannel(), protocol::ChannelParameter, channel & 0x7F,
                               RealTime());
            kxpotlab4->SetState(channel + 1);
            break;
        }
        case PresetEdit::Load: // loads send nothing, and neither does taking one back
            ApplyPreset(edit.preset);
            break;
        }
    });
}
