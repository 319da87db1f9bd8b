#pragma once
// What one converter has, as far as this editor knows: built only from the messages that reached
// its output device, never read back (the box cannot be asked). It is a belief: another program,
// a power cycle or a box that missed a message make it wrong, and the page says so.
//
// Every field starts unknown and becomes known from a delivered message, following the rules the
// converter itself follows: a parameter message counts only on the channel the box listens on
// (when that is unknown, the first message tells it), the channel parameter moves the box to a
// new channel, and the write-to-flash command copies the working set-up into flash, unknown
// fields included. The same rule thus serves real-time sends, transfers, changes-only sends,
// channel changes and flash writes, whichever path the message took.
//
// No widget, no port: a plain value that the window keeps per output device.
#include "converter/Protocol.h"

#include <QByteArrayView>
#include <QJsonObject>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

class BoxBelief
{
public:
    using Known = std::optional<std::uint8_t>;
    struct Setup
    {
        Known channel; // 0..15
        std::array<Known, protocol::OutputCount> controllers{};
        friend bool operator==(const Setup &, const Setup &) = default;
    };

    // A message that reached the device; anything but the converter's own is passed over.
    void Delivered(QByteArrayView message);

    const Setup &Working() const { return Box; }
    const Setup &Flash() const { return Flashed; }
    // Nothing sent yet (or forgotten): not even the box's channel is known.
    bool Unknown() const { return !Box.channel; }
    // The flash is not known to hold what the box works with.
    bool Unwritten() const { return !Unknown() && Box != Flashed; }

    // How a preset (its controllers, the channel the page sends on) stands against the box.
    enum class Standing { Unknown, OtherChannel, Differ, Unwritten, InStep };
    struct Comparison
    {
        Standing standing;
        std::vector<int> differing; // outputs 0..31 whose controller is not known to match
    };
    Comparison Compare(int channel,
                       std::span<const std::uint8_t, protocol::OutputCount> preset) const;

    // Kept in the data folder: unknown fields as null.
    QJsonObject ToJson() const;
    static BoxBelief FromJson(const QJsonObject &json);

    friend bool operator==(const BoxBelief &, const BoxBelief &) = default;

private:
    Setup Box;
    Setup Flashed;
};
