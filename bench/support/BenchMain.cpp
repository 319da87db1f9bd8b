// The main() of every benchmark program: headless Qt (offscreen unless QT_QPA_PLATFORM names
// another platform), a private home for the settings and data files that the editor reads and
// writes, and the application object that the program's figures need (TORVANE_BENCH_APPLICATION):
// 0 QCoreApplication, for the ports, the simulator and whole processes; 1 QApplication, for
// widgets.
#include "tests/support/PrivateHome.h"

#include <benchmark/benchmark.h>

#if TORVANE_BENCH_APPLICATION == 1
#include <QApplication>
using BenchApplication = QApplication;
#else
#include <QCoreApplication>
using BenchApplication = QCoreApplication;
#endif

int main(int argc, char **argv)
{
    const QTemporaryDir home;
    UsePrivateHome(home);
    BenchApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
