#pragma once
// Reads what the MIDI input port received and hands each message, as its bytes, to the
// listeners (controller learning, the monitor), on the GUI thread.
//
// The port's callback only stores items in its ring and posts a notification; nothing here
// runs on the driver's thread. A notification starts a short timer rather than a read, so that
// a burst is read in one go: during a flood the GUI thread wakes at most once per DrainDelay
// for the messages, however many there are, and what the ring cannot hold meanwhile is
// dropped by the port and counted here. A SysEx buffer goes back to the port once read, so
// that SysEx keeps coming in.
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

class TMidiInput;

class InputReader : public QObject
{
    Q_OBJECT

public:
    using Listener = std::function<void(std::span<const std::uint8_t> message)>;
    static constexpr int DrainDelayMs = 10;

    // Takes over the port's OnMidiInput and OnOverflow. The port must outlive the reader.
    explicit InputReader(TMidiInput &port, QObject *parent = nullptr);

    void AddListener(Listener listener) { listeners_.push_back(std::move(listener)); }

    // Reads the items waiting now (at most a ringful; more wait for the next turn).
    void Drain();
    // Messages the port dropped because its ring was full.
    std::uint64_t Lost() const { return lost_; }

private:
    void Deliver(std::span<const std::uint8_t> message);

    TMidiInput &port_;
    std::vector<Listener> listeners_;
    QTimer drainTimer_;
    std::uint64_t lost_ = 0;
};
