#pragma once
// The far side of a snd-virmidi port in the test machine (scripts/alsa-vm.sh): the raw MIDI
// device /dev/snd/midiC0D<N>, which reads what is sent to sequencer port "VirMIDI 0-N" and
// writes what comes out of it, as the wire of a device plugged in would. And the driver's
// unplugging and plugging back, as of a USB cable.
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

class RawMidi
{
public:
    using Clock = std::chrono::steady_clock;
    struct Byte
    {
        std::uint8_t value;
        Clock::time_point at;
    };

    explicit RawMidi(int device)
        : fd_(::open(("/dev/snd/midiC0D" + std::to_string(device)).c_str(),
                     O_RDWR | O_NONBLOCK | O_CLOEXEC))
    {
        // The port drops what is sent to it until its raw side is first read: read now.
        std::uint8_t byte;
        if (fd_ >= 0 && ::read(fd_, &byte, 1) == 1)
            pending_.push_back({byte, Clock::now()});
    }
    ~RawMidi()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    RawMidi(const RawMidi &) = delete;
    RawMidi &operator=(const RawMidi &) = delete;
    bool isOpen() const { return fd_ >= 0; }

    // What arrives until count bytes have come or limit has passed, each byte stamped when read.
    std::vector<Byte> read(std::size_t count, std::chrono::seconds limit = std::chrono::seconds(30))
    {
        std::vector<Byte> bytes;
        bytes.swap(pending_);
        const Clock::time_point end = Clock::now() + limit;
        while (bytes.size() < count && Clock::now() < end) {
            pollfd watch{fd_, POLLIN, 0};
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
            if (::poll(&watch, 1, int(std::max<long>(1, left.count()))) <= 0)
                continue;
            std::uint8_t chunk[256];
            const ssize_t got = ::read(fd_, chunk, sizeof chunk);
            for (ssize_t i = 0; i < got; ++i)
                bytes.push_back({chunk[i], Clock::now()});
        }
        return bytes;
    }
    bool write(const std::vector<std::uint8_t> &bytes)
    {
        return ::write(fd_, bytes.data(), bytes.size()) == ssize_t(bytes.size());
    }

    // Unplugs (false) or plugs back (true) every snd-virmidi port. No raw device may be open.
    static bool plug(bool in)
    {
        std::ofstream driver(std::string("/sys/bus/platform/drivers/snd_virmidi/") +
                             (in ? "bind" : "unbind"));
        driver << "snd_virmidi.0" << std::flush;
        return bool(driver);
    }

private:
    int fd_;
    std::vector<Byte> pending_;
};

// The values of bytes, without their times.
inline std::vector<std::uint8_t> Values(const std::vector<RawMidi::Byte> &bytes)
{
    std::vector<std::uint8_t> values;
    for (const RawMidi::Byte &byte : bytes)
        values.push_back(byte.value);
    return values;
}
