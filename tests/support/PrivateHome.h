#pragma once
// Headless Qt (offscreen unless QT_QPA_PLATFORM names another platform), and a private home for
// settings and data files, so that no test or benchmark reads or writes the user's own
// configuration. For main(), before the application object is made; `home` outlives it.
// Header only: the benchmarks use it too.
#include <QDir>
#include <QTemporaryDir>

inline void UsePrivateHome(const QTemporaryDir &home)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_CONFIG_HOME", QDir(home.path()).filePath("config").toUtf8());
    qputenv("XDG_DATA_HOME", QDir(home.path()).filePath("data").toUtf8());
}
