#pragma once
// The device calls of MidiServices, listed once for every class that implements them, so that a
// call added to or changed in the interface is changed here and nowhere else.
//
// TORVANE_MIDI_DEVICE_CALLS(X) expands X(result, name, parameters, arguments) for each call that
// every implementation answers; the calls with defaults in MidiServices (the change listener,
// the system status, the health of a device, the error texts) are overridden one by one, by the
// implementations that have something to say.
#include "midi/backend/MidiServices.h"

// clang-format off
#define TORVANE_MIDI_DEVICE_CALLS(X)                                                             \
    X(std::uint32_t, outputDeviceCount, (), ())                                                  \
    X(MidiResult, outputDeviceCaps, (int deviceId, MidiOutCaps &caps), (deviceId, caps))         \
    X(MidiResult, openOutput, (MidiHandle &handle, int deviceId, MidiCallbackFunction callback,   \
                               std::uintptr_t instance), (handle, deviceId, callback, instance)) \
    X(MidiResult, closeOutput, (MidiHandle handle), (handle))                                    \
    X(MidiResult, sendShortMessage, (MidiHandle handle, std::uint32_t word), (handle, word))     \
    X(MidiResult, prepareOutputHeader, (MidiHandle handle, MidiHeader *header), (handle, header))\
    X(MidiResult, sendLongMessage, (MidiHandle handle, MidiHeader *header), (handle, header))    \
    X(MidiResult, unprepareOutputHeader, (MidiHandle handle, MidiHeader *header),                \
      (handle, header))                                                                          \
    X(std::uint32_t, inputDeviceCount, (), ())                                                   \
    X(MidiResult, inputDeviceCaps, (int deviceId, MidiInCaps &caps), (deviceId, caps))           \
    X(MidiResult, openInput, (MidiHandle &handle, int deviceId, MidiCallbackFunction callback,    \
                              std::uintptr_t instance), (handle, deviceId, callback, instance))  \
    X(MidiResult, closeInput, (MidiHandle handle), (handle))                                     \
    X(MidiResult, prepareInputHeader, (MidiHandle handle, MidiHeader *header), (handle, header)) \
    X(MidiResult, addInputBuffer, (MidiHandle handle, MidiHeader *header), (handle, header))     \
    X(MidiResult, startInput, (MidiHandle handle), (handle))                                     \
    X(MidiResult, resetInput, (MidiHandle handle), (handle))                                     \
    X(MidiResult, unprepareInputHeader, (MidiHandle handle, MidiHeader *header), (handle, header))
// clang-format on

#define TORVANE_MIDI_DECLARE_OVERRIDE(Result, name, parameters, arguments)                         \
    Result name parameters override;

// In the class body of an implementation of MidiServices: declares every device call.
#define TORVANE_MIDI_DEVICE_OVERRIDES TORVANE_MIDI_DEVICE_CALLS(TORVANE_MIDI_DECLARE_OVERRIDE)
