#pragma once
// Finding a device chosen by name again when it is opened. Device numbers index the list of the
// services' latest count, and devices come and go between the choice and the open: the number
// found for the name may stand for another device by then, and opening it would send the user's
// messages there.
#include "midi/backend/MidiServices.h"

#include <QString>
#include <optional>
#include <utility>

// The number and the capabilities of the device called name in the list counted now (count):
// chosen when it still stands there, otherwise the first place from first on that reports it.
// A place whose query fails is passed over; nothing when no device reports the name.
template <class Caps, class Query>
std::optional<std::pair<int, Caps>> FindNamedDevice(const QString &name, int chosen, int first,
                                                    int count, Query query)
{
    Caps caps;
    const auto named = [&](int id) {
        return query(id, caps) == MidiOk && QString::fromStdString(caps.name) == name;
    };
    if (named(chosen))
        return std::pair{chosen, caps};
    for (int id = first; id < count; ++id) {
        if (id != chosen && named(id))
            return std::pair{id, caps};
    }
    return std::nullopt;
}
