#pragma once
// Node properties for one JACK client under PipeWire's libjack, which reads them from the
// environment (PIPEWIRE_PROPS) when a client opens: there is no other way to give them.
//
// The variable is made to exist before main() (while the process has one thread), so that the
// changes made around an open only replace its value in place; adding a variable to the
// environment may move the array that another thread is reading. The user's own value is kept,
// and our properties go after it for that one client.
#include <jack/jack.h>

namespace PipeWireProps {

// Whether the libjack the editor runs with is PipeWire's.
bool active();

// jack_client_open, with `props` (SPA JSON members: "key=value ...") added to the user's own
// properties for this client when libjack is PipeWire's (none: the user's alone); exactly
// jack_client_open otherwise.
jack_client_t *openClient(const char *name, jack_options_t options, jack_status_t *status,
                          const char *props);

} // namespace PipeWireProps
