#pragma once
// Shared by the MIDI tests: a fixture that proves no shared block or buffer object outlives a
// test (the counts return to where they were when it started: zero, unless an earlier test
// deliberately left memory to a device that refused to close), and an event-loop spin with a
// deadline for what arrives from another thread.
#include <functional>
#include <gtest/gtest.h>
#include <ostream>

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

// Runs the GUI thread's event loop until done() is true or timeoutMs have passed; returns done().
bool spinUntil(const std::function<bool()> &done, int timeoutMs = 5000);

class QString;
// Readable QString values in failure messages.
void PrintTo(const QString &text, std::ostream *os);
