#pragma once
// The MIDI monitor's record: the last Capacity messages that came in from the chosen input or
// went out from the editor, each with the time since the log started, its direction and its
// bytes. What a line means is worked out only when it is shown (MonitorModel), so recording a
// message costs a clock read and a copy into a slot that was allocated up front.
//
// GUI thread only: the editor's sends happen there, and received messages reach it through the
// input port's ring (InputReader). Lines are numbered in recording order from 0; the log keeps
// the numbers [FirstKept(), End()).
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

enum class Direction : std::uint8_t { In, Out };

struct MonitorLine
{
    // Enough for every message of the converter and the Kessel; a longer SysEx keeps its start.
    static constexpr std::size_t KeptBytes = 20;

    std::uint32_t ms;   // since the log started
    std::uint32_t size; // of the whole message
    Direction direction;
    std::uint8_t kept; // bytes of it held in bytes
    std::array<std::uint8_t, KeptBytes> bytes;

    std::span<const std::uint8_t> Bytes() const { return {bytes.data(), kept}; }
};

class MonitorLog
{
public:
    static constexpr std::size_t Capacity = 10'000;
    using Clock = std::chrono::steady_clock;

    MonitorLog();

    // Keeps the message, the oldest line giving way when the log is full; while paused, only
    // counts it. Allocates nothing; then tells the listener.
    void Record(Direction direction, std::span<const std::uint8_t> message) noexcept;

    std::uint64_t FirstKept() const { return first_; }
    std::uint64_t End() const { return end_; }
    // A line number in [FirstKept(), End()).
    const MonitorLine &Line(std::uint64_t number) const { return lines_[number % Capacity]; }

    // Forgets every line; numbering goes on.
    void Clear() { first_ = end_; }

    bool Paused() const { return paused_; }
    void SetPaused(bool paused) { paused_ = paused; }
    // Messages that passed while paused.
    std::uint64_t Skipped() const { return skipped_; }

    // Called after each message recorded or skipped (the page schedules its refresh); may be
    // empty.
    void SetListener(std::function<void()> listener) { listener_ = std::move(listener); }

private:
    std::vector<MonitorLine> lines_;
    std::uint64_t first_ = 0;
    std::uint64_t end_ = 0;
    bool paused_ = false;
    std::uint64_t skipped_ = 0;
    Clock::time_point start_;
    std::function<void()> listener_;
};
