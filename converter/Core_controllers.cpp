// The "MIDI" page's Controlers group (one value per CV output, sent as Control Change on the
// master channel) and Kessel Control group (the patch bay on MIDI channel 16). No pacing:
// messages go out one right after another.
#include "app/Core_main.h"

#include "controls/Kxpotlab.h"
#include "controls/Tag.h"
#include "converter/Protocol.h"

#include <QCheckBox>
#include <QComboBox>

int TForm1::ControllerOf(int output) const
{
    // Read from the assignment page at the moment of sending: the page keeps no copy.
    return protocol::PresetByteForItem(ComboBox[output]->currentIndex());
}

void TForm1::kxpotlab2Change(QObject *sender)
{
    const int output = Tag(sender);
    const int controller = ControllerOf(output);
    // An output without a controller sends nothing: 0xFF (none) or 0xFE (nothing selected)
    // in a data byte's place would be a System Reset or Active Sensing on the wire.
    if (controller > 127)
        return;
    SendControlChange(MasterChannel(), controller, Controller[output]->State());
}

void TForm1::SpeedButton2Click(QObject *)
{
    for (int t = 0; t < OutputCount; ++t)
        kxpotlab2Change(Controller[t]);
}

void TForm1::SpeedButton3Click(QObject *)
{
    for (int t = 0; t < OutputCount; ++t) {
        Controller[t]->SetState(0);
        kxpotlab2Change(Controller[t]);
    }
}

void TForm1::kxpotlab1Change(QObject *)
{
    SendProgramChange(protocol::KesselChannel, kxpotlab1->State());
}

void TForm1::CheckBox1Click(QObject *)
{
    SendControlChange(protocol::KesselChannel, protocol::KesselMergeController,
                      CheckBox1->isChecked() ? 1 : 0);
}

void TForm1::SpeedButton5Click(QObject *)
{
    SendProgramChange(protocol::KesselChannel, kxpotlab1->State());
    SendControlChange(protocol::KesselChannel, protocol::KesselMergeController,
                      CheckBox1->isChecked() ? 1 : 0);
}
