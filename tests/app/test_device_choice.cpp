// The devices page's rules without a window: each row plays a story of listings, the system's
// states and the ports' health through the rules, and reads what they decide at each step.
#include "app/DeviceChoice.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

using Step = std::function<QString(DeviceChoice &)>;
constexpr DeviceChoice::Side In = DeviceChoice::Input;
constexpr DeviceChoice::Side Out = DeviceChoice::Output;
constexpr MidiSystemStatus::State Running = MidiSystemStatus::Running;
constexpr MidiSystemStatus::State Stopped = MidiSystemStatus::NotRunning;
constexpr MidiSystemStatus::State Frozen = MidiSystemStatus::NotResponding;
constexpr MidiSystemStatus::State Starting = MidiSystemStatus::Starting;

QString YesNo(bool yes, const char *what)
{
    return yes ? what : "-";
}

// The first listing in the system's state, with entry `selected` of each side chosen.
Step Listed(MidiSystemStatus::State state, const QStringList &names, int selected)
{
    return [=](DeviceChoice &c) {
        c.ListedIn(state);
        return c.Choose(In, names, selected) + "/" + c.Choose(Out, names, selected);
    };
}
Step Picked(DeviceChoice::Side side, const QStringList &names, int selected)
{
    return [=](DeviceChoice &c) { return c.Choose(side, names, selected); };
}
Step Stored(const QStringList &names, int shown, const QString &name)
{
    return [=](DeviceChoice &c) {
        const int index = c.ChooseStored(Out, names, shown, name);
        return QString::number(index) + " " + c.Chosen(Out);
    };
}
Step OpenAtStart()
{
    return [](DeviceChoice &c) {
        return YesNo(c.OpenAtStart(In), "in") + YesNo(c.OpenAtStart(Out), "out");
    };
}
Step SendAtStart(bool open)
{
    return [=](DeviceChoice &c) { return YesNo(c.SendAtStart(open), "send"); };
}
Step Started(MidiSystemStatus::State state, int reports)
{
    return [=](DeviceChoice &c) {
        c.Started(state, reports);
        return QString();
    };
}
// The output side listed again: the entry shown (or the edit text), then whether its port is
// opened again in this health and whether it is marked not connected (after the reopen: ok).
Step Relisted(const QStringList &names, MidiResult health)
{
    return [=](DeviceChoice &c) {
        const DeviceChoice::View view = c.Relist(Out, names);
        const QString shown =
            view.current >= 0 ? view.entries[view.current] : "(" + view.editText + ")";
        const bool reopen = c.Reopen(Out, health);
        return shown + " " + YesNo(reopen, "reopen") + " " +
               YesNo(c.Missing(Out, reopen ? MidiOk : health), "missing");
    };
}
Step Due(MidiSystemStatus::State state, bool open)
{
    return [=](DeviceChoice &c) { return YesNo(c.StartupSendDue(state, open), "send"); };
}
Step Stop(MidiSystemStatus::State state, int reports)
{
    return [=](DeviceChoice &c) { return YesNo(c.ReportStop(state, reports), "report"); };
}

struct Story
{
    const char *name;
    std::vector<Step> steps;
    QStringList decisions;
};

} // namespace

TEST(DeviceChoice, RulesAlongStories)
{
    const QStringList ab{"A", "B"}, b{"B"}, none{};
    // clang-format off
    const Story stories[] = {
        {"first listing chooses the first", {Listed(Running, ab, 0), OpenAtStart()}, {"A/A", "inout"}},
        {"no device chooses none", {Listed(Running, {"No MIDI Input Device"}, -1)}, {"/"}},
        {"user pick", {Listed(Running, ab, 0), Picked(In, ab, 1)}, {"A/A", "B"}},
        {"stored name moved", {Stored(ab, 0, "B")}, {"1 B"}},
        {"stored name in place", {Stored(ab, 1, "B")}, {"1 B"}},
        {"stored index beyond the list, name listed", {Stored(ab, -1, "A")}, {"0 A"}},
        {"stored name nowhere", {Stored(ab, 0, "Gone")}, {"-1 Gone"}},
        {"settings without name", {Listed(Running, ab, 0), Stored(ab, 1, QString())}, {"A/A", "1 A"}},
        {"starting system opens only what it listed",
         {Listed(Starting, ab, -1), Stored(ab, -1, "B"), OpenAtStart()}, {"/", "1 B", "-out"}},
        {"start-up send waits for a starting system's output",
         {Listed(Starting, none, -1), SendAtStart(false), Due(Starting, false), Due(Starting, true), Due(Running, true)},
         {"/", "-", "-", "send", "-"}},
        {"start-up send dropped when the start ends first",
         {Listed(Starting, none, -1), SendAtStart(false), Due(Running, false), Due(Running, true)},
         {"/", "-", "-", "-"}},
        {"start-up send at once on a running system", {Listed(Running, ab, 0), SendAtStart(false), Due(Running, true)},
         {"A/A", "send", "-"}},
        {"unplugged, then back: reopened once",
         {Listed(Running, ab, 0), Relisted(b, MidiErrNotConnected), Relisted(ab, MidiErrNotConnected), Relisted(ab, MidiOk)},
         {"A/A", "(A) - missing", "A reopen -", "A - -"}},
        {"a port still failing is not reopened again and stays marked",
         {Listed(Running, ab, 0), Relisted(b, MidiErrNotConnected), Relisted(ab, MidiErrNotConnected), Relisted(ab, MidiErrNotConnected)},
         {"A/A", "(A) - missing", "A reopen -", "A - missing"}},
        {"port lost with its system is reopened while listed",
         {Listed(Running, ab, 0), Relisted(ab, MidiErrSystemNotRunning)}, {"A/A", "A reopen -"}},
        {"nothing chosen is never marked", {Listed(Running, none, -1), Relisted(none, MidiErrNotConnected)},
         {"/", "() - -"}},
        {"a stop is reported once", {Started(Running, 0), Stop(Stopped, 0), Stop(Stopped, 0), Stop(Running, 0), Stop(Stopped, 0)},
         {"", "report", "-", "-", "report"}},
        {"a stop after freezing is reported", {Started(Running, 0), Stop(Frozen, 0), Stop(Stopped, 0)}, {"", "-", "report"}},
        {"a stop a send reported already is not", {Started(Running, 2), Stop(Stopped, 3)}, {"", "-"}},
        {"no report for a system that never ran", {Started(Starting, 0), Stop(Stopped, 0)}, {"", "-"}},
    };
    // clang-format on
    for (const Story &story : stories) {
        DeviceChoice choice;
        QStringList decisions;
        for (const Step &step : story.steps)
            decisions << step(choice);
        EXPECT_EQ(decisions.join(" | ").toStdString(), story.decisions.join(" | ").toStdString())
            << story.name;
    }
}
