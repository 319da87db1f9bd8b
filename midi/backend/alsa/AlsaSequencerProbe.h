#pragma once
// Whether the ALSA sequencer opens on this machine: the first question of every program here
// that talks MIDI on Linux, since ALSA is preferred whenever it is there. It is asked of the
// device node itself, not through RtMidi or libasound: a failure there prints their complaints
// on stderr, and a machine without ALSA MIDI (a container, a server) is normal. Always false
// where there is no ALSA.
bool alsaSequencerOpens();
