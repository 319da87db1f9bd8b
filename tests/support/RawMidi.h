#pragma once
// The far side of a snd-virmidi port in the test machine (scripts/alsa-vm.sh): the raw MIDI
// device /dev/snd/midiC0D<N> reads what is sent to sequencer port "VirMIDI 0-N" and writes what
// comes out of it, as the wire of a device would; and the driver unplugged and plugged back.
#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

class RawMidi
{
public:
    using Clock = std::chrono::steady_clock;
    // The port drops what is sent to it until its raw side is first read: read at once.
    explicit RawMidi(int n)
        : fd_(::open(("/dev/snd/midiC0D" + std::to_string(n)).c_str(), O_RDWR | O_NONBLOCK))
    {
        take();
    }
    ~RawMidi() { ::close(fd_); }
    // The bytes that arrive until count have or limit has passed, each with when it was read.
    std::vector<std::pair<int, Clock::time_point>> read(std::size_t count, int limitSeconds = 30)
    {
        const Clock::time_point end = Clock::now() + std::chrono::seconds(limitSeconds);
        for (pollfd watch{fd_, POLLIN, 0}; read_.size() < count && Clock::now() < end;) {
            if (::poll(&watch, 1, 100) > 0)
                take();
        }
        return std::exchange(read_, {});
    }
    bool write(const std::vector<unsigned char> &bytes)
    {
        return ::write(fd_, bytes.data(), bytes.size()) == ssize_t(bytes.size());
    }
    // Unplugs (false) or plugs back (true) every snd-virmidi port. No raw device may be open.
    static bool plug(bool in)
    {
        std::ofstream driver(std::string("/sys/bus/platform/drivers/snd_virmidi/") +
                             (in ? "bind" : "unbind"));
        driver << "snd_virmidi.0";
        driver.close();
        return !driver.fail();
    }

private:
    void take()
    {
        unsigned char chunk[256];
        for (ssize_t i = 0, got = ::read(fd_, chunk, sizeof chunk); i < got; ++i)
            read_.emplace_back(chunk[i], Clock::now());
    }
    int fd_;
    std::vector<std::pair<int, Clock::time_point>> read_;
};
