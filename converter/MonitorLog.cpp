#include "converter/MonitorLog.h"

#include <algorithm>

MonitorLog::MonitorLog() : lines_(Capacity), start_(Clock::now()) {}

void MonitorLog::Record(Direction direction, std::span<const std::uint8_t> message) noexcept
{
    if (paused_) {
        ++skipped_;
        if (listener_)
            listener_();
        return;
    }
    MonitorLine &line = lines_[end_ % Capacity];
    line.ms = static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count());
    line.size = static_cast<std::uint32_t>(message.size());
    line.direction = direction;
    line.kept = static_cast<std::uint8_t>(std::min(message.size(), MonitorLine::KeptBytes));
    std::copy_n(message.begin(), line.kept, line.bytes.begin());
    ++end_;
    if (end_ - first_ > Capacity)
        first_ = end_ - Capacity;
    if (listener_)
        listener_();
}
