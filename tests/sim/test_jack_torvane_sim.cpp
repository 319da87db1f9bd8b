// End to end over real MIDI: torvane-sim runs as a process of its own on the test script's
// JACK server, and the editor's main window, on the system's MIDI services (JACK), is driven by
// real pointer and key events: "Send Params RT" on, "Volume (coarse)" on selector 5, label 5
// dragged, written to flash. torvane-sim's printed state must show all of it.
//
// Like the other JACK tests: skipped without TORVANE_TEST_JACK (a developer's plain ctest),
// failed when it is set and the server does not answer.
#include "app/AutosaveLocation.h"
#include "app/Core_main.h"
#include "app/PresetBank.h"
#include "controls/Kxpotlab.h"
#include "controls/SpeedButton.h"
#include "converter/Channel.h"
#include "converter/Unit2.h"
#include "midi/backend/CombinedServices.h"
#include "midi/backend/RtMidiServices.h"
#include "sim/FlashFile.h"
#include "support/MessageRecorder.h"
#include "support/ScriptedFileDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <jack/jack.h>

#include <csignal>
#include <functional>
#include <memory>

#ifndef TORVANE_SIM_EXECUTABLE
#error "TORVANE_SIM_EXECUTABLE must name the torvane-sim program (tools/torvane-sim sets it)"
#endif

namespace {

bool JackServerAnswers()
{
    jack_client_t *probe = jack_client_open("torvane-sim-test-probe", JackNoStartServer, nullptr);
    if (!probe)
        return false;
    jack_client_close(probe);
    return true;
}

// Runs the GUI thread's event loop until done() holds or the time is up.
bool PumpUntil(const std::function<bool()> &done, int limitMs = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qSleep(2);
    }
    return true;
}

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
        PumpUntil([&] {
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

class JackTorvaneSim : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!qEnvironmentVariableIsSet("TORVANE_TEST_JACK"))
            GTEST_SKIP() << "TORVANE_TEST_JACK is not set: no JACK server to test against "
                            "(scripts/test.sh starts one)";
        ASSERT_TRUE(JackServerAnswers())
            << "TORVANE_TEST_JACK is set but the JACK server "
            << qgetenv("JACK_DEFAULT_SERVER").constData() << " does not answer";

        Client = QStringLiteral("torvane-sim-%1").arg(QCoreApplication::applicationPid());
        PresetBank = &Bank;
        Form2 = &Progress;
        Form10 = &ChannelDialog;
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Quillmont", "Torvane").clear();
        QDir().mkpath(QDir(Dir.path()).filePath("program"));
        Midi = std::make_unique<CombinedServices>(
            std::make_unique<RtMidiServices>(RtMidiServices::System::Jack));
    }
    void TearDown() override
    {
        PresetBank = nullptr;
        Form2 = nullptr;
        Form10 = nullptr;
    }

    QString PortName() const { return Client + ":Torvane Simulator"; }
    QString FlashPath() const { return QDir(Dir.path()).filePath("sim.flash"); }

    void StartSim()
    {
        Sim = std::make_unique<SimProcess>(Client, FlashPath());
        ASSERT_TRUE(PumpUntil([&] { return !Sim->Lines().isEmpty(); }, 10000))
            << "torvane-sim said nothing: " << Sim->Errors().toStdString();
        ASSERT_EQ(Sim->Lines().first(), "ready JACK " + PortName()) << Sim->Errors().toStdString();
    }

    std::unique_ptr<TForm1> MakeForm()
    {
        auto form =
            std::make_unique<TForm1>(*Midi, Dialogs,
                                     AutosaveLocation{QDir(Dir.path()).filePath("program"),
                                                      QDir(Dir.path()).filePath("userdata")});
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        return form;
    }

    static void ShowTab(TForm1 &form, const QString &caption)
    {
        QTabBar *bar = form.PageControl1->tabBar();
        for (int i = 0; i < bar->count(); ++i)
            if (bar->tabText(i) == caption)
                QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(i).center());
        ASSERT_EQ(form.PageControl1->tabText(form.PageControl1->currentIndex()), caption);
    }

    static void ChooseItem(QComboBox *selector, int item)
    {
        selector->setFocus();
        while (selector->currentIndex() < item)
            QTest::keyClick(selector, Qt::Key_Down);
        while (selector->currentIndex() > item)
            QTest::keyClick(selector, Qt::Key_Up);
    }

    QTemporaryDir Dir;
    TPresetBank Bank;
    MessageRecorder Boxes;
    ScriptedFileDialogs Dialogs;
    TForm2 Progress;
    TForm10 ChannelDialog;
    QString Client;
    std::unique_ptr<SimProcess> Sim;
    std::unique_ptr<CombinedServices> Midi; // after Sim: the editor lets go of the port first
};

TEST_F(JackTorvaneSim, EditorDrivesTheSimulatedBoxOverJack)
{
    ASSERT_NO_FATAL_FAILURE(StartSim());
    const auto form = MakeForm();

    // The output selector lists the system's ports first; pick torvane-sim's by its name.
    ShowTab(*form, "MIDI");
    const int port = form->cmbOutput->findText(PortName(), Qt::MatchExactly);
    ASSERT_GE(port, 0) << "torvane-sim's port is not offered";
    ChooseItem(form->cmbOutput, port);
    ASSERT_EQ(form->cmbOutput->currentText(), PortName());

    if (!form->CheckBox38->isChecked()) {
        QStyleOptionButton option;
        option.initFrom(form->CheckBox38);
        const QRect indicator = form->CheckBox38->style()->subElementRect(
            QStyle::SE_CheckBoxIndicator, &option, form->CheckBox38);
        QTest::mouseClick(form->CheckBox38, Qt::LeftButton, {}, indicator.center());
    }
    ASSERT_TRUE(form->CheckBox38->isChecked()); // "Send Params RT"

    ShowTab(*form, "Config");
    ChooseItem(form->ComboBox[4], 8);
    ASSERT_EQ(form->ComboBox[4]->currentText(), "Volume (coarse)");
    ASSERT_TRUE(PumpUntil([&] { return Sim->Printed("output 5 controller 7"); }))
        << Sim->Lines().join('\n').toStdString();

    ShowTab(*form, "MIDI");
    Tkxpotlab *label = form->Controller[4];
    const QPoint start = label->rect().center();
    QTest::mousePress(label, Qt::LeftButton, {}, start);
    for (int dy = 5; dy <= 40; dy += 5)
        QTest::mouseMove(label, start - QPoint(0, dy));
    QTest::mouseRelease(label, Qt::LeftButton, {}, start - QPoint(0, 40));
    const int level = label->State();
    ASSERT_GT(level, 0);

    ShowTab(*form, "Config");
    QTest::mouseClick(form->SpeedButton10, Qt::LeftButton); // "Write to Flash"
    ASSERT_TRUE(PumpUntil([&] { return Sim->Printed("flash written"); }))
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
    EXPECT_TRUE(PumpUntil([&] { return Sim->Printed("power cycle"); }));

    // SIGUSR1 asks for the state too, and SIGTERM ends the program with the state printed.
    const qsizetype before = Sim->Lines().count("state end");
    Sim->Signal(SIGUSR1);
    EXPECT_TRUE(PumpUntil([&] { return Sim->Lines().count("state end") == before + 1; }));
    Sim->Signal(SIGTERM);
    EXPECT_TRUE(Sim->WaitForExit());
    EXPECT_EQ(Sim->Lines().count("state end"), before + 2);
    EXPECT_EQ(Sim->Lines().last(), "state end");
}

} // namespace
