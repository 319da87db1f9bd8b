// The port lists of a system that announces nothing (WinMM), followed by listing them again:
// a change is told once, the same lists again are not, and stopping does not wait a period out.
#include "midi/backend/system/PortListPoller.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace {

// The system's lists as the test sets them, how often they were listed and how often a change
// was told.
struct System
{
    std::mutex mutex;
    std::condition_variable moved;
    PortListPoller::Lists lists;
    int listings = 0;
    int changes = 0;

    PortListPoller::Lists list()
    {
        std::lock_guard lock(mutex);
        ++listings;
        moved.notify_all();
        return lists;
    }
    void changed()
    {
        std::lock_guard lock(mutex);
        ++changes;
        moved.notify_all();
    }
    // Waits (generously: the machine may be busy) until `atLeast` listings have been made.
    void awaitListings(int atLeast)
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(
            moved.wait_for(lock, std::chrono::seconds(60), [&] { return listings >= atLeast; }));
    }
    // ... until `more` listings have been made after those so far.
    void awaitMoreListings(int more)
    {
        int sofar;
        {
            std::lock_guard lock(mutex);
            sofar = listings;
        }
        awaitListings(sofar + more);
    }
    int changesSoFar()
    {
        std::lock_guard lock(mutex);
        return changes;
    }
};

TEST(PortListPoller, TellsEachChangeOnceAndNothingElse)
{
    System system;
    system.lists = {{{"Out A"}, {"In A"}}};
    PortListPoller poller([&] { return system.list(); }, [&] { system.changed(); },
                          std::chrono::milliseconds(5));
    system.awaitMoreListings(3);
    EXPECT_EQ(system.changesSoFar(), 0) << "the first listing and unchanged ones tell nothing";

    {
        std::lock_guard lock(system.mutex);
        system.lists[1].push_back("In B"); // a device plugged in
    }
    system.awaitMoreListings(3);
    EXPECT_EQ(system.changesSoFar(), 1);

    {
        std::lock_guard lock(system.mutex);
        system.lists[0].clear(); // the output unplugged
    }
    system.awaitMoreListings(3);
    EXPECT_EQ(system.changesSoFar(), 2);
}

TEST(PortListPoller, StopsWithoutWaitingThePeriodOut)
{
    System system;
    {
        PortListPoller poller([&] { return system.list(); }, [&] { system.changed(); },
                              std::chrono::hours(1));
        system.awaitListings(1); // the first, made as the poller starts
    } // a destructor that waited the hour out would be ended by the test's time limit
    EXPECT_EQ(system.listings, 1);
}

} // namespace
