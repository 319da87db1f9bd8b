// The watch for a JACK server's socket, on a folder of the test's own: PipeWire's daemon named by
// PIPEWIRE_REMOTE as a name in the runtime folder or as a path of its own.
#include "midi/backend/jack/ServerWatch.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

TEST(ServerWatch, FollowsPipeWiresSocketWhereverTheRemoteNamesIt)
{
    TempFolder runtime;
    ASSERT_TRUE(QDir().mkpath(runtime.Path("elsewhere")));
    const QByteArray folder = runtime.Path("").toUtf8();
    const QString elsewhere = runtime.Path("elsewhere/daemon");
    const struct
    {
        QByteArray remote;
        QString socket;
    } rows[] = {
        {"", runtime.Path("pipewire-0")},
        {"pipewire-7", runtime.Path("pipewire-7")},
        {elsewhere.toUtf8(), elsewhere},
    };
    for (const auto &[remote, socketPath] : rows) {
        SCOPED_TRACE(remote.toStdString());
        qputenv("PIPEWIRE_RUNTIME_DIR", folder);
        qputenv("PIPEWIRE_REMOTE", remote);
        ServerWatch watch(true);
        ASSERT_GE(watch.handle(), 0);
        EXPECT_FALSE(watch.present());
        QFile socket(socketPath);
        ASSERT_TRUE(socket.open(QIODevice::WriteOnly));
        socket.close();
        EXPECT_TRUE(watch.changes().appeared);
        EXPECT_TRUE(watch.present());
        ASSERT_TRUE(socket.remove());
        EXPECT_TRUE(watch.changes().removed);
        EXPECT_FALSE(watch.present());
    }
    qunsetenv("PIPEWIRE_REMOTE");
    qunsetenv("PIPEWIRE_RUNTIME_DIR");
}
