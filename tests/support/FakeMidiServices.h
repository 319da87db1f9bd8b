#pragma once
// A scripted MidiServices for the ports' tests: device lists and refusals are set by the test,
// every call is recorded as one line of text, and the driver side (completions, received data)
// is played by the test through the deliver... methods, on the test's own thread.
#include "midi/backend/MidiServiceOverrides.h"

#include <cstdint>
#include <deque>
#include <exception>
#include <map>
#include <optional>
#include <string>
#include <vector>

class FakeMidiServices : public MidiServices
{
public:
    static constexpr MidiHandle OutputHandle = 0x10;
    static constexpr MidiHandle InputHandle = 0x20;

    // ---- script ----
    std::vector<MidiOutCaps> outputs;
    std::optional<MidiOutCaps> mapper; // device -1
    std::vector<MidiInCaps> inputs;
    std::map<int, MidiResult> outputCapsResult; // per device id, default MidiOk
    std::map<int, MidiResult> inputCapsResult;
    MidiResult openOutputResult = MidiOk;
    MidiResult closeOutputResult = MidiOk;
    MidiResult prepareOutputResult = MidiOk;
    MidiResult longMessageResult = MidiOk;
    MidiResult openInputResult = MidiOk;
    MidiResult closeInputResult = MidiOk;
    MidiResult startResult = MidiOk;
    MidiResult resetResult = MidiOk;
    MidiResult unprepareInputResult = MidiOk;
    int refusePrepareInputAt = -1; // the n-th prepareInputHeader call (from 0) is refused
    int refuseAddBufferAt = -1;    // the n-th addInputBuffer call (from 0) is refused
    MidiResult refusalCode = MidiErrNoMemory;
    // The next call of this name (openOutput, openInput, prepareInput, addBuffer) throws this
    // instead, as services do whose memory runs out or whose thread cannot start; once.
    std::string throwIn;
    std::exception_ptr thrown;
    std::map<std::uint32_t, std::string> extraTexts;
    MidiSystemStatus status; // setSystemState changes it and tells the listener
    void setSystemState(MidiSystemStatus::State state)
    {
        status.state = state;
        if (listener_)
            listener_->midiChanged();
    }

    // ---- record ----
    std::vector<std::string> calls;
    std::vector<std::uint32_t> shortMessages;
    std::vector<std::vector<std::uint8_t>> longMessages; // bytes as queued
    std::deque<MidiHeader *> queuedOutput;
    std::deque<MidiHeader *> queuedInput;
    bool outputOpen = false;
    bool inputOpen = false;

    // ---- driver side ----
    // OutDone for the oldest queued output header; false when none is queued.
    bool completeOutput();
    void deliverShort(std::uint32_t word, std::uint32_t time = 0);
    // Copies bytes into the oldest queued input buffer and hands it back (InLongData).
    bool deliverSysex(const std::vector<std::uint8_t> &bytes, std::uint32_t time = 0);
    void deliverRaw(bool toInput, std::uint32_t message, std::uintptr_t param1,
                    std::uintptr_t param2);

    static MidiOutCaps outputNamed(const std::string &name);
    static MidiInCaps inputNamed(const std::string &name);

    TORVANE_MIDI_DEVICE_OVERRIDES

    MidiResult errorText(std::uint32_t code, std::string &text) const override;
    void setChangeListener(MidiChangeListener *listener) override { listener_ = listener; }
    MidiSystemStatus systemStatus() const override { return status; }

private:
    void record(std::string call, const char *name);

    MidiCallbackFunction outCallback_ = nullptr;
    std::uintptr_t outInstance_ = 0;
    MidiCallbackFunction inCallback_ = nullptr;
    std::uintptr_t inInstance_ = 0;
    int prepareInputCalls_ = 0;
    int addBufferCalls_ = 0;
    MidiChangeListener *listener_ = nullptr;
};
