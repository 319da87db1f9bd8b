// The JACK server dies under the editor: once while the ports are open and idle, once in the
// middle of a 32-message transfer. Each time the user gets a clear report ("The MIDI system is
// not running."), nothing crashes or hangs, and the presets are untouched. Once the server is
// back, choosing the device again in the selector should open it and send.
// The server is one of the test's own, never the shared test server.
#include "app/form_helpers.h"
#include "controls/SpeedButton.h"
#include "midi/JackTestSupport.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "midi/backend/CombinedServices.h"
#include "midi/backend/RtMidiServices.h"

#include <QComboBox>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <thread>

namespace {

const QString NotRunning = "The MIDI system is not running.";

// A private JACK server that can be stopped and started again under the same name, as when a
// user restarts JACK. Once started, JACK_DEFAULT_SERVER names it until it goes.
class RestartableServer
{
public:
    RestartableServer()
        : name_(jacktest::uniqueName("torvane-restart")), previous_(qgetenv("JACK_DEFAULT_SERVER"))
    {
    }
    ~RestartableServer()
    {
        stop();
        // A server that goes while clients are busy on it sometimes ends without leaving JACK's
        // registry of servers (its place stays taken after its death, and the registry has
        // only eight, for the whole machine). A server of the same name takes that place over
        // when it starts, and one that stops with no client on it leaves it cleanly: so one
        // more short start and stop gives the place back.
        if (started_ && start())
            stop();
        qputenv("JACK_DEFAULT_SERVER", previous_);
        QDir shm("/dev/shm");
        for (const QString &file : shm.entryList({"jack_sem.*_" + name_ + "_*"}, QDir::Files))
            shm.remove(file);
    }
    bool start()
    {
        started_ = true;
        qputenv("JACK_DEFAULT_SERVER", name_.toUtf8());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("JACK_NO_AUDIO_RESERVATION", "1");
        jackd_.setProcessEnvironment(env);
        jackd_.setProcessChannelMode(QProcess::MergedChannels);
        jackd_.start("jackd", {"-n", name_, "-r", "-d", "dummy", "-r", "48000", "-p", "256"});
        if (!jackd_.waitForStarted(5000))
            return false;
        QProcess wait;
        wait.start("jack_wait", {"-s", name_, "-w", "-t", "15"});
        wait.waitForFinished(20000);
        return wait.exitStatus() == QProcess::NormalExit && wait.exitCode() == 0;
    }
    // SIGTERM, as a user or the system stops JACK (a killed server leaves its entry in JACK's
    // registry of servers, which holds only a few).
    void stop()
    {
        if (jackd_.state() == QProcess::NotRunning)
            return;
        jackd_.terminate();
        if (!jackd_.waitForFinished(5000)) {
            jackd_.kill();
            jackd_.waitForFinished(5000);
        }
    }
    // Waits for a server that was told to stop by other means. A second SIGTERM while it shuts
    // down would end it before it leaves JACK's registry of servers, whose few places would
    // then stay taken on this machine until a server of the same name starts again.
    bool waitUntilGone() { return jackd_.waitForFinished(10000); }
    qint64 pid() const { return jackd_.processId(); }
    const QString &name() const { return name_; }

private:
    QString name_;
    QByteArray previous_;
    QProcess jackd_;
    bool started_ = false;
};

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
        for (int i = 0; i < TPresetBank::BankFileSize; ++i)
            Bank.SetByte(i / 34, i % 34, std::uint8_t((i * 5 + 1) & 0x7F));
        Presets = Snapshot();
        Form = MakeForm(Services.get());
        // Preset 1 on the assignment page, so that every output has a controller to send.
        QTest::mouseClick(Form->spdPar1, Qt::LeftButton);
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
        Form.reset();
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
    void Choose(QComboBox *selector, const std::string &name)
    {
        const int index = selector->findText(QString::fromStdString(name));
        ASSERT_GE(index, 0) << name;
        selector->setCurrentIndex(index);
        emit selector->activated(index);
    }

    QByteArray Snapshot() const
    {
        QByteArray bytes(TPresetBank::BankFileSize, '\0');
        for (int i = 0; i < bytes.size(); ++i)
            bytes[i] = char(Bank.GetByte(i / 34, i % 34));
        return bytes;
    }

    // The texts of the boxes shown so far.
    QStringList Reports() const
    {
        QStringList texts;
        for (const MessageRequest &box : Boxes.Messages)
            texts << box.text;
        return texts;
    }

    // Lines the capturing client has seen so far.
    int CapturedLines() { return int(Dump->lines().size()); }

    RestartableServer Server;
    const QString dumpName = jacktest::uniqueName("torvane-dump");
    const QString seqName = jacktest::uniqueName("torvane-seq");
    std::unique_ptr<jacktest::Helper> Dump, Seq;
    std::string OutName, InName;
    std::unique_ptr<CombinedServices> Services;
    std::unique_ptr<TForm1> Form;
    QByteArray Presets;
};

} // namespace

TEST_F(JackServerKillTest, KilledWhileThePortsAreOpen)
{
    QTest::mouseClick(Form->SpeedButton2, Qt::LeftButton); // "Send All CC"
    ASSERT_TRUE(jacktest::pumpUntil([&] { return CapturedLines() >= 32; }));
    Server.stop();

    // The user goes on working: "Send All CC" until the loss shows (the server's death reaches
    // the editor a moment after it happens).
    ASSERT_TRUE(jacktest::pumpUntil(
        [&] {
            QTest::mouseClick(Form->SpeedButton2, Qt::LeftButton);
            return !Boxes.Messages.isEmpty();
        },
        10'000))
        << "the loss of the server was never reported";
    EXPECT_EQ(Boxes.Messages.last().text, NotRunning) << Reports().join(" | ").toStdString();
    EXPECT_EQ(Boxes.Messages.last().icon, QMessageBox::Critical);
    EXPECT_EQ(Snapshot(), Presets);
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
    ASSERT_TRUE(jacktest::pumpUntil([&] {
        QProcess lsp;
        lsp.start("jack_lsp", {"-s", Server.name()});
        lsp.waitForFinished(5000);
        const QByteArray ports = lsp.readAllStandardOutput();
        return ports.contains(QByteArray::fromStdString(OutName)) &&
               ports.contains(QByteArray::fromStdString(InName));
    }));
    Boxes.Messages.clear();
    Choose(Form->cmbOutput, OutName);
    EXPECT_EQ(Form->MidiOutput1->PortState(), psOpen) << Reports().join(" | ").toStdString();
    QTest::mouseClick(Form->SpeedButton2, Qt::LeftButton);
    EXPECT_TRUE(Boxes.Messages.isEmpty()) << Reports().join(" | ").toStdString();
    EXPECT_TRUE(jacktest::pumpUntil([&] { return CapturedLines() >= 32; }))
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
    QTest::mouseClick(Form->SpeedButton1, Qt::LeftButton); // "Send Parameters to MIDI"
    killer.join();
    ASSERT_TRUE(Server.waitUntilGone());

    ASSERT_FALSE(Boxes.Messages.isEmpty()) << "the transfer ended without a word";
    EXPECT_EQ(Boxes.Messages.last().text, NotRunning) << Reports().join(" | ").toStdString();
    EXPECT_EQ(Boxes.Messages.size(), 1) << "one report for the one transfer";
    EXPECT_FALSE(Form2->isVisible()) << "the progress window went with the transfer";
    EXPECT_EQ(Snapshot(), Presets);
    const int sentBefore = CapturedLines();
    EXPECT_GT(sentBefore, 0) << "the transfer had begun";
    EXPECT_LT(sentBefore, 32) << "the transfer did not run to its end";
}
