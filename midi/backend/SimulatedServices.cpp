#include "midi/backend/SimulatedServices.h"

#include "midi/backend/MidiHeaderRules.h"
#include "midi/backend/ShortMessage.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr std::uint8_t SysexStart = 0xF0;
constexpr std::uint8_t SysexEnd = 0xF7;
constexpr std::uint8_t FirstRealTime = 0xF8;
} // namespace

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
        std::uint8_t bytes[3];
        for (int i = 0; i < 3; ++i)
            bytes[i] = static_cast<std::uint8_t>(task.word >> (8 * i));
        const std::size_t size = std::max<std::size_t>(1, shortMessageLength(bytes[0]));
        if (output.device == SimulatorOutput)
            toSimulator(bytes, size, lock);
        else
            loopShort(packShortMessage(bytes, size));
    } else {
        MidiHeader *header = task.header;
        if (output.device == SimulatorOutput)
            toSimulator(header->data, header->bufferLength, lock);
        else
            loopStream(header->data, header->bufferLength);
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

// A long message on the loopback is a byte stream: SysEx blocks, and short messages (running
// status allowed) in between.
void SimulatedServices::loopStream(const std::uint8_t *bytes, std::size_t size)
{
    std::uint8_t running = 0;
    std::size_t i = 0;
    while (i < size) {
        const std::uint8_t byte = bytes[i];
        if (byte == SysexStart) {
            const std::uint8_t *end = std::find(bytes + i + 1, bytes + size, SysexEnd);
            const bool complete = end != bytes + size;
            const std::size_t length = (complete ? end + 1 : end) - (bytes + i);
            loopSysex(bytes + i, length, complete);
            i += length;
            running = 0;
        } else if (byte >= FirstRealTime) {
            loopShort(byte);
            ++i;
        } else if (byte >= 0x80) {
            running = byte < SysexStart ? byte : 0;
            const std::size_t length =
                std::min(std::max<std::size_t>(1, shortMessageLength(byte)), size - i);
            loopShort(packShortMessage(bytes + i, length));
            i += length;
        } else if (running != 0) {
            std::uint8_t message[3] = {running, 0, 0};
            const std::size_t data = std::min(shortMessageLength(running) - 1, size - i);
            std::memcpy(message + 1, bytes + i, data);
            loopShort(packShortMessage(message, data + 1));
            i += data;
        } else {
            ++i; // a data byte with no status before it means nothing
        }
    }
}

std::uint32_t SimulatedServices::inputTime() const
{
    if (!input_->started)
        return 0;
    const auto elapsed = std::chrono::steady_clock::now() - input_->startTime;
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

void SimulatedServices::loopShort(std::uint32_t word)
{
    if (!input_ || !input_->started)
        return;
    const bool valid = (word & 0x80) != 0;
    input_->callback(input_->handle, valid ? MidiMsg::InData : MidiMsg::InError, input_->instance,
                     word, inputTime());
}

void SimulatedServices::loopSysex(const std::uint8_t *bytes, std::size_t size, bool complete)
{
    if (!input_ || !input_->started)
        return;
    while (size > 0) {
        if (input_->buffers.empty()) {
            droppedLoopbackBytes_ += size;
            return;
        }
        MidiHeader *header = input_->buffers.front();
        const std::size_t room = header->bufferLength - header->bytesRecorded;
        const std::size_t chunk = std::min(room, size);
        std::memcpy(header->data + header->bytesRecorded, bytes, chunk);
        header->bytesRecorded += static_cast<std::uint32_t>(chunk);
        bytes += chunk;
        size -= chunk;
        if (size > 0)
            handBack(header, MidiMsg::InLongData); // full: the message goes on in the next one
        else
            handBack(header, complete ? MidiMsg::InLongData : MidiMsg::InLongError);
    }
}

void SimulatedServices::handBack(MidiHeader *header, std::uint32_t message)
{
    input_->buffers.pop_front();
    handBackHeader(header);
    input_->callback(input_->handle, message, input_->instance,
                     reinterpret_cast<std::uintptr_t>(header), inputTime());
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

MidiResult SimulatedServices::sendShortMessage(MidiHandle handle, std::uint32_t word)
{
    {
        std::lock_guard lock(mutex_);
        Output *output = openOutputFor(handle);
        if (!output)
            return MidiErrInvalidHandle;
        ++output->queued;
        tasks_.push_back({handle, word, nullptr});
    }
    work_.notify_one();
    return MidiOk;
}

MidiResult SimulatedServices::prepareOutputHeader(MidiHandle handle, MidiHeader *header)
{
    std::lock_guard lock(mutex_);
    if (!openOutputFor(handle))
        return MidiErrInvalidHandle;
    return prepareHeader(handle, header);
}

MidiResult SimulatedServices::sendLongMessage(MidiHandle handle, MidiHeader *header)
{
    {
        std::lock_guard lock(mutex_);
        Output *output = openOutputFor(handle);
        if (!output)
            return MidiErrInvalidHandle;
        if (const MidiResult result = queueHeader(handle, header); result != MidiOk)
            return result;
        ++output->queued;
        tasks_.push_back({handle, 0, header});
    }
    work_.notify_one();
    return MidiOk;
}

MidiResult SimulatedServices::unprepareOutputHeader(MidiHandle handle, MidiHeader *header)
{
    std::lock_guard lock(mutex_);
    if (!openOutputFor(handle))
        return MidiErrInvalidHandle;
    return unprepareHeader(handle, header);
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

SimulatedServices::Input *SimulatedServices::openInputFor(MidiHandle handle)
{
    return input_ && input_->handle == handle && handle != NoMidiHandle ? &*input_ : nullptr;
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
    input_.emplace(Input{handle, callback, instance});
    return MidiOk;
}

MidiResult SimulatedServices::closeInput(MidiHandle handle)
{
    std::lock_guard lock(mutex_);
    Input *input = openInputFor(handle);
    if (!input)
        return MidiErrInvalidHandle;
    if (!input->buffers.empty())
        return MidiErrStillPlaying;
    input_.reset();
    return MidiOk;
}

MidiResult SimulatedServices::prepareInputHeader(MidiHandle handle, MidiHeader *header)
{
    std::lock_guard lock(mutex_);
    if (!openInputFor(handle))
        return MidiErrInvalidHandle;
    return prepareHeader(handle, header);
}

MidiResult SimulatedServices::addInputBuffer(MidiHandle handle, MidiHeader *header)
{
    std::lock_guard lock(mutex_);
    Input *input = openInputFor(handle);
    if (!input)
        return MidiErrInvalidHandle;
    if (const MidiResult result = queueHeader(handle, header); result != MidiOk)
        return result;
    input->buffers.push_back(header);
    return MidiOk;
}

MidiResult SimulatedServices::startInput(MidiHandle handle)
{
    std::lock_guard lock(mutex_);
    Input *input = openInputFor(handle);
    if (!input)
        return MidiErrInvalidHandle;
    if (!input->started) {
        input->started = true;
        input->startTime = std::chrono::steady_clock::now();
    }
    return MidiOk;
}

MidiResult SimulatedServices::resetInput(MidiHandle handle)
{
    std::lock_guard lock(mutex_);
    Input *input = openInputFor(handle);
    if (!input)
        return MidiErrInvalidHandle;
    // Under the lock the worker cannot be inside a callback for this input, so handing the
    // buffers back from this thread keeps the callbacks for the handle one after another.
    while (!input->buffers.empty())
        handBack(input->buffers.front(), MidiMsg::InLongData);
    input->started = false;
    return MidiOk;
}

MidiResult SimulatedServices::unprepareInputHeader(MidiHandle handle, MidiHeader *header)
{
    std::lock_guard lock(mutex_);
    if (!openInputFor(handle))
        return MidiErrInvalidHandle;
    return unprepareHeader(handle, header);
}
