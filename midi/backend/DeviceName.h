#pragma once
// A device's name without the ALSA sequencer's address. The sequencer numbers its clients as
// they come (a program restarted after another took its number, USB interfaces enumerated in
// another order), so a name carrying "client:port" numbers would not find the same device
// again. Names are shown and kept without them; earlier versions kept them.
#include <cstdio>
#include <string>

// name without a trailing " C:P" (two numbers); name itself when it has none.
inline std::string WithoutSequencerAddress(const std::string &name)
{
    const std::size_t space = name.rfind(' ');
    if (space == std::string::npos)
        return name;
    int client = 0;
    int port = 0;
    int used = 0;
    const char *address = name.c_str() + space + 1;
    if (std::sscanf(address, "%d:%d%n", &client, &port, &used) != 2 ||
        std::size_t(used) != name.size() - space - 1 || client < 0 || port < 0)
        return name;
    return name.substr(0, space);
}
