// The MIDI system moves under the running editor, on a server of the test's own (jackd, or
// PipeWire's in the run through PipeWire's libjack): devices come, go and come back under their
// names, and the server dies, freezes and comes back. The editor follows with no user action:
// new devices are offered, a chosen device that is back is opened again (sending nothing on its
// own), a server that dies is reported once, and the presets never suffer.
#include "controls/SpeedButton.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "midi/backend/simulated/CombinedServices.h"
#include "support/FormTest.h"
#include "support/JackTestSupport.h"

#include <QComboBox>
#include <QLabel>
#include <QTest>

#include <csignal>
#include <thread>

namespace {

const QString NotRunning = "The MIDI system is not running.";
const QString NotConnected = "The MIDI device is not connected.";

class JackLiveTest : public FormTest
{
protected:
    void SetUp() override
    {
        REQUIRE_JACK_SERVER();
        ASSERT_TRUE(Server.start()) << "could not start a private server";
        StartHelpers();
        Services = jacktest::makeJackServices();
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
        ASSERT_TRUE(Connected()) << BoxTexts().join(" | ").toStdString();
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

    // The same names each time, so that they stand for the chosen devices again.
    void StartHelpers()
    {
        StartDump();
        Seq = std::make_unique<jacktest::Helper>(
            "jack_midiseq", QStringList{seqName, "2400", "0", "60", "1200"}, Server.name());
        InName = seqName.toStdString() + ":out";
    }
    void StartDump()
    {
        Dump = std::make_unique<jacktest::Helper>("jack_midi_dump", QStringList{dumpName},
                                                  Server.name());
        OutName = dumpName.toStdString() + ":input";
    }

    // The user picks the device by name in the selector.
    static void Choose(QComboBox *selector, const std::string &name)
    {
        const int index = selector->findText(QString::fromStdString(name));
        ASSERT_GE(index, 0) << name;
        Activate(selector, index);
    }
    bool Connected()
    {
        return WaitForServer([&] {
            return Form->MidiOutput1->Health() == MidiOk && Form->MidiInput1->Health() == MidiOk;
        });
    }
    // Lines the capturing client has seen so far.
    int CapturedLines() { return Dump ? int(Dump->lines().size()) : 0; }
    bool Offered(const QComboBox *selector, const std::string &name) const
    {
        return selector->findText(QString::fromStdString(name)) >= 0;
    }
    QString Status() const { return Form->MidiStatus->text(); }

    JackServer Server{"torvane-restart"};
    const QString dumpName = UniqueJackName("torvane-dump");
    const QString seqName = UniqueJackName("torvane-seq");
    std::unique_ptr<jacktest::Helper> Dump, Seq;
    std::string OutName, InName;
    std::unique_ptr<CombinedServices> Services;
    QByteArray Presets;
};

} // namespace

TEST_F(JackLiveTest, ADeviceThatAppearsIsOfferedWithNoUserAction)
{
    const QString newcomer = UniqueJackName("torvane-late");
    jacktest::Helper late("jack_midi_dump", {newcomer}, Server.name());
    const std::string name = newcomer.toStdString() + ":input";
    EXPECT_TRUE(WaitForServer([&] { return Offered(Form->cmbOutput, name); }));
    EXPECT_EQ(Form->cmbOutput->currentText().toStdString(), OutName) << "the choice stays";
}

TEST_F(JackLiveTest, TheChosenOutputGoesAndComesBackUnderItsName)
{
    Dump.reset(); // the capturing program is closed
    ASSERT_TRUE(WaitForServer([&] { return !Offered(Form->cmbOutput, OutName); }));
    EXPECT_EQ(Form->cmbOutput->currentText().toStdString(), OutName) << "still shown as chosen";
    EXPECT_FALSE(Form->cmbOutput->toolTip().isEmpty()) << "marked not connected";
    Click(Form->SpeedButton2); // "Send All CC": one report for the one action
    EXPECT_EQ(BoxTexts(), QStringList{NotConnected});

    StartDump(); // started again under its name
    ASSERT_TRUE(WaitForServer([&] {
        return Form->MidiOutput1->Health() == MidiOk && Form->cmbOutput->toolTip().isEmpty();
    }));
    QTest::qWait(300);
    EXPECT_EQ(CapturedLines(), 0) << "nothing is sent on the editor's own account";
    Click(Form->SpeedButton2);
    EXPECT_TRUE(WaitForServer([&] { return CapturedLines() >= 32; }))
        << "the next values the user sends did not arrive";
    EXPECT_EQ(BoxTexts(), QStringList{NotConnected});
}

TEST_F(JackLiveTest, AConnectionUndoneByAPatchbayIsMadeAgain)
{
    const auto connections = [&] { return jacktest::patchbay(OutName, false); };
    // The patchbay undoes the connection once it finds it (on a busy machine the first look may
    // come while the server is still settling the editor's opening).
    ASSERT_TRUE(WaitForServer([&] { return jacktest::patchbay(OutName, true) == 1; }));
    ASSERT_TRUE(WaitForServer([&] { return connections() == 1; }))
        << "the editor did not connect its output to the chosen device again";
    Click(Form->SpeedButton2);
    EXPECT_TRUE(WaitForServer([&] { return CapturedLines() >= 32; }));
    EXPECT_TRUE(Boxes.Messages.isEmpty()) << BoxTexts().join(" | ").toStdString();
}

TEST_F(JackLiveTest, AClientThatPipeWireDropsWhileRunningIsReplacedWithoutAWord)
{
    if (!TestingPipeWire())
        GTEST_SKIP() << "PipeWire drops a client of a server that runs on; jackd does not";
    ASSERT_TRUE(jacktest::dropPipeWireClient("Torvane Editor"));
    // Sent at once, while the editor tells the drop from a stop: the values wait for the new
    // client and arrive, with no word.
    Click(Form->SpeedButton2);
    ASSERT_TRUE(WaitForServer([&] { return jacktest::patchbay(OutName, false) == 1; }))
        << "the output was not connected again";
    EXPECT_TRUE(WaitForServer([&] { return CapturedLines() >= 32; }));
    Click(Form->SpeedButton2);
    EXPECT_TRUE(WaitForServer([&] { return CapturedLines() >= 64; }));
    EXPECT_TRUE(Boxes.Messages.isEmpty()) << BoxTexts().join(" | ").toStdString();
}

TEST_F(JackLiveTest, AServerThatDiesIsReportedOnceWithNoUserAction)
{
    Server.stop();
    ASSERT_TRUE(WaitForServer([&] { return !Boxes.Messages.isEmpty(); }))
        << "the loss of the server was never reported";
    EXPECT_TRUE(Boxes.Messages.front().text.contains("has stopped"))
        << BoxTexts().join(" | ").toStdString();
    EXPECT_TRUE(Status().endsWith("not running")) << Status().toStdString();
    QTest::qWait(300);
    EXPECT_EQ(Boxes.Messages.size(), 1) << BoxTexts().join(" | ").toStdString();

    // Every send while it is gone raises the port's error.
    Click(Form->SpeedButton2);
    EXPECT_EQ(Boxes.Messages.last().text, NotRunning) << BoxTexts().join(" | ").toStdString();
    EXPECT_EQ(Boxes.Messages.last().icon, QMessageBox::Critical);
    EXPECT_EQ(BankImage(Bank), Presets);
}

TEST_F(JackLiveTest, AServerKilledInTheMiddleOfATransferIsReportedOnce)
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
    QTest::qWait(300); // what the services said meanwhile reaches the window

    ASSERT_FALSE(Boxes.Messages.isEmpty()) << "the transfer ended without a word";
    EXPECT_EQ(BoxTexts(), QStringList{NotRunning}) << "one report for the one loss";
    EXPECT_FALSE(Progress.isVisible()) << "the progress window went with the transfer";
    EXPECT_EQ(BankImage(Bank), Presets);
    const int sentBefore = CapturedLines();
    EXPECT_GT(sentBefore, 0) << "the transfer had begun";
    EXPECT_LT(sentBefore, 32) << "the transfer did not run to its end";
}

// The user restarts JACK: the editor reaches the new server and opens the chosen devices again,
// with no device change and nothing sent on its own.
TEST_F(JackLiveTest, AServerThatComesBackIsReachedWithNoDeviceChange)
{
    Server.stop();
    ASSERT_TRUE(WaitForServer([&] { return Status().endsWith("not running"); }));
    ASSERT_TRUE(Server.start());
    StartHelpers();
    ASSERT_TRUE(Connected()) << "the chosen devices were not opened again";
    EXPECT_TRUE(Status().endsWith("running")) << Status().toStdString();
    EXPECT_EQ(CapturedLines(), 0) << "nothing is sent on the editor's own account";
    Click(Form->SpeedButton2);
    EXPECT_TRUE(WaitForServer([&] { return CapturedLines() >= 32; }))
        << "the 32 controller values did not arrive on the new server";
    EXPECT_TRUE(WaitForServer([&] { return Form->MidiInput1->EventCount() > 0; }))
        << "nothing arrived from the input on the new server";
}

// A new start of the editor against the server: the stored devices are opened once the server
// has listed them, the start-up send reaches the output, and so does a transfer.
TEST_F(JackLiveTest, AtStartTheStoredDevicesOpenAndTheSetUpGoesOut)
{
    Form->close(); // stores the chosen devices
    Form.reset();
    // A fresh capture under the same name, once the server has seen the first one go.
    Dump.reset();
    Services = jacktest::makeJackServices();
    ASSERT_TRUE(WaitForServer([&] {
        return Services->systemStatus().state == MidiSystemStatus::Running &&
               DeviceIndex(*Services, OutName, true) < 0;
    }));
    StartDump();
    ASSERT_GE(jacktest::waitForDevice(*Services, OutName, true), 0);
    Services = jacktest::makeJackServices(); // connects anew, as at a start
    Form = MakeForm(Services.get());
    ASSERT_TRUE(WaitForServer([&] { return Dump->lines().size() >= 2; }))
        << "the Kessel set-up (start-up send) did not arrive: "
        << BoxTexts().join(" | ").toStdString();
    EXPECT_EQ(jacktest::dumpBytes(Dump->lines()[0]), "cf 02");
    EXPECT_EQ(jacktest::dumpBytes(Dump->lines()[1]), "bf 1f 00");
    Click(Form->spdPar1);
    Click(Form->SpeedButton1);
    EXPECT_TRUE(WaitForServer([&] { return CapturedLines() >= 2 + 32; }));
    EXPECT_TRUE(Boxes.Messages.isEmpty()) << BoxTexts().join(" | ").toStdString();
}

// A server that is alive but frozen answers nothing: the window still comes up (the MIDI system
// shown as not responding), and the devices appear once the server goes on.
TEST_F(JackLiveTest, AFrozenServerDoesNotHoldTheWindowUp)
{
    Form->close();
    Form.reset();
    Server.freeze();
    Services = jacktest::makeJackServices();
    Form = MakeForm(Services.get()); // must return: nothing waits on the server
    EXPECT_TRUE(WaitForServer([&] { return Status().endsWith("not responding"); }))
        << Status().toStdString();
    EXPECT_FALSE(Offered(Form->cmbOutput, OutName));
    Server.thaw();
    EXPECT_TRUE(WaitForServer([&] { return Offered(Form->cmbOutput, OutName); }));
    EXPECT_TRUE(Connected()) << "the stored devices were not opened once the server went on";
}
