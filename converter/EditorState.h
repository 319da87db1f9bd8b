#pragma once
// What the editor is set to beside the presets themselves, kept apart from the widgets that show
// it: the preset the "Config" page shows and edits, the converter's MIDI channel, whether a
// change to a preset goes out at once ("Send Params RT"), the Kessel's input, merge and start-up
// send, the 32 controller values of the "MIDI" page, and the names the user gave the presets
// and their outputs.
//
// The settings read and write it; the pages show it and change it through it, and each control
// follows the signal of its value. A setter tells of a change only when the value changes. It
// sends nothing: whether a change goes to the box is the caller's decision (a user's change is
// sent by its handler, a change made by code never is).
//
// GUI thread only.
#include "converter/PresetNames.h"
#include "converter/Protocol.h"

#include <QObject>
#include <array>

class EditorState : public QObject
{
    Q_OBJECT

public:
    static constexpr int OutputCount = protocol::OutputCount;
    static constexpr int PresetCount = 4;
    static constexpr int KesselInputCount = 8;

    explicit EditorState(QObject *parent = nullptr) : QObject(parent) {}

    // The preset the "Config" page shows and edits, 0..3 (preset 1 at start).
    int CurrentPreset() const { return Preset; }
    void SetCurrentPreset(int preset);
    // The converter's MIDI channel, 0..15: every message to it goes there.
    int MasterChannel() const { return Channel; }
    void SetMasterChannel(int channel);
    // "Send Params RT": a user's change to a preset goes out at once.
    bool RealTime() const { return RealTimeSend; }
    void SetRealTime(bool on);
    // The Kessel's input (0..7, clamped), its merge, and whether start-up sends that set-up.
    int KesselInput() const { return Input; }
    void SetKesselInput(int input);
    bool KesselMerge() const { return Merge; }
    void SetKesselMerge(bool on);
    bool StartupSend() const { return SendAtStart; }
    void SetStartupSend(bool on);
    // The value (0..127, clamped) the "MIDI" page sends to output (0..31)'s controller.
    int ControllerValue(int output) const { return Values[output]; }
    void SetControllerValue(int output, int value);
    // The name of preset (0..3) and its outputs' labels.
    const PresetNames &Names(int preset) const { return Labels[std::size_t(preset)]; }
    void SetNames(int preset, const PresetNames &names);
    // The label of output (0..31) in the current preset, or empty.
    const QString &Label(int output) const { return Names(Preset).labels[std::size_t(output)]; }

signals:
    void CurrentPresetChanged(int preset);
    void MasterChannelChanged(int channel);
    void RealTimeChanged(bool on);
    void KesselInputChanged(int input);
    void KesselMergeChanged(bool on);
    void StartupSendChanged(bool on);
    void ControllerValueChanged(int output, int value);
    void NamesChanged(int preset);

private:
    int Preset = 0;
    int Channel = 0;
    bool RealTimeSend = false;
    int Input = 2; // as the Kessel's input label was designed
    bool Merge = false;
    bool SendAtStart = true;
    std::array<int, OutputCount> Values{};
    std::array<PresetNames, PresetCount> Labels;
};
