#pragma once
// The life of a long-message header with the services, one set of rules for every
// implementation: prepared on a handle, queued (an output message or an input buffer), handed
// back, unprepared. The checks come in this order and give these codes:
//
//   prepare    no header, no data or no length: MidiErrInvalidParam; still queued:
//              MidiErrStillPlaying (the services own its private fields until they hand it
//              back, so preparing it again, on any handle, must not rewrite them); otherwise
//              prepared on this handle, Done cleared. Preparing a prepared header again is
//              allowed and moves it to the new handle.
//   queue      no header: MidiErrInvalidParam; not prepared on this handle: MidiErrUnprepared;
//              already queued: MidiErrStillPlaying; otherwise InQueue set, Done cleared and
//              nothing recorded.
//   hand back  Done set, InQueue cleared (the services' thread, just before the callback).
//   unprepare  no header: MidiErrInvalidParam; not prepared: MidiOk, nothing to undo; prepared
//              on another handle: MidiErrUnprepared; still queued: MidiErrStillPlaying;
//              otherwise no longer prepared.
//
// The handle a header is prepared on is kept in its reserved field, which the services own
// while it is prepared. The flags are read and written through std::atomic_ref, because the
// services' thread hands a header back while the caller's thread may look at its flags. The
// services check their own handle (MidiErrInvalidHandle) before these rules.
#include "midi/backend/MidiServices.h"

std::uint32_t headerFlags(const MidiHeader *header) noexcept;

MidiResult prepareHeader(MidiHandle handle, MidiHeader *header) noexcept;

// The queue rule in two halves, for services that may still refuse for reasons of their own
// (a full queue, a closing device) between the check and the mark.
MidiResult checkHeaderQueueable(MidiHandle handle, const MidiHeader *header) noexcept;
void markHeaderQueued(MidiHeader *header) noexcept;
// Both halves at once.
MidiResult queueHeader(MidiHandle handle, MidiHeader *header) noexcept;

void handBackHeader(MidiHeader *header) noexcept;

MidiResult unprepareHeader(MidiHandle handle, MidiHeader *header) noexcept;
