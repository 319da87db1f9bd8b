// The main() of every test binary: headless Qt, and a private home for settings and data files
// so that no test reads or writes the user's own configuration. It is built once for each
// application object a layer needs (TORVANE_TEST_APPLICATION): 0 QCoreApplication, for the
// layers without widgets; 1 QApplication, for widgets that know nothing of the editor; 2 the
// editor's own TApplication, so that errors escaping event handlers are reported as in the
// program.
#include "support/PrivateHome.h"

#include <gtest/gtest.h>

#if TORVANE_TEST_APPLICATION == 2
#include "app/Application.h"
using TestApplication = TApplication;
#elif TORVANE_TEST_APPLICATION == 1
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char **argv)
{
    const QTemporaryDir home;
    UsePrivateHome(home);
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
