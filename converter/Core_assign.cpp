// The "Config" page: which controller drives each of the 32 CV outputs, the four presets and
// the master channel. The page is a view of the current preset: a user change is written into
// it at once and, with "Send Params RT" checked, sent to the converter at once.
#include "app/Core_main.h"

#include "app/PresetBank.h"
#include "controls/Kxpotlab.h"
#include "controls/SpeedButton.h"
#include "controls/Tag.h"
#include "converter/Channel.h"
#include "converter/Protocol.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSignalBlocker>

namespace {
const QColor Highlight(255, 255, 0);
constexpr int MasterChannelPosition = 32;
} // namespace

void TForm1::FillControllerLists()
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

void TForm1::ApplyPreset(int preset)
{
    kxpotlab4->SetState(PresetBank->GetByte(preset, MasterChannelPosition) + 1);
    for (int i = 0; i < OutputCount; ++i) {
        QComboBox *selector = ComboBox[i];
        const QSignalBlocker quiet(selector);
        // Bytes 0x80..0xFE name no entry: the selector is left empty.
        selector->setCurrentIndex(protocol::ItemForPresetByte(PresetBank->GetByte(preset, i)));
        selector->repaint();
    }
}

int TForm1::CurrentPreset() const
{
    const std::array<TSpeedButton *, 4> buttons = {spdPar1, spdPar2, spdPar3, spdPar4};
    // The button's own visibility, not whether it is on screen: with the "MIDI" page in front
    // or the window hidden the highlighted preset is still the current one.
    for (int p = 0; p < 4; ++p)
        if (!buttons[p]->isHidden() && buttons[p]->CaptionColor() == Highlight)
            return p;
    return 0;
}

void TForm1::HighlightPresetButton(TSpeedButton *current)
{
    for (TSpeedButton *button : {spdPar1, spdPar2, spdPar3, spdPar4}) {
        const bool on = button == current;
        button->SetCaptionColor(on ? Highlight : QColor(Qt::black));
        button->SetTransparent(!on);
    }
}

void TForm1::PresetButtonClick(TSpeedButton *button, int preset)
{
    ApplyPreset(preset);
    HighlightPresetButton(button);
    if (CheckBox38->isChecked())
        SendAllParameters();
}

void TForm1::spdPar1Click(QObject *)
{
    PresetButtonClick(spdPar1, 0);
}

void TForm1::spdPar2Click(QObject *)
{
    PresetButtonClick(spdPar2, 1);
}

void TForm1::spdPar3Click(QObject *)
{
    PresetButtonClick(spdPar3, 2);
}

void TForm1::spdPar4Click(QObject *)
{
    PresetButtonClick(spdPar4, 3);
}

void TForm1::ComboBox1Change(QObject *sender)
{
    const int output = Tag(sender);
    const int item = ComboBox[output]->currentIndex();
    PresetBank->SetByte(CurrentPreset(), output, protocol::PresetByteForItem(item));
    SendParameter(MasterChannel(), protocol::FirstOutputParameter + output, item - 1,
                  CheckBox38->isChecked());
}

void TForm1::SpeedButton12Click(QObject *)
{
    Form10->potoldcan->SetState(kxpotlab4->State());
    if (Form10->ShowModal() != QDialog::Accepted)
        return;
    const int channel = Form10->potnewcan->State();
    const int value = (channel - 1) & 0x7F;
    PresetBank->SetByte(CurrentPreset(), MasterChannelPosition, static_cast<std::uint8_t>(value));
    // Addressed to the old channel: that is where the converter listens until it obeys.
    SendParameter(MasterChannel(), protocol::ChannelParameter, value, CheckBox38->isChecked());
    kxpotlab4->SetState(channel);
}
