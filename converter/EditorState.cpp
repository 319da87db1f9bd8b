#include "converter/EditorState.h"

#include <algorithm>

namespace {

// Stores value and reports whether it changed, so that each setter signals real changes only.
template <typename T> bool Store(T &field, T value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

} // namespace

void EditorState::SetCurrentPreset(int preset)
{
    if (Store(Preset, std::clamp(preset, 0, PresetCount - 1)))
        emit CurrentPresetChanged(Preset);
}

void EditorState::SetMasterChannel(int channel)
{
    if (Store(Channel, std::clamp(channel, 0, 15)))
        emit MasterChannelChanged(Channel);
}

void EditorState::SetRealTime(bool on)
{
    if (Store(RealTimeSend, on))
        emit RealTimeChanged(on);
}

void EditorState::SetKesselInput(int input)
{
    if (Store(Input, std::clamp(input, 0, KesselInputCount - 1)))
        emit KesselInputChanged(Input);
}

void EditorState::SetKesselMerge(bool on)
{
    if (Store(Merge, on))
        emit KesselMergeChanged(on);
}

void EditorState::SetStartupSend(bool on)
{
    if (Store(SendAtStart, on))
        emit StartupSendChanged(on);
}

void EditorState::SetNames(int preset, const PresetNames &names)
{
    if (Store(Labels[std::size_t(preset)], names))
        emit NamesChanged(preset);
}

void EditorState::SetControllerValue(int output, int value)
{
    if (Store(Values[output], std::clamp(value, 0, 127)))
        emit ControllerValueChanged(output, Values[output]);
}
