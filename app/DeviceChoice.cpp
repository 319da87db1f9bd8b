#include "app/DeviceChoice.h"

#include "midi/backend/DeviceName.h"

#include <QCoreApplication>

QString DeviceChoice::NoDevice(Side side)
{
    return side == Input ? QStringLiteral("No MIDI Input Device")
                         : QStringLiteral("No MIDI Output Device");
}

bool DeviceChoice::Lists(const QStringList &names, const QString &name)
{
    return !name.isEmpty() && names.contains(name, Qt::CaseSensitive);
}

QString DeviceChoice::Choose(Side side, const QStringList &names, int selected)
{
    SideState &state = Sides[side];
    state.chosen = selected >= 0 && selected < names.size() ? names[selected] : QString();
    state.listed = Lists(names, state.chosen);
    return state.chosen;
}

QString DeviceChoice::ListedName(const QStringList &names, const QString &name)
{
    if (names.contains(name, Qt::CaseSensitive))
        return name;
    const QString bare = QString::fromStdString(WithoutSequencerAddress(name.toStdString()));
    return names.contains(bare, Qt::CaseSensitive) ? bare : name;
}

int DeviceChoice::ChooseStored(Side side, const QStringList &names, int shown,
                               const QString &storedName)
{
    if (storedName.isNull())
        return shown;
    const QString name = ListedName(names, storedName);
    SideState &state = Sides[side];
    state.chosen = name;
    state.listed = Lists(names, name);
    if (shown >= 0 && shown < names.size() && names[shown] == name)
        return shown;
    return names.indexOf(name);
}

void DeviceChoice::ListedIn(MidiSystemStatus::State state)
{
    ListedWhileStarting = state == MidiSystemStatus::Starting;
}

bool DeviceChoice::OpenAtStart(Side side) const
{
    return !ListedWhileStarting || Sides[side].listed;
}

bool DeviceChoice::SendAtStart(bool outputOpen)
{
    StartupSendPending = !outputOpen && ListedWhileStarting;
    return !StartupSendPending;
}

void DeviceChoice::Started(MidiSystemStatus::State state, int stopReportsSoFar)
{
    LastState = state;
    StopReportsWhenStarted = stopReportsSoFar;
}

DeviceChoice::View DeviceChoice::Relist(Side side, const QStringList &names)
{
    SideState &state = Sides[side];
    View view;
    view.entries = names.isEmpty() ? QStringList{NoDevice(side)} : names;
    // The chosen device is the one to show, listed or not.
    view.current = state.chosen.isEmpty() ? -1 : int(names.indexOf(state.chosen));
    if (view.current < 0)
        view.editText = state.chosen;
    const bool wasListed = state.listed;
    state.listed = Lists(view.entries, state.chosen);
    state.reappeared = state.listed && !wasListed;
    return view;
}

bool DeviceChoice::Reopen(Side side, MidiResult health) const
{
    const SideState &state = Sides[side];
    return state.listed && health != MidiOk &&
           (state.reappeared || health == MidiErrSystemNotRunning);
}

bool DeviceChoice::StartupSendDue(MidiSystemStatus::State state, bool outputOpen)
{
    const bool due = StartupSendPending && outputOpen;
    // Sent now, or the start is over and the device came too late for it.
    if (due || state != MidiSystemStatus::Starting)
        StartupSendPending = false;
    return due;
}

bool DeviceChoice::Missing(Side side, MidiResult health) const
{
    const SideState &state = Sides[side];
    return !state.chosen.isEmpty() && (!state.listed || health != MidiOk);
}

bool DeviceChoice::ReportStop(MidiSystemStatus::State state, int stopReportsSoFar)
{
    const bool wasUp =
        LastState == MidiSystemStatus::Running || LastState == MidiSystemStatus::NotResponding;
    LastState = state;
    if (state == MidiSystemStatus::Running && !wasUp)
        StopReportsWhenStarted = stopReportsSoFar;
    return state == MidiSystemStatus::NotRunning && wasUp &&
           stopReportsSoFar == StopReportsWhenStarted;
}
