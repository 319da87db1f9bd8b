#include "midi/backend/simulated/SimulatedServices.h"

#include "midi/backend/MidiHeaderRules.h"
#include "midi/backend/ShortMessage.h"

#if defined(__linux__)
#include <sched.h>
#endif

SimulatedServices::SimulatedServices() : worker_([this] { run(); }) {}

SimulatedServices::~SimulatedServices()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    work_.notify_all();
    worker_.join();
}

void SimulatedServices::setSimulatorSink(SimulatorSink sink)
{
    auto shared = sink ? std::make_shared<const SimulatorSink>(std::move(sink)) : nullptr;
    std::lock_guard lock(mutex_);
    sink_ = std::move(shared);
}

std::vector<std::vector<std::uint8_t>> SimulatedServices::simulatorMessages() const
{
    std::lock_guard lock(mutex_);
    return recorded_;
}

void SimulatedServices::clearSimulatorMessages()
{
    std::lock_guard lock(mutex_);
    recorded_.clear();
}

void SimulatedServices::waitIdle()
{
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return tasks_.empty() && !busy_; });
}

std::size_t SimulatedServices::droppedLoopbackBytes() const
{
    std::lock_guard lock(mutex_);
    return droppedLoopbackBytes_;
}

// ---- the worker ----

void SimulatedServices::run()
{
#if defined(__linux__)
    // The simulated devices stand for a cable: what they do may wait a little, and waking this
    // thread for each message must not take the processor from the thread that sends (the GUI
    // thread, in the middle of a drag). A batch thread does not preempt the thread that wakes it.
    const sched_param batch{};
    sched_setscheduler(0, SCHED_BATCH, &batch);
#endif
    std::unique_lock lock(mutex_);
    for (;;) {
        work_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
        if (tasks_.empty())
            return; // stopping, and everything sent has been delivered
        const Task task = tasks_.front();
        tasks_.pop_front();
        busy_ = true;
        process(task, lock);
        busy_ = false;
        idle_.notify_all();
    }
}

void SimulatedServices::process(const Task &task, std::unique_lock<std::mutex> &lock)
{
    // closeOutput waits until queued is 0, so the output is still there.
    Output &output = outputs_.at(task.handle);
    if (!task.header) {
        const auto bytes = unpackShortMessage(task.word);
        // A status with no message of its own (SysEx start or end) still goes out alone.
        const std::size_t size = packedMessageLength(bytes[0]);
        if (output.device == SimulatorOutput)
            toSimulator(bytes.data(), size, lock);
        else if (input_)
            input_->receiveShort(packShortMessage(bytes.data(), size));
    } else {
        MidiHeader *header = task.header;
        if (output.device == SimulatorOutput)
            toSimulator(header->data, header->bufferLength, lock);
        else if (input_)
            droppedLoopbackBytes_ += input_->receiveStream(header->data, header->bufferLength);
        header->bytesRecorded = header->bufferLength; // the device has it
        handBackHeader(header);
        output.callback(task.handle, MidiMsg::OutDone, output.instance,
                        reinterpret_cast<std::uintptr_t>(header), 0);
    }
    --output.queued;
}

void SimulatedServices::toSimulator(const std::uint8_t *bytes, std::size_t size,
                                    std::unique_lock<std::mutex> &lock)
{
    if (!sink_) {
        recorded_.emplace_back(bytes, bytes + size);
        return;
    }
    // The bytes stay valid: a queued header is not touched by its owner until it is reported
    // done, and closeOutput waits for that. Only this thread calls the sink, so order holds.
    const std::shared_ptr<const SimulatorSink> sink = sink_;
    lock.unlock();
    (*sink)(bytes, size);
    lock.lock();
}

// ---- outputs ----

std::uint32_t SimulatedServices::outputDeviceCount()
{
    return 2;
}

MidiResult SimulatedServices::outputDeviceCaps(int deviceId, MidiOutCaps &caps)
{
    if (deviceId != SimulatorOutput && deviceId != LoopbackOutput)
        return MidiErrBadDeviceId;
    caps = MidiOutCaps{};
    caps.driverVersion = 0x0100;
    caps.channelMask = 0xFFFF;
    if (deviceId == SimulatorOutput) {
        caps.name = SimulatorName;
        caps.technology = MidiTechSoftwareSynth;
    } else {
        caps.name = LoopbackName;
        caps.technology = MidiTechPort;
    }
    return MidiOk;
}

SimulatedServices::Output *SimulatedServices::openOutputFor(MidiHandle handle)
{
    const auto found = outputs_.find(handle);
    if (found == outputs_.end() || found->second.closing)
        return nullptr;
    return &found->second;
}

MidiResult SimulatedServices::openOutput(MidiHandle &handle, int deviceId,
                                         MidiCallbackFunction callback, std::uintptr_t instance)
{
    if (deviceId != SimulatorOutput && deviceId != LoopbackOutput)
        return MidiErrBadDeviceId;
    if (!callback)
        return MidiErrInvalidParam;
    std::lock_guard lock(mutex_);
    for (const auto &[other, output] : outputs_) {
        if (output.device == deviceId)
            return MidiErrAllocated;
    }
    handle = nextHandle_++;
    outputs_.emplace(handle, Output{deviceId, callback, instance});
    return MidiOk;
}

MidiResult SimulatedServices::closeOutput(MidiHandle handle)
{
    std::unique_lock lock(mutex_);
    Output *output = openOutputFor(handle);
    if (!output)
        return MidiErrInvalidHandle;
    // What is queued is still sent and reported done before the handle goes.
    output->closing = true;
    idle_.wait(lock, [output] { return output->queued == 0; });
    outputs_.erase(handle);
    return MidiOk;
}

MidiResult SimulatedServices::send(MidiHandle handle, std::uint32_t word, MidiHeader *header)
{
    {
        std::lock_guard lock(mutex_);
        Output *output = openOutputFor(handle);
        if (!output)
            return MidiErrInvalidHandle;
        if (header) {
            if (const MidiResult result = queueHeader(handle, header); result != MidiOk)
                return result;
        }
        ++output->queued;
        tasks_.push_back({handle, word, header});
    }
    work_.notify_one();
    return MidiOk;
}

MidiResult SimulatedServices::applyRule(bool input, MidiHandle handle, MidiHeader *header,
                                        HeaderRule rule)
{
    std::lock_guard lock(mutex_);
    const bool open = input ? openInputFor(handle) != nullptr : openOutputFor(handle) != nullptr;
    return open ? rule(handle, header) : MidiErrInvalidHandle;
}

MidiResult SimulatedServices::sendShortMessage(MidiHandle handle, std::uint32_t word)
{
    return send(handle, word, nullptr);
}

MidiResult SimulatedServices::prepareOutputHeader(MidiHandle handle, MidiHeader *header)
{
    return applyRule(false, handle, header, prepareHeader);
}

MidiResult SimulatedServices::sendLongMessage(MidiHandle handle, MidiHeader *header)
{
    return send(handle, 0, header);
}

MidiResult SimulatedServices::unprepareOutputHeader(MidiHandle handle, MidiHeader *header)
{
    return applyRule(false, handle, header, unprepareHeader);
}

// ---- inputs ----

std::uint32_t SimulatedServices::inputDeviceCount()
{
    return 1;
}

MidiResult SimulatedServices::inputDeviceCaps(int deviceId, MidiInCaps &caps)
{
    if (deviceId != LoopbackInput)
        return MidiErrBadDeviceId;
    caps = MidiInCaps{};
    caps.driverVersion = 0x0100;
    caps.name = LoopbackName;
    return MidiOk;
}

LoopbackReceiver *SimulatedServices::openInputFor(MidiHandle handle)
{
    return input_ && input_->handle() == handle && handle != NoMidiHandle ? &*input_ : nullptr;
}

MidiResult SimulatedServices::openInput(MidiHandle &handle, int deviceId,
                                        MidiCallbackFunction callback, std::uintptr_t instance)
{
    if (deviceId != LoopbackInput)
        return MidiErrBadDeviceId;
    if (!callback)
        return MidiErrInvalidParam;
    std::lock_guard lock(mutex_);
    if (input_)
        return MidiErrAllocated;
    handle = nextHandle_++;
    input_.emplace(handle, callback, instance);
    return MidiOk;
}

template <class Act> MidiResult SimulatedServices::withInput(MidiHandle handle, Act act)
{
    std::lock_guard lock(mutex_);
    LoopbackReceiver *input = openInputFor(handle);
    return input ? act(*input) : MidiErrInvalidHandle;
}

MidiResult SimulatedServices::closeInput(MidiHandle handle)
{
    return withInput(handle, [this](LoopbackReceiver &input) {
        if (input.holdsBuffers())
            return MidiErrStillPlaying;
        input_.reset();
        return MidiOk;
    });
}

MidiResult SimulatedServices::prepareInputHeader(MidiHandle handle, MidiHeader *header)
{
    return applyRule(true, handle, header, prepareHeader);
}

MidiResult SimulatedServices::addInputBuffer(MidiHandle handle, MidiHeader *header)
{
    return withInput(handle, [header](LoopbackReceiver &input) { return input.addBuffer(header); });
}

MidiResult SimulatedServices::startInput(MidiHandle handle)
{
    return withInput(handle, [](LoopbackReceiver &input) {
        input.start();
        return MidiOk;
    });
}

MidiResult SimulatedServices::resetInput(MidiHandle handle)
{
    // Under the lock the worker cannot be inside a callback for this input, so handing the
    // buffers back from this thread keeps the callbacks for the handle one after another.
    return withInput(handle, [](LoopbackReceiver &input) {
        input.reset();
        return MidiOk;
    });
}

MidiResult SimulatedServices::unprepareInputHeader(MidiHandle handle, MidiHeader *header)
{
    return applyRule(true, handle, header, unprepareHeader);
}
