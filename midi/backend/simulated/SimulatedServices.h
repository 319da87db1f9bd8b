#pragma once
// In-process MIDI devices that need neither hardware nor a server:
//   output 0 "Torvane Simulator": what is sent goes to the simulator sink (the simulated box);
//            until a sink is connected the messages are recorded and can be read back;
//   output 1 "Virtual Loopback" and input 0 "Virtual Loopback": what goes out on the output
//            comes in on the input, through the same callback path as a real device.
//
// Threads: one worker thread of our own sends everything, in call order per services object, so
// a short message never overtakes a long one sent before it. It calls the simulator sink (with
// the services' lock released, so the sink may take locks of its own), hands loopback data to
// the input's callback (InData / InLongData / InLongError) and reports each finished long
// message (OutDone); the callbacks run under the services' lock, which the ports' callback
// allows, as it takes no lock and never calls back. resetInput hands the queued input buffers
// back on the calling thread under the same lock, so callbacks for one handle never overlap.
#include "midi/backend/MidiServiceOverrides.h"
#include "midi/backend/simulated/LoopbackReceiver.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

class SimulatedServices final : public MidiServices
{
public:
    static constexpr std::string_view SimulatorName = "Torvane Simulator";
    static constexpr std::string_view LoopbackName = "Virtual Loopback";
    static constexpr int SimulatorOutput = 0;
    static constexpr int LoopbackOutput = 1;
    static constexpr int LoopbackInput = 0;

    // Receives each message sent to "Torvane Simulator", whole, on the services' thread.
    using SimulatorSink = std::function<void(const std::uint8_t *bytes, std::size_t size)>;

    SimulatedServices();
    ~SimulatedServices() override;
    SimulatedServices(const SimulatedServices &) = delete;
    SimulatedServices &operator=(const SimulatedServices &) = delete;

    // An empty sink returns to recording.
    void setSimulatorSink(SimulatorSink sink);
    // Messages sent to the simulator while no sink was connected, in sending order.
    std::vector<std::vector<std::uint8_t>> simulatorMessages() const;
    void clearSimulatorMessages();
    // Returns when everything sent so far has been delivered and reported.
    void waitIdle();
    // SysEx bytes that arrived at the loopback input with no buffer queued for them.
    std::size_t droppedLoopbackBytes() const;

    TORVANE_MIDI_DEVICE_OVERRIDES

private:
    struct Task
    {
        MidiHandle handle;
        std::uint32_t word; // short message, when header is nullptr
        MidiHeader *header; // long message
    };
    struct Output
    {
        int device;
        MidiCallbackFunction callback;
        std::uintptr_t instance;
        std::size_t queued = 0;
        bool closing = false;
    };
    using HeaderRule = MidiResult (*)(MidiHandle, MidiHeader *) noexcept;

    void run();
    void process(const Task &task, std::unique_lock<std::mutex> &lock);
    void toSimulator(const std::uint8_t *bytes, std::size_t size,
                     std::unique_lock<std::mutex> &lock);
    Output *openOutputFor(MidiHandle handle);
    LoopbackReceiver *openInputFor(MidiHandle handle);
    // Queues a short message (header nullptr) or a long one for the worker.
    MidiResult send(MidiHandle handle, std::uint32_t word, MidiHeader *header);
    // act(input) under the lock for the open input of handle; MidiErrInvalidHandle without one.
    template <class Act> MidiResult withInput(MidiHandle handle, Act act);
    // rule(handle, header) under the lock, for an open output or input handle.
    MidiResult applyRule(bool input, MidiHandle handle, MidiHeader *header, HeaderRule rule);

    mutable std::mutex mutex_;
    std::condition_variable work_;
    std::condition_variable idle_;
    std::deque<Task> tasks_;
    bool busy_ = false;
    bool stopping_ = false;
    MidiHandle nextHandle_ = 1;
    std::map<MidiHandle, Output> outputs_;
    std::optional<LoopbackReceiver> input_;
    std::shared_ptr<const SimulatorSink> sink_; // replaced whole, so the worker can hold one
    std::vector<std::vector<std::uint8_t>> recorded_;
    std::size_t droppedLoopbackBytes_ = 0;
    std::thread worker_; // last: started when everything above exists
};
