#pragma once
// Types the two MIDI ports share with their owners.
#include <functional>

class QObject;

// The order gives the values 0, 1, 2 that a port's state has always had.
enum TMidiPortState { psOpen, psClosed, psCreating };

// An event slot of a port: one callable that receives the port as sender. Assigning replaces the
// previous handler; an empty one does nothing. Ports call it on the GUI thread only.
using MidiNotifyEvent = std::function<void(QObject *sender)>;
