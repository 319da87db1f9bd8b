#pragma once
// SIGTERM, SIGINT and SIGHUP end the editor through its window's own close, as the close button
// does, so that the presets and the settings are saved when the desktop session ends, when the
// terminal that started the editor closes or gets Ctrl+C, or when a service manager stops it.
// Their default action would end the process at once and lose every change since the last close.
//
// The first such signal closes the window and then leaves every event loop, a modal dialog's
// included; the same signal a second time takes its default action, a way out should the close
// itself hang.
// On Windows this does nothing: when the user's session ends, Qt closes the windows itself, so
// the presets and the settings are saved then too.
class QWidget;

void CloseOnTerminationSignals(QWidget &window);
