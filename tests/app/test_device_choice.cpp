// The devices page's rules without a window: each row plays a story of listings, system states
// and port health through the rules and reads what they decide at each step.
#include "app/DeviceChoice.h"
#include "app/ExceptionReport.h"
#include "midi/MidiError.h"
#include "support/MessageRecorder.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

using Step = std::function<QString(DeviceChoice &)>;
using State = MidiSystemStatus::State;
constexpr State Running = MidiSystemStatus::Running, Stopped = MidiSystemStatus::NotRunning,
                Frozen = MidiSystemStatus::NotResponding, Starting = MidiSystemStatus::Starting;
constexpr DeviceChoice::Side Out = DeviceChoice::Output;

QString Say(bool yes, const char *what)
{
    return yes ? what : "-";
}

// The first listing in the system's state, entry `selected` chosen on both sides; whether each
// side opens at start.
Step Listed(State state, const QStringList &names, int selected)
{
    return [=](DeviceChoice &c) {
        c.ListedIn(state);
        const QString in = c.Choose(DeviceChoice::Input, names, selected);
        return in + "/" + c.Choose(Out, names, selected) + " " +
               Say(c.OpenAtStart(DeviceChoice::Input), "in") + Say(c.OpenAtStart(Out), "out");
    };
}
// The output's stored name over the entry the stored index shows: the entry selected instead.
Step Stored(const QStringList &names, int shown, const QString &name)
{
    return [=](DeviceChoice &c) {
        const int index = c.ChooseStored(Out, names, shown, name);
        return QString::number(index) + " " + c.Chosen(Out) + " " + Say(c.OpenAtStart(Out), "out");
    };
}
// The output listed again: the entry shown (or the edit text), whether its port, in this health,
// is opened again, and whether it is then marked not connected (a reopened port is healthy).
Step Relisted(const QStringList &names, MidiResult health)
{
    return [=](DeviceChoice &c) {
        const DeviceChoice::View view = c.Relist(Out, names);
        const bool reopen = c.Reopen(Out, health);
        return (view.current >= 0 ? view.entries[view.current] : "(" + view.editText + ")") + " " +
               Say(reopen, "reopen") + " " +
               Say(c.Missing(Out, reopen ? MidiOk : health), "missing");
    };
}
Step SendAtStart(bool open)
{
    return [=](DeviceChoice &c) { return Say(c.SendAtStart(open), "send"); };
}
Step Due(State state, bool open)
{
    return [=](DeviceChoice &c) { return Say(c.StartupSendDue(state, open), "send"); };
}
// The system's state after the start's sends, and as the window is told of it later.
Step Started(State state)
{
    return [=](DeviceChoice &c) { return c.Started(state, SystemStopReportCount()), QString(); };
}
Step Stop(State state)
{
    return [=](DeviceChoice &c) {
        return Say(c.ReportStop(state, SystemStopReportCount()), "report");
    };
}
// An error box shown meanwhile: a send's "not running" (the port's error with that result), or
// one that says nothing of the system.
Step Shown(bool sendNotRunning)
{
    return [=](DeviceChoice &) {
        if (sendNotRunning)
            ShowExceptionReport(
                EmidioutputError("The MIDI system is not running", MidiErrSystemNotRunning));
        else
            ShowExceptionReport(std::runtime_error("Read File Error - Abort Loading"));
        return QString();
    };
}
const Step SendNotRunning = Shown(true), Unrelated = Shown(false);

} // namespace

TEST(DeviceChoice, RulesAlongStories)
{
    const QStringList ab{"A", "B"}, b{"B"}, none{};
    struct Story
    {
        const char *name;
        std::vector<Step> steps;
        const char *decisions;
    };
    // clang-format off
    const Story stories[] = {
        {"the first listing chooses the first", {Listed(Running, ab, 0)}, "A/A inout"},
        {"no device chooses none", {Listed(Running, {"No MIDI Input Device"}, -1)}, "/ inout"},
        {"stored name moved", {Stored(ab, 0, "B")}, "1 B out"},
        {"stored name in place", {Stored(ab, 1, "B")}, "1 B out"},
        {"stored index beyond the list, name listed", {Stored(ab, -1, "A")}, "0 A out"},
        {"stored name listed nowhere", {Stored(ab, 0, "Gone")}, "-1 Gone out"},
        {"settings without a name keep the index", {Listed(Running, ab, 0), Stored(ab, 1, QString())}, "A/A inout | 1 A out"},
        {"a starting system opens only what it listed", {Listed(Starting, ab, -1), Stored(ab, -1, "B")}, "/ -- | 1 B out"},
        {"start-up send waits for a starting system's output",
         {Listed(Starting, none, -1), SendAtStart(false), Due(Starting, false), Due(Starting, true), Due(Running, true)},
         "/ -- | - | - | send | -"},
        {"start-up send dropped when the start ends first",
         {Listed(Starting, none, -1), SendAtStart(false), Due(Running, false), Due(Running, true)}, "/ -- | - | - | -"},
        {"start-up send at once on a running system", {Listed(Running, ab, 0), SendAtStart(false), Due(Running, true)},
         "A/A inout | send | -"},
        {"unplugged, then back: reopened once",
         {Listed(Running, ab, 0), Relisted(b, MidiErrNotConnected), Relisted(ab, MidiErrNotConnected), Relisted(ab, MidiOk)},
         "A/A inout | (A) - missing | A reopen - | A - -"},
        {"a port that stays broken is not reopened again and stays marked",
         {Listed(Running, ab, 0), Relisted(b, MidiErrNotConnected), Relisted(ab, MidiErrNotConnected), Relisted(ab, MidiErrNotConnected)},
         "A/A inout | (A) - missing | A reopen - | A - missing"},
        {"a port lost with its system is reopened while listed", {Listed(Running, ab, 0), Relisted(ab, MidiErrSystemNotRunning)},
         "A/A inout | A reopen -"},
        {"nothing chosen is never marked", {Listed(Running, none, -1), Relisted(none, MidiErrNotConnected)}, "/ inout | () - -"},
        {"a stop is reported once", {Started(Running), Stop(Stopped), Stop(Stopped), Stop(Running), Stop(Stopped)},
         " | report | - | - | report"},
        {"a stop after freezing is reported", {Started(Running), Stop(Frozen), Stop(Stopped)}, " | - | report"},
        {"a stop a send reported already is not", {Started(Running), SendNotRunning, Stop(Stopped)}, " |  | -"},
        {"an unrelated report does not hide a stop", {Started(Running), Unrelated, Stop(Stopped)}, " |  | report"},
        {"a running notice after a send's report does not make the stop news",
         {Started(Running), SendNotRunning, Stop(Running), Stop(Stopped)}, " |  | - | -"},
        {"stop, return, stop: two reports", {Started(Running), Stop(Stopped), Stop(Running), Stop(Stopped)},
         " | report | - | report"},
        {"a send's report while stopped does not hide the next stop",
         {Started(Running), Stop(Stopped), SendNotRunning, Stop(Running), Stop(Stopped)}, " | report |  | - | report"},
        {"no report for a system that never ran", {Started(Starting), Stop(Stopped)}, " | -"},
    };
    // clang-format on
    MessageRecorder boxes;
    for (const Story &story : stories) {
        DeviceChoice choice;
        QStringList decisions;
        for (const Step &step : story.steps)
            decisions << step(choice);
        EXPECT_EQ(decisions.join(" | ").toStdString(), story.decisions) << story.name;
    }
}
