// The watch for PipeWire's socket when PIPEWIRE_REMOTE names it by a path of its own, outside the
// runtime folder.
#include "midi/backend/jack/ServerWatch.h"
#include "support/TempFolder.h"

#include <QFile>
#include <gtest/gtest.h>

TEST(ServerWatch, FollowsPipeWiresSocketGivenAsAPath)
{
    TempFolder runtime, elsewhere;
    const QString socket = elsewhere.Path("daemon");
    qputenv("PIPEWIRE_RUNTIME_DIR", runtime.Path("").toUtf8());
    qputenv("PIPEWIRE_REMOTE", socket.toUtf8());
    ServerWatch watch(true);
    ASSERT_TRUE(elsewhere.Write("daemon", {}));
    EXPECT_TRUE(watch.changes().appeared);
    EXPECT_TRUE(watch.present());
    ASSERT_TRUE(QFile::remove(socket));
    EXPECT_TRUE(watch.changes().removed);
    EXPECT_FALSE(watch.present());
}
