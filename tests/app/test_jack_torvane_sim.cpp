// End to end over real MIDI: torvane-sim runs as a process of its own on the test script's
// JACK server, and the editor's main window, on the system's MIDI services (JACK), is driven by
// real pointer and key events: "Send Params RT" on, "Volume (coarse)" on selector 5, label 5
// dragged, written to flash. torvane-sim's printed state must show all of it.
//
// Like the other JACK tests: skipped without TORVANE_TEST_JACK (a developer's plain ctest),
// failed when it is set and the server does not answer.
#include "controls/Kxpotlab.h"
#include "controls/SpeedButton.h"
#include "midi/backend/simulated/CombinedServices.h"
#include "sim/FlashFile.h"
#include "support/FormTest.h"
#include "support/JackTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QProcess>
#include <QTest>

#include <csignal>

#ifndef TORVANE_SIM_EXECUTABLE
#error "TORVANE_SIM_EXECUTABLE must name the torvane-sim program (tools/torvane-sim sets it)"
#endif

namespace {

// torvane-sim as a child process, and the lines it prints.
class SimProcess
{
public:
    SimProcess(const QString &client, const QString &flash)
    {
        process_.setProgram(TORVANE_SIM_EXECUTABLE);
        process_.setArguments({"--api", "jack", "--client", client, "--flash", flash});
        process_.start();
    }
    ~SimProcess()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.write("quit\n");
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

    // Every complete line printed so far.
    const QStringList &Lines()
    {
        process_.waitForReadyRead(0);
        pending_ += process_.readAllStandardOutput();
        for (qsizetype end; (end = pending_.indexOf('\n')) >= 0; pending_.remove(0, end + 1))
            lines_ << QString::fromUtf8(pending_.left(end));
        return lines_;
    }
    bool Printed(const QString &line) { return Lines().contains(line); }
    void Command(const char *line)
    {
        process_.write(QByteArray(line) + '\n');
        process_.waitForBytesWritten(1000);
    }
    void Signal(int number) { ::kill(pid_t(process_.processId()), number); }
    // True when the program ended by itself with exit code 0; its last lines are read.
    bool WaitForExit()
    {
        const bool ended = process_.waitForFinished(5000);
        Lines();
        return ended && process_.exitStatus() == QProcess::NormalExit && process_.exitCode() == 0;
    }
    QString Errors() { return QString::fromUtf8(process_.readAllStandardError()); }

    // The state block printed in answer to a "state" request.
    QStringList State()
    {
        const qsizetype from = Lines().size();
        Command("state");
        QStringList block;
        (void)WaitForServer([&] {
            const QStringList &lines = Lines();
            const qsizetype begin = lines.indexOf("state begin", from);
            const qsizetype end = lines.indexOf("state end", from);
            if (begin < 0 || end < begin)
                return false;
            block = lines.mid(begin, end - begin + 1);
            return true;
        });
        return block;
    }

private:
    QProcess process_;
    QByteArray pending_;
    QStringList lines_;
};

class JackTorvaneSim : public FormTest
{
protected:
    void SetUp() override
    {
        REQUIRE_JACK_SERVER();
        Jack = jacktest::makeJackServices();
    }

    QString PortName() const { return Client + ":Torvane Simulator"; }
    QString FlashPath() const { return QDir(Dir.path()).filePath("sim.flash"); }

    void StartSim()
    {
        Sim = std::make_unique<SimProcess>(Client, FlashPath());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !Sim->Lines().isEmpty(); }, 10000))
            << "torvane-sim said nothing: " << Sim->Errors().toStdString();
        ASSERT_EQ(Sim->Lines().first(), "ready JACK " + PortName()) << Sim->Errors().toStdString();
    }

    const QString Client = UniqueJackName("torvane-sim");
    std::unique_ptr<SimProcess> Sim;
    std::unique_ptr<CombinedServices> Jack; // after Sim: the editor lets go of the port first
};

TEST_F(JackTorvaneSim, EditorDrivesTheSimulatedBoxOverJack)
{
    ASSERT_NO_FATAL_FAILURE(StartSim());
    Form = MakeForm(Jack.get());
    Form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
    TForm1 *form = Form.get();

    // The output selector lists the system's ports first; pick torvane-sim's by its name.
    ShowTab(*form, "MIDI");
    const int port = form->cmbOutput->findText(PortName(), Qt::MatchExactly);
    ASSERT_GE(port, 0) << "torvane-sim's port is not offered";
    ChooseByKeys(form->cmbOutput, port);
    ASSERT_EQ(form->cmbOutput->currentText(), PortName());

    if (!form->CheckBox38->isChecked())
        ClickCheckBox(form->CheckBox38);
    ASSERT_TRUE(form->CheckBox38->isChecked()); // "Send Params RT"

    ShowTab(*form, "Config");
    ChooseByKeys(form->ComboBox[4], 8);
    ASSERT_EQ(form->ComboBox[4]->currentText(), "Volume (coarse)");
    ASSERT_TRUE(WaitForServer([&] { return Sim->Printed("output 5 controller 7"); }))
        << Sim->Lines().join('\n').toStdString();

    ShowTab(*form, "MIDI");
    DragUp(form->Controller[4], 40);
    const int level = form->Controller[4]->State();
    ASSERT_GT(level, 0);

    ShowTab(*form, "Config");
    Click(form->SpeedButton10); // "Write to Flash"
    ASSERT_TRUE(WaitForServer([&] { return Sim->Printed("flash written"); }))
        << Sim->Lines().join('\n').toStdString();

    const QStringList state = Sim->State();
    EXPECT_TRUE(state.contains(QStringLiteral("output 5 controller 7 level %1").arg(level)))
        << state.join('\n').toStdString();
    EXPECT_TRUE(state.contains("flash matches")) << state.join('\n').toStdString();
    EXPECT_TRUE(state.contains("channel 1"));
    EXPECT_TRUE(state.contains("rejected 0")) << state.join('\n').toStdString();
    EXPECT_TRUE(Boxes.Messages.isEmpty());

    // The flash outlives the process.
    Sim.reset();
    const auto flash = sim::FlashFile::load(FlashPath());
    ASSERT_TRUE(flash.setup) << flash.error.toStdString();
    EXPECT_EQ(flash.setup->controllers[4], 7);
}

TEST_F(JackTorvaneSim, StartsFromItsFlashAndAnswersCommandsAndSignals)
{
    sim::ConverterSetup flash;
    flash.channel = 5;
    flash.controllers[2] = 9;
    ASSERT_EQ(sim::FlashFile::save(FlashPath(), flash), QString());
    ASSERT_NO_FATAL_FAILURE(StartSim());

    QStringList state = Sim->State();
    EXPECT_TRUE(state.contains("channel 6")) << state.join('\n').toStdString();
    EXPECT_TRUE(state.contains("output 3 controller 9 level 0"));
    EXPECT_TRUE(state.contains("flash matches"));

    Sim->Command("power");
    EXPECT_TRUE(WaitForServer([&] { return Sim->Printed("power cycle"); }));

    // SIGUSR1 asks for the state too, and SIGTERM ends the program with the state printed.
    const qsizetype before = Sim->Lines().count("state end");
    Sim->Signal(SIGUSR1);
    EXPECT_TRUE(WaitForServer([&] { return Sim->Lines().count("state end") == before + 1; }));
    Sim->Signal(SIGTERM);
    EXPECT_TRUE(Sim->WaitForExit());
    EXPECT_EQ(Sim->Lines().count("state end"), before + 2);
    EXPECT_EQ(Sim->Lines().last(), "state end");
}

} // namespace
