#pragma once
// Shared by the MIDI tests: a fixture that proves no shared block or buffer object outlives a
// test (the counts return to where they were when it started: zero, unless an earlier test
// deliberately left memory to a device that refused to close), a recorder for the driver
// callback, and the text a port's error carries.
#include "midi/backend/MidiServices.h"
#include "support/Printing.h"

#include <QString>
#include <gtest/gtest.h>

#include <cstdint>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

class MidiLeakChecked : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;
    // Shared blocks and TMyMidiHdr objects alive now that were not alive when the test started.
    int newBlocks() const;
    int newHeaders() const;

private:
    int sharedBlocks_ = 0;
    int headers_ = 0;
};

// One call of the driver callback.
struct MidiCall
{
    MidiHandle handle;
    std::uint32_t message;
    std::uintptr_t param1, param2;
    std::thread::id thread;
    std::vector<std::uint8_t> bytes; // of an input buffer handed back, as it was then
};

// Records every call of the driver callback, from whichever thread makes it; pass callback with
// instance() to the services.
class CallbackRecorder
{
public:
    static void callback(MidiHandle handle, std::uint32_t message, std::uintptr_t instance,
                         std::uintptr_t param1, std::uintptr_t param2) noexcept;
    std::uintptr_t instance() { return reinterpret_cast<std::uintptr_t>(this); }
    // Opens the device with this recorder as its callback.
    MidiResult openOutput(MidiServices &services, MidiHandle &handle, int id)
    {
        return services.openOutput(handle, id, &callback, instance());
    }
    MidiResult openInput(MidiServices &services, MidiHandle &handle, int id)
    {
        return services.openInput(handle, id, &callback, instance());
    }
    std::vector<MidiCall> calls() const;
    // The headers handed back as finished (OutDone), in order; any other call fails the test.
    std::vector<MidiHeader *> completed() const;

private:
    mutable std::mutex mutex_;
    std::vector<MidiCall> calls_;
};

// A driver callback for opens whose calls the test does not look at.
inline void IgnoreCallback(MidiHandle, std::uint32_t, std::uintptr_t, std::uintptr_t,
                           std::uintptr_t) noexcept
{
}

// Makes the next call of that name of the scripted services throw error.
template <class Services, class Error>
void ThrowIn(Services &services, const char *call, Error error)
{
    services.throwIn = call;
    services.thrown = std::make_exception_ptr(error);
}
// What std::thread throws when no thread can be started.
inline std::system_error NoThread()
{
    return std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
}

// The text of the port error (EmidioutputError, EMidiInputError) that the action raises.
template <class Error, class Action> QString RaisedText(Action action)
{
    try {
        action();
    } catch (const Error &e) {
        return e.Message();
    }
    return QStringLiteral("<nothing raised>");
}
