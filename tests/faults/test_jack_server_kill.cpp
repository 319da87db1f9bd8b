// The JACK server dies under the editor: once while the ports are open and idle, once in the
// middle of a 32-message transfer. Each time the user gets a clear report ("The MIDI system is
// not running."), nothing crashes or hangs, and the presets are untouched. Once the server is
// back, choosing the device again in the selector should open it and send.
// The server is one of the test's own, never the shared test server.
#include "controls/SpeedButton.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "midi/backend/CombinedServices.h"
#include "midi/backend/RtMidiServices.h"
#include "support/FormTest.h"
#include "support/JackTestSupport.h"

#include <QComboBox>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <thread>

namespace {

const QString NotRunning = "The MIDI system is not running.";

class JackServerKillTest : public FormTest
{
protected:
    void SetUp() override
    {
        REQUIRE_JACK_SERVER();
        ASSERT_TRUE(Server.start()) << "could not start a private JACK server";
        StartHelpers();
        Services = std::make_unique<CombinedServices>(
            std::make_unique<RtMidiServices>(RtMidiServices::System::Jack));
        ASSERT_GE(jacktest::waitForDevice(*Services, OutName, true), 0);
        ASSERT_GE(jacktest::waitForDevice(*Services, InName, false), 0);
        Presets = QByteArray(TPresetBank::BankFileSize, '\0');
        for (int i = 0; i < Presets.size(); ++i)
            Presets[i] = char((i * 5 + 1) & 0x7F);
        FillBank(Bank, Presets);
        Form = MakeForm(Services.get());
        // Preset 1 on the assignment page, so that every output has a controller to send.
        Click(Form->spdPar1);
        Choose(Form->cmbInput, InName);
        Choose(Form->cmbOutput, OutName);
        ASSERT_EQ(Form->MidiOutput1->PortState(), psOpen);
        ASSERT_EQ(Form->MidiInput1->PortState(), psOpen);
        ASSERT_TRUE(Boxes.Messages.isEmpty());
    }
    void TearDown() override
    {
        // The window closes as the user would close it; the ports may or may not close.
        if (Form)
            Form->close();
        FormTest::TearDown();
        Services.reset();
        Seq.reset();
        Dump.reset();
    }

    // The same names each time, so that the selectors' entries name them again.
    void StartHelpers()
    {
        Dump = std::make_unique<jacktest::Helper>("jack_midi_dump", QStringList{dumpName},
                                                  Server.name());
        Seq = std::make_unique<jacktest::Helper>(
            "jack_midiseq", QStringList{seqName, "2400", "0", "60", "1200"}, Server.name());
        OutName = dumpName.toStdString() + ":input";
        InName = seqName.toStdString() + ":out";
    }

    // The user picks the device by name in the selector.
    static void Choose(QComboBox *selector, const std::string &name)
    {
        const int index = selector->findText(QString::fromStdString(name));
        ASSERT_GE(index, 0) << name;
        Activate(selector, index);
    }

    // Lines the capturing client has seen so far.
    int CapturedLines() { return int(Dump->lines().size()); }

    // A server of the test's own, stopped and started again under the same name, as when a
    // user restarts JACK.
    JackServer Server{"torvane-restart"};
    const QString dumpName = UniqueJackName("torvane-dump");
    const QString seqName = UniqueJackName("torvane-seq");
    std::unique_ptr<jacktest::Helper> Dump, Seq;
    std::string OutName, InName;
    std::unique_ptr<CombinedServices> Services;
    QByteArray Presets;
};

} // namespace

TEST_F(JackServerKillTest, KilledWhileThePortsAreOpen)
{
    Click(Form->SpeedButton2); // "Send All CC"
    ASSERT_TRUE(QTest::qWaitFor([&] { return CapturedLines() >= 32; }));
    Server.stop();

    // The user goes on working: "Send All CC" until the loss shows (the server's death reaches
    // the editor a moment after it happens).
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            Click(Form->SpeedButton2);
            return !Boxes.Messages.isEmpty();
        },
        10'000))
        << "the loss of the server was never reported";
    EXPECT_EQ(Boxes.Messages.last().text, NotRunning) << BoxTexts().join(" | ").toStdString();
    EXPECT_EQ(Boxes.Messages.last().icon, QMessageBox::Critical);
    EXPECT_EQ(BankImage(Bank), Presets);
}

// The user restarts JACK, then picks the device again: the editor's services leave the client of
// the server that died and reach the new server.
TEST_F(JackServerKillTest, ChosenAgainOnceTheServerIsBack)
{
    Server.stop();
    ASSERT_TRUE(Server.start());
    StartHelpers();
    // The editor's services still list what the dead server had; another process tells when
    // the helpers' ports are there on the new server.
    ASSERT_TRUE(QTest::qWaitFor([&] {
        QProcess lsp;
        lsp.start("jack_lsp", {"-s", Server.name()});
        lsp.waitForFinished(5000);
        const QByteArray ports = lsp.readAllStandardOutput();
        return ports.contains(QByteArray::fromStdString(OutName)) &&
               ports.contains(QByteArray::fromStdString(InName));
    }));
    Boxes.Messages.clear();
    Choose(Form->cmbOutput, OutName);
    EXPECT_EQ(Form->MidiOutput1->PortState(), psOpen) << BoxTexts().join(" | ").toStdString();
    Click(Form->SpeedButton2);
    EXPECT_TRUE(Boxes.Messages.isEmpty()) << BoxTexts().join(" | ").toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return CapturedLines() >= 32; }))
        << "the 32 controller values did not arrive after the re-open";
}

TEST_F(JackServerKillTest, KilledInTheMiddleOfATransfer)
{
    // Stopped from another thread while the transfer (32 messages, 100 ms apart) runs on the
    // GUI thread.
    const qint64 pid = Server.pid();
    std::thread killer([pid] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        ::kill(pid_t(pid), SIGTERM);
    });
    Click(Form->SpeedButton1); // "Send Parameters to MIDI"
    killer.join();
    ASSERT_TRUE(Server.waitUntilGone());

    ASSERT_FALSE(Boxes.Messages.isEmpty()) << "the transfer ended without a word";
    EXPECT_EQ(Boxes.Messages.last().text, NotRunning) << BoxTexts().join(" | ").toStdString();
    EXPECT_EQ(Boxes.Messages.size(), 1) << "one report for the one transfer";
    EXPECT_FALSE(Form2->isVisible()) << "the progress window went with the transfer";
    EXPECT_EQ(BankImage(Bank), Presets);
    const int sentBefore = CapturedLines();
    EXPECT_GT(sentBefore, 0) << "the transfer had begun";
    EXPECT_LT(sentBefore, 32) << "the transfer did not run to its end";
}
