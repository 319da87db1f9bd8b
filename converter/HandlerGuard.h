#pragma once
// How a user's action reaches its handler. A handler runs synchronously to its end; an error it
// lets escape (a MIDI port's exception) ends it at that step and goes to the application's one
// error report. It is caught here, at the handler, because Qt's signal machinery is not built to
// carry exceptions.
#include <exception>
#include <utility>

using ErrorReport = void (*)(const std::exception &error);

template <typename Handler> void RunGuarded(ErrorReport report, Handler &&handler)
{
    try {
        std::forward<Handler>(handler)();
    } catch (const std::exception &error) {
        report(error);
    }
}
