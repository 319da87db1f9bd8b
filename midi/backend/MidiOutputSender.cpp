#include "midi/backend/MidiOutputSender.h"

#include "midi/backend/MidiHeaderRules.h"
#include "midi/backend/ShortMessage.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <utility>
#include <vector>

// Everything the sender thread touches. Shared by the sender and its thread, so that a thread
// left writing by close still has it after the sender has gone.
struct MidiOutputSender::State
{
    std::shared_ptr<MidiWire> wire;
    MidiHandle handle;
    MidiCallbackFunction callback;
    std::uintptr_t instance;

    std::mutex mutex;
    std::condition_variable wake;    // the sender waits here for work or the end
    std::condition_variable stopped; // close() waits here for the sender to finish
    std::deque<Item> queue;
    MidiHeader *writing = nullptr;  // the long message on the wire, not yet handed back
    std::vector<std::uint8_t> copy; // its bytes, which the wire writes
    bool closing = false;
    bool finished = false;
    bool leftBehind = false; // close handed everything back: the callback is not called again
    std::chrono::steady_clock::time_point deadline{}; // moved on by every message that leaves
    std::chrono::milliseconds drainLimit{};
    std::atomic<bool> abandon{false}; // no progress within the limit: hand back without sending
    std::atomic<MidiResult> failure{MidiOk}; // why a message did not reach the device

    // With the lock held.
    void handBack(MidiHeader *header)
    {
        handBackHeader(header);
        callback(handle, MidiMsg::OutDone, instance, reinterpret_cast<std::uintptr_t>(header), 0);
    }
};

namespace {

// The wires of threads that close left writing. Never destroyed, not even at exit, when such
// a thread may still be running.
struct LeftBehind
{
    std::mutex mutex;
    std::vector<std::shared_ptr<MidiWire>> wires;
};

LeftBehind &leftBehindWires()
{
    static auto *wires = new LeftBehind;
    return *wires;
}

} // namespace

MidiOutputSender::MidiOutputSender(std::shared_ptr<MidiWire> wire, MidiHandle handle,
                                   MidiCallbackFunction callback, std::uintptr_t instance)
    : state_(std::make_shared<State>())
{
    state_->wire = std::move(wire);
    state_->handle = handle;
    state_->callback = callback;
    state_->instance = instance;
    thread_ = std::thread([state = state_] { run(*state); });
}

MidiOutputSender::~MidiOutputSender()
{
    close();
}

std::size_t MidiOutputSender::wiresLeftBehind()
{
    LeftBehind &left = leftBehindWires();
    std::lock_guard lock(left.mutex);
    return left.wires.size();
}

MidiResult MidiOutputSender::sendShort(std::uint32_t word)
{
    Item item;
    item.sentAt = std::chrono::steady_clock::now();
    item.bytes = unpackShortMessage(word);
    // A data byte in the status position would be running status, and F0/F7 belong to long
    // messages: neither can travel on its own as one event of the system.
    const std::size_t size = shortMessageLength(item.bytes[0]);
    if (item.bytes[0] < 0x80 || size == 0)
        return MidiErrInvalidParam;
    item.size = std::uint8_t(size);
    return enqueue(item);
}

MidiResult MidiOutputSender::sendLong(MidiHeader *header)
{
    Item item;
    item.header = header;
    item.sentAt = std::chrono::steady_clock::now();
    return enqueue(item);
}

MidiResult MidiOutputSender::health() const
{
    // The wire's own state first: it changes (a server that comes back), a failure does not.
    const MidiResult wire = state_->wire->health();
    return wire != MidiOk ? wire : state_->failure.load();
}

MidiResult MidiOutputSender::enqueue(const Item &item)
{
    State &state = *state_;
    if (const MidiResult health = this->health(); health != MidiOk)
        return health;
    {
        std::lock_guard lock(state.mutex);
        if (state.closing)
            return MidiErrInvalidHandle;
        if (item.header)
            markHeaderQueued(item.header);
        state.queue.push_back(item);
    }
    state.wake.notify_one();
    return MidiOk;
}

void MidiOutputSender::close(std::chrono::milliseconds drainLimit)
{
    if (!thread_.joinable())
        return;
    State &state = *state_;
    std::unique_lock lock(state.mutex);
    state.closing = true;
    state.drainLimit = drainLimit;
    state.deadline = std::chrono::steady_clock::now() + drainLimit;
    state.wake.notify_one();
    const auto finished = [&state] { return state.finished; };
    // The sender moves the deadline on whenever a message leaves. A wire still being connected
    // holds its messages back, which is no stall: closing right after sending must not drop
    // what was taken; but a connection that does not come within the limit is not waited for.
    const auto connectLimit = std::chrono::steady_clock::now() + kDeliveryLimit;
    while (!finished() && std::chrono::steady_clock::now() < state.deadline) {
        state.stopped.wait_until(lock, state.deadline, finished);
        const auto now = std::chrono::steady_clock::now();
        if (!finished() && state.wire->connecting() && now < connectLimit)
            state.deadline = std::max(state.deadline, now + drainLimit);
    }
    if (!finished()) {
        // The wire's write and drain give up on abandon, and what is still queued then goes
        // back unsent, which takes no time.
        state.abandon.store(true);
        if (!state.stopped.wait_for(lock, kAbandonLimit, finished)) {
            // A wire that does not let go (a system call that does not return) keeps the
            // thread; nothing it does reaches the port any more.
            leaveBehind(state);
            lock.unlock();
            thread_.detach();
            return;
        }
    }
    lock.unlock();
    thread_.join();
}

void MidiOutputSender::leaveBehind(State &state)
{
    state.leftBehind = true;
    if (state.writing)
        state.handBack(std::exchange(state.writing, nullptr));
    for (const Item &item : state.queue) {
        if (item.header)
            state.handBack(item.header);
    }
    state.queue.clear();
}

bool MidiOutputSender::takeNext(State &state, Item &item)
{
    std::unique_lock lock(state.mutex);
    // The one written last (close clears it when it hands it back itself).
    if (state.writing)
        state.handBack(std::exchange(state.writing, nullptr));
    if (state.closing)
        state.deadline = std::chrono::steady_clock::now() + state.drainLimit;
    state.wake.wait(lock, [&state] { return state.closing || !state.queue.empty(); });
    if (state.queue.empty() || state.leftBehind)
        return false;
    item = state.queue.front();
    state.queue.pop_front();
    if (item.header) {
        // Copied while close cannot hand the header back, so a write that outlasts close
        // never reads a buffer the port has freed.
        state.writing = item.header;
        state.copy.assign(item.header->data, item.header->data + item.header->bufferLength);
    }
    return true;
}

MidiResult MidiOutputSender::deliver(State &state, const Item &item)
{
    const MidiResult written =
        item.header
            ? state.wire->write(state.copy.data(), state.copy.size(), item.sentAt, state.abandon)
            : state.wire->write(item.bytes.data(), item.size, item.sentAt, state.abandon);
    if (written != MidiOk || !item.header)
        return written;
    {
        // At close the last drain below waits, within close's own limit.
        std::lock_guard lock(state.mutex);
        if (!state.queue.empty() || state.closing)
            return MidiOk;
    }
    return state.wire->drain(std::chrono::steady_clock::now() + kDeliveryLimit, state.abandon);
}

void MidiOutputSender::run(State &state)
{
    for (Item item; takeNext(state, item);) {
        // Given up by close, or after a message that was lost: handed back unsent.
        if (state.abandon.load() || state.failure.load() != MidiOk)
            continue;
        const MidiResult result = deliver(state, item);
        if (result == MidiOk && item.header) {
            // Only while close has not handed the header back: from then on it is the port's.
            std::lock_guard lock(state.mutex);
            if (state.writing == item.header)
                item.header->bytesRecorded = item.header->bufferLength;
        }
        // Abandoned by close is no failure of the output, nor is a message the wire gave up
        // waiting for (MidiErrNotReady: a receiver that took nothing for a while): that one
        // fails alone, and the next one tries again. One the wire shows itself (a server gone
        // or frozen, a port not connected) lasts as long as the wire shows it, which lets the
        // output recover with the wire; any other lasts as long as the output.
        if (result != MidiOk && result != MidiErrNotReady && !state.abandon.load() &&
            state.wire->health() == MidiOk)
            state.failure.store(result);
    }
    if (!state.abandon.load() && state.failure.load() == MidiOk)
        state.wire->drain(state.deadline, state.abandon); // the output has gone: nobody to tell
    std::lock_guard lock(state.mutex);
    state.finished = true;
    state.stopped.notify_all();
    if (state.leftBehind) {
        LeftBehind &left = leftBehindWires();
        std::lock_guard keep(left.mutex);
        left.wires.push_back(state.wire);
    }
}
