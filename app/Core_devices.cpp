// Choosing, opening and closing the MIDI devices.
#include "app/Core_main.h"

void TForm1::ListMidiDevices() {}

void TForm1::OpenMidiDevices() {}

void TForm1::CloseMidiDevices() {}
