#pragma once
// Finding a device by name in a MidiServices list. Header only: the benchmarks use it too.
#include "midi/backend/MidiServices.h"

#include <string>

// The index of the named output (or input) device, or -1 when it is not listed.
inline int DeviceIndex(MidiServices &services, const std::string &name, bool output)
{
    const std::uint32_t count = output ? services.outputDeviceCount() : services.inputDeviceCount();
    for (std::uint32_t i = 0; i < count; ++i) {
        MidiOutCaps outCaps;
        MidiInCaps inCaps;
        const bool listed = output ? services.outputDeviceCaps(int(i), outCaps) == MidiOk
                                   : services.inputDeviceCaps(int(i), inCaps) == MidiOk;
        if (listed && (output ? outCaps.name : inCaps.name) == name)
            return int(i);
    }
    return -1;
}
