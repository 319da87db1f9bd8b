// The ALSA sequencer's announcements, followed by a thread of their own: against a scripted
// sequencer, and against this machine's own where it has one.
#include "midi/backend/alsa/AlsaAnnouncements.h"
#include "midi/backend/alsa/AlsaSequencerProbe.h"
#include "support/ScriptedAlsaSequencer.h"

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <iterator>
#include <mutex>

namespace {

using Kind = AlsaEvent::Kind;
using Script = ScriptedAlsaSequencer;

const std::vector<std::string> SetUpCalls = {"open", "name Torvane", "port Torvane announcements",
                                             "subscribe 3", "descriptors"};

// The watcher's callbacks, each stamped with how many events the scripted sequencer had handed
// out by then, which tells the burst that caused it.
class Callbacks
{
public:
    explicit Callbacks(const Script *script = nullptr) : script_(script) {}
    std::function<void()> function()
    {
        return [this] {
            std::lock_guard lock(mutex_);
            stamps_.push_back(script_ != nullptr ? script_->consumed() : 0);
            called_.notify_all();
        };
    }
    // A hang guard, not a measure of speed: false when no callback stamped `consumed` comes.
    bool waitForStamp(int consumed)
    {
        std::unique_lock lock(mutex_);
        return called_.wait_for(lock, std::chrono::seconds(10),
                                [&] { return !stamps_.empty() && stamps_.back() == consumed; });
    }
    std::vector<int> stamps() const
    {
        std::lock_guard lock(mutex_);
        return stamps_;
    }

private:
    const Script *script_;
    mutable std::mutex mutex_;
    std::condition_variable called_;
    std::vector<int> stamps_;
};

// A scripted sequencer handed to a watcher, and the watcher's callbacks.
struct Watched
{
    explicit Watched(Script::Step failing = Script::Step::None)
    {
        auto owned = std::make_unique<Script>(failing);
        script = owned.get();
        calls = std::make_unique<Callbacks>(script);
        watcher =
            std::make_unique<AlsaAnnouncements>(std::move(owned), "Torvane", calls->function());
    }
    Script *script;
    std::unique_ptr<Callbacks> calls;
    std::unique_ptr<AlsaAnnouncements> watcher;
};

long ThreadCount()
{
    const std::filesystem::directory_iterator tasks("/proc/self/task");
    return std::distance(begin(tasks), end(tasks));
}

TEST(AlsaAnnouncements, OneCallbackForEachBurstThatChangesTheLists)
{
    std::vector<Kind> many;
    for (int i = 0; i < 300; ++i)
        many.push_back(i % 3 == 0 ? Kind::PortStart : i % 3 == 1 ? Kind::Other : Kind::PortExit);
    struct Case
    {
        const char *what;
        std::vector<std::vector<Kind>> bursts;
        std::vector<int> calledAfter; // events read when each callback came
    };
    const Case cases[] = {
        {"each start, exit and change",
         {{Kind::ClientStart},
          {Kind::ClientExit},
          {Kind::ClientChange},
          {Kind::PortStart},
          {Kind::PortExit},
          {Kind::PortChange}},
         {1, 2, 3, 4, 5, 6}},
        {"other events", {{Kind::Other}, {Kind::Other, Kind::Other}}, {}},
        {"a change among others", {{Kind::Other, Kind::PortExit, Kind::Other}}, {3}},
        {"a burst of many", {many}, {300}},
        {"events lost to an overflow", {{Kind::Lost}}, {1}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Watched watched;
        ASSERT_TRUE(watched.watcher->watching());
        EXPECT_EQ(watched.script->calls(), SetUpCalls);
        int announced = 0;
        for (const std::vector<Kind> &burst : c.bursts) {
            watched.script->announce(burst);
            ASSERT_TRUE(watched.script->waitUntilDrained());
            announced += int(burst.size());
        }
        // A last change, once the others were read, shows that every callback due has come.
        watched.script->announce({Kind::PortStart});
        ASSERT_TRUE(watched.calls->waitForStamp(announced + 1));
        watched.watcher.reset();
        std::vector<int> expected = c.calledAfter;
        expected.push_back(announced + 1);
        EXPECT_EQ(watched.calls->stamps(), expected);
    }
}

TEST(AlsaAnnouncements, ASequencerThatFailsIsReportedOnceAndNoLongerWatched)
{
    struct Case
    {
        const char *what;
        std::function<void(Script &)> fail;
        int readBefore; // events read when the sequencer failed
    };
    const Case cases[] = {
        {"a read that fails",
         [](Script &script) {
             script.announce({Kind::PortStart, Kind::Failed});
         },
         2},
        {"a descriptor that hangs up", [](Script &script) { script.hangUp(); }, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Watched watched;
        ASSERT_TRUE(watched.watcher->watching());
        c.fail(*watched.script);
        ASSERT_TRUE(watched.calls->waitForStamp(c.readBefore));
        EXPECT_FALSE(watched.watcher->watching());
        watched.watcher.reset();
        EXPECT_EQ(watched.calls->stamps().size(), 1u);
    }
}

TEST(AlsaAnnouncements, ASequencerThatCannotBeSetUpLeavesNoThreadAndNoCallback)
{
    using Step = Script::Step;
    const auto upTo = [](std::size_t count) {
        std::vector<std::string> calls(SetUpCalls.begin(), SetUpCalls.begin() + count);
        if (count > 1)
            calls.push_back("close");
        return calls;
    };
    struct Case
    {
        const char *what;
        Step failing;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"open", Step::Open, upTo(1)},
        {"name", Step::Name, upTo(2)},
        {"port", Step::Port, upTo(3)},
        {"subscription", Step::Subscribe, upTo(4)},
        {"descriptors", Step::Descriptors, upTo(5)},
    };
    const long threads = ThreadCount();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Watched watched(c.failing);
        EXPECT_FALSE(watched.watcher->watching());
        EXPECT_EQ(ThreadCount(), threads);
        EXPECT_EQ(watched.script->calls(), c.calls);
        watched.script->announce({Kind::PortStart});
        watched.watcher.reset();
        EXPECT_EQ(watched.calls->stamps().size(), 0u);
    }
    Callbacks calls;
    AlsaAnnouncements none(nullptr, "Torvane", calls.function());
    EXPECT_FALSE(none.watching());
    EXPECT_EQ(ThreadCount(), threads);
}

TEST(AlsaAnnouncements, TheThreadStopsWhileBlockedWhenDestroyed)
{
    for (const bool announced : {false, true}) {
        SCOPED_TRACE(announced ? "after a burst" : "idle since it started");
        Watched watched;
        if (announced) {
            watched.script->announce({Kind::PortStart});
            ASSERT_TRUE(watched.calls->waitForStamp(1));
        }
        // A hang guard, not a measure of speed: a thread that never stops ends the run here.
        std::promise<void> stopped;
        std::thread destroyer([&] {
            watched.watcher.reset();
            stopped.set_value();
        });
        if (stopped.get_future().wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            std::fputs("the announcement watcher's thread did not stop\n", stderr);
            std::abort();
        }
        destroyer.join();
        EXPECT_EQ(watched.calls->stamps().size(), announced ? 1u : 0u);
    }
}

TEST(AlsaAnnouncements, OnlyClientAndPortAnnouncementsCount)
{
    const std::pair<int, Kind> types[] = {
        {SND_SEQ_EVENT_CLIENT_START, Kind::ClientStart},
        {SND_SEQ_EVENT_CLIENT_EXIT, Kind::ClientExit},
        {SND_SEQ_EVENT_CLIENT_CHANGE, Kind::ClientChange},
        {SND_SEQ_EVENT_PORT_START, Kind::PortStart},
        {SND_SEQ_EVENT_PORT_EXIT, Kind::PortExit},
        {SND_SEQ_EVENT_PORT_CHANGE, Kind::PortChange},
        // Connections made and broken, our own included, leave the lists as they are.
        {SND_SEQ_EVENT_PORT_SUBSCRIBED, Kind::Other},
        {SND_SEQ_EVENT_PORT_UNSUBSCRIBED, Kind::Other},
        {SND_SEQ_EVENT_NOTEON, Kind::Other},
        {SND_SEQ_EVENT_SYSEX, Kind::Other},
    };
    for (const auto &[type, kind] : types)
        EXPECT_EQ(alsaEventKind(type), kind) << type;
}

TEST(AlsaAnnouncements, TheRealSequencerIsWatchedWhereItOpens)
{
    Callbacks calls;
    AlsaAnnouncements watcher(makeAlsaSequencer(), "Torvane test", calls.function());
    ASSERT_EQ(watcher.watching(), alsaSequencerOpens());
    if (!watcher.watching())
        return; // no sequencer device here: the real path compiled, linked and stayed quiet
    // Another client with a port of its own starts: the watcher hears of it.
    const std::unique_ptr<AlsaSequencer> other = makeAlsaSequencer();
    ASSERT_TRUE(other->open());
    ASSERT_GE(other->createPort("probe"), 0);
    EXPECT_TRUE(calls.waitForStamp(0));
}

} // namespace
