#pragma once
// The rules of the devices page, apart from its widgets: which input and output device is the
// chosen one, what each device selector shows, when a port is opened again by itself, when the
// "Startup send" goes out, and when a MIDI system that stopped is reported.
//
// A chosen device is held by name. It stays chosen while the system does not list it (unplugged,
// its program ended, its server stopped), shown in its selector and marked not connected; once
// it is listed again its port is opened again, without a word and without sending anything.
// Entry k of a selector names device k, in the system's order.
//
// GUI thread only; no widget, no MIDI call: the page asks the services and the ports and hands
// their answers in.
#include "midi/backend/MidiServices.h"

#include <QString>
#include <QStringList>
#include <array>

class DeviceChoice
{
public:
    enum Side { Input, Output };

    // What a selector shows: its entries, the selected one (-1: none) and, with none selected,
    // the text of its edit field.
    struct View
    {
        QStringList entries;
        int current = -1;
        QString editText;
    };

    // The single entry of a selector when the system has no device of that side.
    static QString NoDevice(Side side);

    // ---- choosing ----
    // The listing at start, or a user change of the selector: entry selected (-1 none) of names
    // becomes the chosen device. Returns its name (empty for none).
    QString Choose(Side side, const QStringList &names, int selected);
    // The stored choice of an earlier run: the stored name (null when the settings kept none)
    // is the chosen device, listed now or not. Returns the entry to select instead of shown:
    // the stored index may now stand for another device, and then the name decides (-1 when
    // it is listed nowhere, so that nothing goes to a device nobody chose).
    int ChooseStored(Side side, const QStringList &names, int shown, const QString &storedName);
    QString Chosen(Side side) const { return Sides[side].chosen; }
    // How names lists the device kept as name: name itself, or without the sequencer's numbers
    // that earlier versions kept (name when neither is listed).
    static QString ListedName(const QStringList &names, const QString &name);

    // ---- start-up ----
    // The first listing was taken in this state of the system: one still starting lists its
    // devices later.
    void ListedIn(MidiSystemStatus::State state);
    // Whether to open side's port at start: not while a starting system has yet to list it.
    bool OpenAtStart(Side side) const;
    // "Startup send" is checked: true to send now, false when it waits for the output (a
    // starting system that has not listed it yet).
    bool SendAtStart(bool outputOpen);
    // After the start's own sends, in the system's state: the stop reports count from here.
    // stopReportsSoFar counts the sends' "not running" reports the user has seen.
    void Started(MidiSystemStatus::State state, int stopReportsSoFar);

    // ---- the system changed ----
    // The side's devices as listed now: what its selector shows.
    View Relist(Side side, const QStringList &names);
    // Whether side's port, in this health, is to be opened again: its chosen device is listed,
    // the port does not work, and the device has just come back or the port went with its
    // system.
    bool Reopen(Side side, MidiResult health) const;
    // Whether the waiting "Startup send" goes out now; a start that is over drops it.
    bool StartupSendDue(MidiSystemStatus::State state, bool outputOpen);
    // Whether the chosen device of side is marked not connected.
    bool Missing(Side side, MidiResult health) const;
    // Whether a stop of the system is reported now. The rule: reported if and only if the
    // system was last seen running (or not responding: a server on its way out may stop its
    // cycles first) and no send's "not running" has been reported since the system was last
    // seen start running. Starting to run is a transition (from starting or not running), not
    // any "running" notice: one that comes after a send's report does not make the stop news
    // again. Other error boxes say nothing of the stop and do not count.
    bool ReportStop(MidiSystemStatus::State state, int stopReportsSoFar);

private:
    struct SideState
    {
        QString chosen;
        bool listed = false;     // the chosen device is in the latest listing
        bool reappeared = false; // and was not in the one before
    };

    static bool Lists(const QStringList &names, const QString &name);

    std::array<SideState, 2> Sides;
    bool ListedWhileStarting = false;
    bool StartupSendPending = false;
    MidiSystemStatus::State LastState = MidiSystemStatus::Starting;
    int StopReportsWhenStarted = 0; // stopReportsSoFar when the system last started running
};
