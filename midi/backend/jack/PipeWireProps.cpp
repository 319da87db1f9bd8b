#include "midi/backend/jack/PipeWireProps.h"

#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>

namespace {

constexpr const char *kVariable = "PIPEWIRE_PROPS";

// The user's properties, read before main().
struct UserProps
{
    std::string value;

    UserProps()
    {
        if (!PipeWireProps::active())
            return;
        if (const char *own = std::getenv(kVariable))
            value = own;
        else
            ::setenv(kVariable, "", 0);
    }

    // The user's members and then ours, as one object (later members win).
    std::string with(std::string_view ours) const
    {
        std::string_view members = value;
        const auto first = members.find_first_not_of(" \t\n");
        const auto last = members.find_last_not_of(" \t\n");
        members = first == std::string_view::npos ? std::string_view()
                                                  : members.substr(first, last - first + 1);
        if (members.size() >= 2 && members.front() == '{' && members.back() == '}')
            members = members.substr(1, members.size() - 2);
        return "{ " + std::string(members) + " " + std::string(ours) + " }";
    }
};

const UserProps userProps;

} // namespace

bool PipeWireProps::active()
{
    static const bool isPipeWire =
        std::string_view(jack_get_version_string()).find("PipeWire") != std::string_view::npos;
    return isPipeWire;
}

jack_client_t *PipeWireProps::openClient(const char *name, jack_options_t options,
                                         jack_status_t *status, const char *props)
{
    if (!active())
        return jack_client_open(name, options, status);
    // One open at a time, so that a client without properties of its own never sees another's.
    // Other threads may read the variable meanwhile (a child process started now inherits it).
    static std::mutex mutex;
    const std::lock_guard lock(mutex);
    if (!*props)
        return jack_client_open(name, options, status);
    ::setenv(kVariable, userProps.with(props).c_str(), 1);
    jack_client_t *client = jack_client_open(name, options, status);
    ::setenv(kVariable, userProps.value.c_str(), 1);
    return client;
}
