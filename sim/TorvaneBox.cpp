#include "sim/TorvaneBox.h"

namespace sim {

namespace {

constexpr int KesselChannel = 15; // MIDI channel 16
constexpr int KesselMergeController = 31;
constexpr int KesselInputs = 8;

constexpr int ChannelParameter = 47;
constexpr int FirstOutputParameter = 48;
constexpr int WriteFlashParameter = 112;
constexpr int WriteFlashValue = 123;

constexpr std::size_t ParameterMessageLength = 8;

} // namespace

TorvaneBox::TorvaneBox(const ConverterSetup &flash)
{
    state_.flash = flash;
    state_.working = flash;
}

void TorvaneBox::feed(std::span<const std::uint8_t> bytes)
{
    parser_.feed(bytes, *this);
}

void TorvaneBox::powerCycle()
{
    parser_.reset();
    state_.working = state_.flash;
    state_.levels.fill(0);
}

void TorvaneBox::onMessage(const MidiMessage &message)
{
    conclude(message, apply(message));
}

void TorvaneBox::onFault(RejectReason reason, const MidiMessage &bytes)
{
    conclude(bytes, reason);
}

void TorvaneBox::conclude(const MidiMessage &message, std::optional<RejectReason> rejected)
{
    if (rejected) {
        ++state_.rejected;
        state_.lastRejection = Rejection{*rejected, message};
    } else {
        ++state_.accepted;
    }
    if (listener_)
        listener_(message, rejected);
}

std::optional<RejectReason> TorvaneBox::apply(const MidiMessage &message)
{
    const std::uint8_t status = message.status();
    if (status == 0xF0)
        return applyParameterMessage(message);
    const int channel = status & 0x0F;
    switch (status & 0xF0) {
    case 0xB0:
        return applyControlChange(channel, message.at(1), message.at(2));
    case 0xC0:
        return applyProgramChange(channel, message.at(1));
    case 0xF0:
        return RejectReason::NotUsedByTheBox; // system common
    default:
        // Notes, pressure, pitch bend: on a channel of ours they mean nothing to the box.
        if (channel == state_.working.channel || channel == KesselChannel)
            return RejectReason::NotUsedByTheBox;
        return RejectReason::OtherChannel;
    }
}

std::optional<RejectReason> TorvaneBox::applyParameterMessage(const MidiMessage &message)
{
    // The checks go from the outside in: whose message, how long, for whom, what, which value.
    // The header is what stands between F0 and the closing F7, however short the block.
    const std::size_t body = message.length - 1;
    if ((body > 1 && message.at(1) != 0x70) || (body > 2 && message.at(2) != 0x7E))
        return RejectReason::OtherHeader;
    if (message.length != ParameterMessageLength)
        return RejectReason::WrongLength;
    if (message.at(3) != state_.working.channel)
        return RejectReason::OtherChannel;
    const int high = message.at(5);
    const int low = message.at(6);
    const int parameter = message.at(4);
    const bool known =
        parameter == ChannelParameter || parameter == WriteFlashParameter ||
        (parameter >= FirstOutputParameter && parameter < FirstOutputParameter + OutputCount);
    if (!known)
        return RejectReason::UnknownParameter;
    if (high > 0x0F || low > 0x0F)
        return RejectReason::ValueNibbleTooLarge;
    return applyParameter(parameter, high << 4 | low);
}

std::optional<RejectReason> TorvaneBox::applyParameter(int parameter, int value)
{
    if (parameter == ChannelParameter) {
        state_.working.channel = static_cast<std::uint8_t>(value & 0x0F);
    } else if (parameter == WriteFlashParameter) {
        if (value != WriteFlashValue)
            return RejectReason::WrongFlashValue;
        state_.flash = state_.working;
        ++state_.flashWrites;
    } else {
        state_.working.controllers[parameter - FirstOutputParameter] =
            static_cast<std::uint8_t>(value);
    }
    return std::nullopt;
}

std::optional<RejectReason> TorvaneBox::applyControlChange(int channel, int controller, int value)
{
    bool forUs = false;
    if (channel == KesselChannel && controller == KesselMergeController) {
        state_.kessel.merge = value != 0;
        forUs = true;
    }
    if (channel == state_.working.channel) {
        for (int i = 0; i < OutputCount; ++i)
            if (state_.working.controllers[i] == controller)
                state_.levels[i] = static_cast<std::uint8_t>(value);
        forUs = true;
    }
    if (forUs)
        return std::nullopt;
    return channel == KesselChannel ? RejectReason::NotUsedByTheBox : RejectReason::OtherChannel;
}

std::optional<RejectReason> TorvaneBox::applyProgramChange(int channel, int program)
{
    if (channel == KesselChannel) {
        if (program >= KesselInputs)
            return RejectReason::KesselInputOutOfRange;
        state_.kessel.input = static_cast<std::uint8_t>(program);
        return std::nullopt;
    }
    if (channel == state_.working.channel)
        return RejectReason::NotUsedByTheBox;
    return RejectReason::OtherChannel;
}

} // namespace sim
