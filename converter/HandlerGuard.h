#pragma once
// How a user's action reaches its handler. A handler runs synchronously to its end; an error it
// lets escape (a MIDI port's exception) ends it at that step and goes to the application's one
// error report. It is caught here, at the handler, because Qt's signal machinery is not built to
// carry exceptions.
#include <QAbstractButton>
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

// Runs owner->handler(sender), guarded.
template <typename Owner>
void RunHandler(ErrorReport report, Owner *owner, void (Owner::*handler)(QObject *),
                QObject *sender)
{
    RunGuarded(report, [&] { (owner->*handler)(sender); });
}

// Every click of button runs owner->handler(button), guarded, for as long as owner lives.
template <typename Owner>
void OnClick(QAbstractButton *button, Owner *owner, void (Owner::*handler)(QObject *),
             ErrorReport report)
{
    QObject::connect(button, &QAbstractButton::clicked, owner,
                     [=] { RunHandler(report, owner, handler, button); });
}
