#pragma once
// Which MIDI system the system's devices come from, where more than one runs: automatic is the
// ALSA sequencer when it opens, else JACK; the others insist on one (no system devices without
// it). The same short names serve the settings and the command line's --system.
#include "midi/backend/MidiServices.h"

#include <QString>
#include <array>
#include <optional>

// The user chooses among the MIDI systems those listed in MidiSystemChoices.
using MidiSystemChoice = MidiSystem;

inline constexpr std::array<MidiSystemChoice, 3> MidiSystemChoices = {
    MidiSystemChoice::Automatic, MidiSystemChoice::Alsa, MidiSystemChoice::Jack};

inline QString MidiSystemChoiceName(MidiSystemChoice choice)
{
    switch (choice) {
    case MidiSystemChoice::Alsa:
        return QStringLiteral("alsa");
    case MidiSystemChoice::Jack:
        return QStringLiteral("jack");
    default:
        break;
    }
    return QStringLiteral("auto");
}

inline std::optional<MidiSystemChoice> MidiSystemChoiceNamed(const QString &name)
{
    for (const MidiSystemChoice choice : MidiSystemChoices) {
        if (MidiSystemChoiceName(choice) == name)
            return choice;
    }
    return std::nullopt;
}
