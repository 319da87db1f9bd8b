#include "sim/StateText.h"

#include <cstdio>

namespace sim {

namespace {

std::string number(std::uint64_t value)
{
    return std::to_string(value);
}

std::string outputLine(int output, const char *what, const std::string &value)
{
    return "output " + number(output + 1) + " " + what + " " + value;
}

} // namespace

std::string hexBytes(const MidiMessage &message)
{
    std::string text;
    for (const std::uint8_t byte : message.kept()) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", byte);
        if (!text.empty())
            text += ' ';
        text += hex;
    }
    if (message.length > MidiMessage::Kept)
        text += " ... (" + number(message.length) + " bytes)";
    return text;
}

std::string controllerText(std::uint8_t controller)
{
    switch (kindOf(controller)) {
    case ControllerKind::None:
        return "none";
    case ControllerKind::Controller:
        return number(controller);
    case ControllerKind::Invalid:
        break;
    }
    return "invalid " + number(controller);
}

std::string rejectionText(const Rejection &rejection)
{
    return std::string(reasonText(rejection.reason)) + ": " + hexBytes(rejection.message);
}

std::vector<std::string> describeChanges(const BoxState &before, const BoxState &after)
{
    std::vector<std::string> lines;
    if (before.working.channel != after.working.channel)
        lines.push_back("channel " + number(after.working.channel + 1));
    for (int i = 0; i < OutputCount; ++i)
        if (before.working.controllers[i] != after.working.controllers[i])
            lines.push_back(
                outputLine(i, "controller", controllerText(after.working.controllers[i])));
    for (int i = 0; i < OutputCount; ++i)
        if (before.levels[i] != after.levels[i])
            lines.push_back(outputLine(i, "level", number(after.levels[i])));
    if (before.flashWrites != after.flashWrites)
        lines.emplace_back("flash written");
    if (before.flashMatches() != after.flashMatches())
        lines.emplace_back(after.flashMatches() ? "flash matches" : "flash differs");
    if (before.kessel.input != after.kessel.input)
        lines.push_back("kessel input " + number(after.kessel.input));
    if (before.kessel.merge != after.kessel.merge)
        lines.push_back(std::string("kessel merge ") + (after.kessel.merge ? "on" : "off"));
    if (before.rejected != after.rejected && after.lastRejection)
        lines.push_back("rejection " + rejectionText(*after.lastRejection));
    return lines;
}

std::vector<std::string> describeState(const BoxState &state)
{
    std::vector<std::string> lines{
        "state begin",
        "channel " + number(state.working.channel + 1),
        state.flashMatches() ? "flash matches" : "flash differs",
        "kessel input " + number(state.kessel.input),
        std::string("kessel merge ") + (state.kessel.merge ? "on" : "off"),
        "accepted " + number(state.accepted),
        "rejected " + number(state.rejected),
        "last rejection " +
            (state.lastRejection ? rejectionText(*state.lastRejection) : std::string("none")),
    };
    for (int i = 0; i < OutputCount; ++i)
        lines.push_back(outputLine(i, "controller",
                                   controllerText(state.working.controllers[i]) + " level " +
                                       number(state.levels[i])));
    lines.emplace_back("state end");
    return lines;
}

} // namespace sim
