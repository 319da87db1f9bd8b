// A termination signal ends the editor through its window's own close (which saves), also while
// a modal dialog runs its own event loop.
#include "app/TerminationSignals.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QTimer>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>

namespace {

class CountingWindow : public QWidget
{
public:
    int closes = 0;

protected:
    void closeEvent(QCloseEvent *event) override
    {
        ++closes;
        event->accept();
    }
};

} // namespace

TEST(TerminationSignals, CloseTheWindowOnceAndEndEveryEventLoop)
{
    struct Case
    {
        int signal;
        bool modalDialogOpen;
    };
    for (const Case c : {Case{SIGTERM, false}, Case{SIGINT, false}, Case{SIGHUP, true}}) {
        SCOPED_TRACE(testing::Message()
                     << strsignal(c.signal) << (c.modalDialogOpen ? ", dialog" : ""));
        CountingWindow window;
        window.show();
        CloseOnTerminationSignals(window);
        bool dialogReturned = false;
        QTimer::singleShot(0, &window, [&] {
            if (!c.modalDialogOpen) {
                ::raise(c.signal);
                return;
            }
            QDialog dialog(&window);
            QTimer::singleShot(0, &dialog, [&] { ::raise(c.signal); });
            dialog.exec();
            dialogReturned = true;
        });
        EXPECT_EQ(QApplication::exec(), 0);
        EXPECT_EQ(window.closes, 1);
        EXPECT_FALSE(window.isVisible());
        EXPECT_EQ(dialogReturned, c.modalDialogOpen);
    }
}
