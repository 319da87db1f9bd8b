#pragma once
// MidiServices that pass every call on, unchanged, to other services: the target. A wrapper
// derives from this and overrides only the calls it changes or watches; everything else reaches
// the target as it was made, with the target's threads and callbacks.
#include "midi/backend/MidiServices.h"

class ForwardingServices : public MidiServices
{
public:
    // The target must outlive this object.
    explicit ForwardingServices(MidiServices &target) : target_(&target) {}

    std::uint32_t outputDeviceCount() override { return target().outputDeviceCount(); }
    MidiResult outputDeviceCaps(int deviceId, MidiOutCaps &caps) override
    {
        return target().outputDeviceCaps(deviceId, caps);
    }
    MidiResult openOutput(MidiHandle &handle, int deviceId, MidiCallbackFunction callback,
                          std::uintptr_t instance) override
    {
        return target().openOutput(handle, deviceId, callback, instance);
    }
    MidiResult closeOutput(MidiHandle handle) override { return target().closeOutput(handle); }
    MidiResult sendShortMessage(MidiHandle handle, std::uint32_t word) override
    {
        return target().sendShortMessage(handle, word);
    }
    MidiResult prepareOutputHeader(MidiHandle handle, MidiHeader *header) override
    {
        return target().prepareOutputHeader(handle, header);
    }
    MidiResult sendLongMessage(MidiHandle handle, MidiHeader *header) override
    {
        return target().sendLongMessage(handle, header);
    }
    MidiResult unprepareOutputHeader(MidiHandle handle, MidiHeader *header) override
    {
        return target().unprepareOutputHeader(handle, header);
    }

    std::uint32_t inputDeviceCount() override { return target().inputDeviceCount(); }
    MidiResult inputDeviceCaps(int deviceId, MidiInCaps &caps) override
    {
        return target().inputDeviceCaps(deviceId, caps);
    }
    MidiResult openInput(MidiHandle &handle, int deviceId, MidiCallbackFunction callback,
                         std::uintptr_t instance) override
    {
        return target().openInput(handle, deviceId, callback, instance);
    }
    MidiResult closeInput(MidiHandle handle) override { return target().closeInput(handle); }
    MidiResult prepareInputHeader(MidiHandle handle, MidiHeader *header) override
    {
        return target().prepareInputHeader(handle, header);
    }
    MidiResult addInputBuffer(MidiHandle handle, MidiHeader *header) override
    {
        return target().addInputBuffer(handle, header);
    }
    MidiResult startInput(MidiHandle handle) override { return target().startInput(handle); }
    MidiResult resetInput(MidiHandle handle) override { return target().resetInput(handle); }
    MidiResult unprepareInputHeader(MidiHandle handle, MidiHeader *header) override
    {
        return target().unprepareInputHeader(handle, header);
    }

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
