#pragma once
// MidiServices that pass every call on, unchanged, to other services: the target. A wrapper
// derives from this and overrides only the calls it changes or watches; everything else reaches
// the target as it was made, with the target's threads and callbacks.
#include "midi/backend/MidiServiceOverrides.h"

#define TORVANE_MIDI_FORWARD(Result, name, parameters, arguments)                                  \
    Result name parameters override                                                                \
    {                                                                                              \
        return target().name arguments;                                                            \
    }

class ForwardingServices : public MidiServices
{
public:
    // The target must outlive this object.
    explicit ForwardingServices(MidiServices &target) : target_(&target) {}

    TORVANE_MIDI_DEVICE_CALLS(TORVANE_MIDI_FORWARD)

    MidiResult errorText(std::uint32_t code, std::string &text) const override
    {
        return target().errorText(code, text);
    }
    void setChangeListener(MidiChangeListener *listener) override
    {
        target().setChangeListener(listener);
    }
    MidiSystemStatus systemStatus() const override { return target().systemStatus(); }
    MidiResult outputHealth(MidiHandle handle) const override
    {
        return target().outputHealth(handle);
    }
    MidiResult inputHealth(MidiHandle handle) const override
    {
        return target().inputHealth(handle);
    }

protected:
    // For a wrapper whose target does not exist yet when it is constructed: it overrides target().
    ForwardingServices() = default;
    // Every call goes through here, each time.
    virtual MidiServices &target() const { return *target_; }

private:
    MidiServices *target_ = nullptr;
};

#undef TORVANE_MIDI_FORWARD
