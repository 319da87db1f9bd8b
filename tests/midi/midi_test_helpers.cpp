#include "midi_test_helpers.h"

#include "midi/MyMidiHdr.h"
#include "midi/SharedAlloc.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QString>
#include <QTest>

void MidiLeakChecked::SetUp()
{
    sharedBlocks_ = SharedAllocLiveCount();
    headers_ = MyMidiHdrLiveCount();
}

int MidiLeakChecked::newBlocks() const
{
    return SharedAllocLiveCount() - sharedBlocks_;
}

int MidiLeakChecked::newHeaders() const
{
    return MyMidiHdrLiveCount() - headers_;
}

void MidiLeakChecked::TearDown()
{
    SharedAllocFailAfter(-1);
    EXPECT_EQ(SharedAllocLiveCount(), sharedBlocks_) << "shared blocks leaked";
    EXPECT_EQ(MyMidiHdrLiveCount(), headers_) << "TMyMidiHdr objects leaked";
}

bool spinUntil(const std::function<bool()> &done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents();
        QTest::qWait(1);
    }
    return true;
}

void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}
