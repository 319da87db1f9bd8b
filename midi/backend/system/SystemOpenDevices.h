#pragma once
// The devices SystemMidiServices has open, as its files share them.
#include "midi/backend/MidiInputDelivery.h"
#include "midi/backend/MidiOutputSender.h"
#include "midi/backend/MidiWire.h"
#include "midi/backend/system/SystemMidiServices.h"

#include <memory>
#include <string>

// The sender shares the wire: a sender thread that close had to leave writing keeps it.
struct SystemMidiServices::Output
{
    std::string name;
    bool away = false; // its device went: connected to nothing until it is back
    std::shared_ptr<MidiWire> wire;
    std::unique_ptr<MidiOutputSender> sender;
};

// The source that feeds the delivery goes first, so that nothing calls it any more.
struct SystemMidiServices::Input
{
    std::string name;
    bool away = false;
    std::unique_ptr<MidiInputDelivery> delivery;
    std::unique_ptr<MidiSource> source;
};
