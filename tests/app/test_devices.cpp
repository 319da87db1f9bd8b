// Device selection of the main window against scripted MIDI services: listing, the stored
// choice, opening at start-up, re-opening on a user change, closing, and every error path.
#include "app/Settings.h"
#include "controls/SpeedButton.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "support/FakeMidiServices.h"
#include "support/FormTest.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

FakeMidiServices WithDevices(const std::vector<std::string> &inputs,
                             const std::vector<std::string> &outputs)
{
    FakeMidiServices midi;
    for (const std::string &name : inputs)
        midi.inputs.push_back(FakeMidiServices::inputNamed(name));
    for (const std::string &name : outputs)
        midi.outputs.push_back(FakeMidiServices::outputNamed(name));
    return midi;
}

int Calls(const FakeMidiServices &midi, const std::string &call)
{
    return int(std::count(midi.calls.begin(), midi.calls.end(), call));
}

// Opens and closes that reached the services, by kind: what a re-open leaves behind.
struct PortTraffic
{
    int openIn, closeIn, openOut, closeOut;
    bool operator==(const PortTraffic &) const = default;
};

PortTraffic Traffic(const FakeMidiServices &midi)
{
    PortTraffic traffic{0, Calls(midi, "closeInput"), 0, Calls(midi, "closeOutput")};
    for (const std::string &call : midi.calls) {
        traffic.openIn += call.rfind("openInput ", 0) == 0;
        traffic.openOut += call.rfind("openOutput ", 0) == 0;
    }
    return traffic;
}

std::ostream &operator<<(std::ostream &out, const PortTraffic &t)
{
    return out << "{openIn " << t.openIn << ", closeIn " << t.closeIn << ", openOut " << t.openOut
               << ", closeOut " << t.closeOut << "}";
}

QStringList Entries(const QComboBox *selector)
{
    QStringList entries;
    for (int i = 0; i < selector->count(); ++i)
        entries << selector->itemText(i);
    return entries;
}

// A pick from the list as the keyboard makes it on the closed selector.
void Pick(QComboBox *selector, Qt::Key key)
{
    QTest::keyClick(selector, key);
}

// Types over the selector's text: selecting it all is no edit, each typed character is one.
void TypeOver(QComboBox *selector, const QString &text)
{
    QTest::keyClick(selector->lineEdit(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(selector->lineEdit(), text);
}

class DevicesTest : public FormTest
{
protected:
    // All eight values (so that the device indexes are read; a NoPlace index and those after it
    // are left out), with the device names when given; "Startup send" on, so that a skipped
    // start-up send shows.
    static constexpr int NoPlace = -1000;
    static void StoreDevices(int midiIN, int midiOUT, std::optional<QString> inName = {},
                             std::optional<QString> outName = {})
    {
        Settings().clear();
        StoreInOrder({344, 363, 0, 0, 1, 2, midiIN, midiOUT});
        for (const auto &[place, index] : {std::pair{"midiIN", midiIN}, {"midiOUT", midiOUT}}) {
            if (index == NoPlace)
                Settings().remove(place);
        }
        if (inName)
            StoreSettings({{"midiINName", *inName}});
        if (outName)
            StoreSettings({{"midiOUTName", *outName}});
    }

    void ExpectExceptionReports(const QStringList &texts) const
    {
        EXPECT_EQ(BoxTexts(), texts);
        for (const MessageRequest &box : Boxes.Messages) {
            EXPECT_EQ(box.caption, QCoreApplication::applicationName());
            EXPECT_EQ(box.icon, QMessageBox::Critical);
            EXPECT_EQ(box.buttons, QMessageBox::Ok);
        }
    }
};

} // namespace

TEST_F(DevicesTest, WithoutOutputDeviceTheInputRunsAndNothingIsSent)
{
    FakeMidiServices midi = WithDevices({"Keys In"}, {});
    auto form = MakeForm(&midi);

    EXPECT_EQ(Entries(form->cmbOutput), QStringList{"No MIDI Output Device"});
    EXPECT_EQ(form->cmbOutput->currentIndex(), -1);
    EXPECT_EQ(form->cmbInput->currentIndex(), 0);
    EXPECT_EQ(Calls(midi, "openInput 0"), 1);
    EXPECT_EQ(Calls(midi, "start"), 1);
    EXPECT_EQ(form->MidiInput1->PortState(), psOpen);
    EXPECT_EQ(Traffic(midi).openOut, 0);
    EXPECT_EQ(form->MidiOutput1->PortState(), psClosed);
    // The output's name selection fails and ends the start-up there: no patch-bay set-up.
    ExpectExceptionReports({"Invalid device ID."});
    EXPECT_TRUE(midi.shortMessages.empty());
    EXPECT_TRUE(midi.longMessages.empty());
}

TEST_F(DevicesTest, WithoutInputDeviceTheOutputOpensAndWorks)
{
    FakeMidiServices midi = WithDevices({}, {"Box Out"});
    auto form = MakeForm(&midi);

    EXPECT_EQ(Entries(form->cmbInput), QStringList{"No MIDI Input Device"});
    EXPECT_EQ(form->cmbInput->currentIndex(), -1);
    EXPECT_EQ(form->MidiOutput1->PortState(), psOpen);
    EXPECT_TRUE(Boxes.Messages.isEmpty()) << BoxTexts().join(" | ").toStdString();
    // The start-up send: program change 2 and merge off, both on channel 16.
    EXPECT_EQ(midi.shortMessages, (std::vector<std::uint32_t>{0x02CF, 0x1FBF}));

    // A user change re-opens the output alone, and it still sends.
    Pick(form->cmbOutput, Qt::Key_Down); // nothing below the only entry: no pick
    TypeOver(form->cmbOutput, "x");
    Pick(form->cmbOutput, Qt::Key_Down); // from no entry to "Box Out"
    QTest::mouseClick(form->SpeedButton5, Qt::LeftButton);
    EXPECT_EQ(midi.shortMessages.size(), 4u);
    EXPECT_EQ(Traffic(midi).openIn, 0) << "there is no input device to open";
    EXPECT_EQ(form->MidiOutput1->PortState(), psOpen);
    ExpectExceptionReports({"MIDI output Device  not installed."});
    form->close();
    EXPECT_EQ(BoxTexts().size(), 1);
}

TEST_F(DevicesTest, TwoDevicesOfOneNameOpenTheLowerNumber)
{
    StoreDevices(1, 1);
    FakeMidiServices midi = WithDevices({"Twin", "Twin"}, {"Twin Out", "Twin Out"});
    auto form = MakeForm(&midi);
    EXPECT_EQ(form->cmbInput->currentIndex(), 1);
    EXPECT_EQ(form->cmbOutput->currentIndex(), 1);
    EXPECT_EQ(Calls(midi, "openInput 0"), 1);
    EXPECT_EQ(Calls(midi, "openOutput 0"), 1);
    EXPECT_EQ(Traffic(midi), (PortTraffic{1, 0, 1, 0}));
}

TEST_F(DevicesTest, OnlyAUserChangeReopensAndEachEditCountsOnce)
{
    StoreDevices(1, 1);
    FakeMidiServices midi = WithDevices({"In A", "In B"}, {"Out A", "Out B"});
    auto form = MakeForm(&midi);
    form->show();

    struct Step
    {
        const char *name;
        std::function<void()> act;
        PortTraffic added;
        int reports; // failed re-opens, each reported once
    };
    // clang-format off
    const Step steps[] = {
        {"start-up opens the stored devices once", [] {}, {1, 0, 1, 0}, 0},
        {"settings again", [&] { form->LoadSettings(); }, {0, 0, 0, 0}, 0},
        {"pick an output", [&] { Pick(form->cmbOutput, Qt::Key_Up); }, {1, 1, 1, 1}, 0},
        // Typing leaves no entry selected: each keystroke re-opens and fails at the input;
        // only the first finds the ports open.
        {"type two letters", [&] { TypeOver(form->cmbInput, "ab"); }, {0, 1, 0, 1}, 2},
        {"erase one", [&] { QTest::keyClick(form->cmbInput->lineEdit(), Qt::Key_Backspace); }, {0, 0, 0, 0}, 1},
        {"pick an input", [&] { Pick(form->cmbInput, Qt::Key_Down); }, {1, 0, 1, 0}, 0},
        {"code selects", [&] { form->cmbInput->setCurrentIndex(1); }, {0, 0, 0, 0}, 0},
    };
    // clang-format on
    PortTraffic before{0, 0, 0, 0};
    qsizetype reportsBefore = 0;
    for (const Step &step : steps) {
        SCOPED_TRACE(step.name);
        step.act();
        const PortTraffic now = Traffic(midi);
        EXPECT_EQ((PortTraffic{now.openIn - before.openIn, now.closeIn - before.closeIn,
                               now.openOut - before.openOut, now.closeOut - before.closeOut}),
                  step.added);
        EXPECT_EQ(Boxes.Messages.size() - reportsBefore, step.reports)
            << BoxTexts().join(" | ").toStdString();
        before = now;
        reportsBefore = Boxes.Messages.size();
    }
    EXPECT_EQ(form->MidiInput1->PortState(), psOpen);
    EXPECT_EQ(form->MidiOutput1->PortState(), psOpen);
    EXPECT_EQ(Calls(midi, "openOutput 0"), 2) << "the last picks chose Out A";
}

namespace {

// Notes the main window's cursor whenever the ports reach the services.
class CursorWatchingServices : public FakeMidiServices
{
public:
    QWidget *Window = nullptr;
    std::vector<Qt::CursorShape> Seen;

    MidiResult inputDeviceCaps(int id, MidiInCaps &caps) override
    {
        Note();
        return FakeMidiServices::inputDeviceCaps(id, caps);
    }
    MidiResult closeInput(MidiHandle handle) override
    {
        Note();
        return FakeMidiServices::closeInput(handle);
    }
    MidiResult closeOutput(MidiHandle handle) override
    {
        Note();
        return FakeMidiServices::closeOutput(handle);
    }

private:
    void Note()
    {
        if (Window)
            Seen.push_back(Window->cursor().shape());
    }
};

} // namespace

TEST_F(DevicesTest, HourglassWhileReopeningIsTakenBackOnEveryPath)
{
    struct Case
    {
        const char *name;
        std::function<void(FakeMidiServices &)> script;
        bool typeText; // else a pick from the output list
        QString report;
    };
    // clang-format off
    const Case cases[] = {
        {"success", [](FakeMidiServices &) {}, false, {}},
        {"input name not listed", [](FakeMidiServices &) {}, true, "MIDI Input Device  not installed "},
        {"input refuses to start", [](FakeMidiServices &m) { m.startResult = MidiErrNotReady; }, false, "The MIDI device is busy."},
        {"input refuses to close", [](FakeMidiServices &m) { m.closeInputResult = MidiErrNotReady; }, false, "The MIDI device is busy."},
        {"output refuses to close", [](FakeMidiServices &m) { m.closeOutputResult = MidiErrNotReady; }, false, "The MIDI device is busy."},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Boxes.Messages.clear();
        CursorWatchingServices midi;
        midi.inputs = {FakeMidiServices::inputNamed("In A")};
        midi.outputs = {FakeMidiServices::outputNamed("Out A"),
                        FakeMidiServices::outputNamed("Out B")};
        auto form = MakeForm(&midi);
        ASSERT_TRUE(Boxes.Messages.isEmpty());
        c.script(midi);
        midi.Window = form.get();

        if (c.typeText)
            TypeOver(form->cmbInput, "z");
        else
            Pick(form->cmbOutput, Qt::Key_Down);

        ASSERT_FALSE(midi.Seen.empty());
        for (Qt::CursorShape shape : midi.Seen)
            EXPECT_EQ(shape, Qt::WaitCursor);
        EXPECT_EQ(form->cursor().shape(), Qt::ArrowCursor);
        ExpectExceptionReports(c.report.isNull() ? QStringList{} : QStringList{c.report});
        midi.Window = nullptr;
        // Let the window go without further refusals.
        midi.closeInputResult = midi.closeOutputResult = MidiOk;
    }
}

TEST_F(DevicesTest, PortRefusingToCloseIsReportedAndTheWindowClosesAnyway)
{
    struct Case
    {
        const char *name;
        MidiResult FakeMidiServices::*refusal;
        int outputCloses; // the input goes first: when it refuses, the output is not tried
    };
    // clang-format off
    const Case cases[] = {
        {"input", &FakeMidiServices::closeInputResult, 0},
        {"output", &FakeMidiServices::closeOutputResult, 1},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Boxes.Messages.clear();
        QFile::remove(ProgramBankFile());
        Settings().clear();
        FakeMidiServices midi = WithDevices({"In A"}, {"Out A"});
        auto form = MakeForm(&midi);
        form->show();
        midi.*c.refusal = MidiErrNotReady;

        EXPECT_TRUE(form->close());
        EXPECT_FALSE(form->isVisible());
        ExpectExceptionReports({"The MIDI device is busy."});
        EXPECT_EQ(Calls(midi, "closeOutput"), c.outputCloses);
        // Written before the ports were closed.
        EXPECT_EQ(QFileInfo(ProgramBankFile()).size(), 136);
        EXPECT_EQ(Settings().value("midiOUTName").toString(), "Out A");
        midi.*c.refusal = MidiOk;
    }
}

TEST_F(DevicesTest, FailingDeviceQueryStopsTheListingWithItsBox)
{
    struct Case
    {
        const char *name;
        std::function<void(FakeMidiServices &)> script;
        QStringList inputs, outputs; // what the selectors hold afterwards
        int inputShown, outputShown;
    };
    // clang-format off
    const Case cases[] = {
        {"first input", [](FakeMidiServices &m) { m.inputCapsResult[0] = MidiErrNoDriver; }, {}, {}, -1, -1},
        {"second input", [](FakeMidiServices &m) { m.inputCapsResult[1] = MidiErrNoDriver; }, {"In A"}, {}, -1, -1},
        {"second output", [](FakeMidiServices &m) { m.outputCapsResult[1] = MidiErrNoDriver; }, {"In A", "In B"}, {"Out A"}, 0, -1},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Boxes.Messages.clear();
        FakeMidiServices midi = WithDevices({"In A", "In B"}, {"Out A", "Out B"});
        c.script(midi);
        auto form = MakeForm(&midi);

        ASSERT_FALSE(Boxes.Messages.isEmpty());
        const MessageRequest &box = Boxes.Messages.front();
        EXPECT_EQ(box.text, "Error MIDI devices detection ");
        EXPECT_EQ(box.caption, "No MIDI !!!");
        EXPECT_EQ(box.icon, QMessageBox::Critical);
        EXPECT_EQ(box.buttons, QMessageBox::Ok);
        EXPECT_EQ(Entries(form->cmbInput), c.inputs);
        EXPECT_EQ(Entries(form->cmbOutput), c.outputs);
        EXPECT_EQ(form->cmbInput->currentIndex(), c.inputShown);
        EXPECT_EQ(form->cmbOutput->currentIndex(), c.outputShown);
        // Start-up went on to the open, which fails on the unfinished choice.
        EXPECT_EQ(Boxes.Messages.size(), 2) << BoxTexts().join(" | ").toStdString();
        EXPECT_EQ(form->MidiOutput1->PortState(), psClosed);
    }
}

TEST_F(DevicesTest, StoredChoiceAtStartNameBeforeIndex)
{
    enum Side { Input, Output };
    struct Case
    {
        const char *name;
        Side side;
        int index;
        std::optional<QString> storedName; // none: settings from before names were kept
        int shown;
        const char *opened; // the services call that opened the device, or none
        QString report;
    };
    // clang-format off
    const Case cases[] = {
        {"input moved", Input, 0, "In B", 1, "openInput 1", {}},
        {"input listed nowhere", Input, 0, "Gone", -1, nullptr, "MIDI Input Device  not installed "},
        {"input never chosen", Input, -1, "", -1, nullptr, "MIDI Input Device  not installed "},
        {"input without name", Input, 1, {}, 1, "openInput 1", {}},
        {"output moved", Output, 1, "Out A", 0, "openOutput 0", {}},
        {"output listed nowhere", Output, 0, "Gone", -1, nullptr, "MIDI output Device  not installed."},
        {"output without name", Output, 1, {}, 1, "openOutput 1", {}},
        {"input index beyond, no name", Input, 2, {}, -1, nullptr, "MIDI Input Device  not installed "},
        {"input index far beyond, no name", Input, 99, {}, -1, nullptr, "MIDI Input Device  not installed "},
        {"output index beyond, no name", Output, 2, {}, -1, nullptr, "MIDI output Device  not installed."},
        {"output never chosen, no name", Output, -1, {}, -1, nullptr, "MIDI output Device  not installed."},
        {"input name, no places", Input, NoPlace, "In B", 1, "openInput 1", {}},
        {"output name, no place", Output, NoPlace, "Out B", 1, "openOutput 1", {}},
        {"output name with the sequencer's numbers", Output, 0, "Out B 20:0", 1, "openOutput 1", {}},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Boxes.Messages.clear();
        if (c.side == Input)
            StoreDevices(c.index, 0, c.storedName, QString("Out A"));
        else
            StoreDevices(0, c.index, QString("In A"), c.storedName);
        FakeMidiServices midi = WithDevices({"In A", "In B"}, {"Out A", "Out B"});
        auto form = MakeForm(&midi);

        const QComboBox *selector = c.side == Input ? form->cmbInput : form->cmbOutput;
        EXPECT_EQ(selector->currentIndex(), c.shown);
        const PortTraffic traffic = Traffic(midi);
        EXPECT_EQ(c.side == Input ? traffic.openIn : traffic.openOut, c.opened ? 1 : 0);
        if (c.opened) {
            EXPECT_EQ(Calls(midi, c.opened), 1);
        }
        ExpectExceptionReports(c.report.isNull() ? QStringList{} : QStringList{c.report});
        if (!c.report.isNull()) {
            // Nothing reaches a device the user never chose, and nothing else is opened; an
            // input that fails leaves the output closed, as the start-up send then is skipped.
            EXPECT_EQ(traffic.openOut, 0);
            EXPECT_EQ(traffic.openIn, c.side == Output ? 1 : 0);
            EXPECT_TRUE(midi.shortMessages.empty());
        }
    }
}

TEST_F(DevicesTest, ChosenDeviceIsFoundAgainAfterTheListChanged)
{
    {
        FakeMidiServices midi = WithDevices({"In A", "In B"}, {"Out A", "Out B"});
        auto form = MakeForm(&midi);
        Pick(form->cmbInput, Qt::Key_Down);
        form->close();
    }
    auto settings = Settings();
    EXPECT_EQ(settings.value("midiIN").toInt(), 1);
    EXPECT_EQ(settings.value("midiINName").toString(), "In B");
    EXPECT_EQ(settings.value("midiOUTName").toString(), "Out A");

    // "In A" was unplugged: "In B" is device 0 now, and a newcomer stands at index 1.
    FakeMidiServices midi = WithDevices({"In B", "In C"}, {"Out A"});
    auto form = MakeForm(&midi);
    EXPECT_EQ(form->cmbInput->currentText(), "In B");
    EXPECT_EQ(Calls(midi, "openInput 0"), 1);
    EXPECT_EQ(Traffic(midi).openIn, 1);
    EXPECT_TRUE(Boxes.Messages.isEmpty()) << BoxTexts().join(" | ").toStdString();
}

TEST_F(DevicesTest, AStopFoundWhileTheStopBoxIsOpenIsReportedAfterIt)
{
    FakeMidiServices midi = WithDevices({"In A"}, {"Out A"});
    midi.status = {"JACK", MidiSystemStatus::Running, MidiSystem::Jack};
    auto form = MakeForm(&midi);
    const auto shows = [&](const char *state) {
        return QTest::qWaitFor(
            [&] { return form->MidiStatus->text() == QString("JACK: ") + state; });
    };
    QStringList reports;
    bool open = false;
    const MessageSink recorder = SetMessageSink([&](const MessageRequest &box) {
        EXPECT_FALSE(open) << "one stop box at a time";
        open = true;
        reports << box.text;
        // While the first box is open the lists go on following the system: it comes back and
        // stops again.
        if (reports.size() == 1) {
            midi.setSystemState(MidiSystemStatus::Running);
            EXPECT_TRUE(shows("running"));
            midi.setSystemState(MidiSystemStatus::NotRunning);
            EXPECT_TRUE(shows("not running"));
        }
        open = false;
    });
    midi.setSystemState(MidiSystemStatus::NotRunning);
    EXPECT_TRUE(QTest::qWaitFor([&] { return reports.size() == 2; }, 10000))
        << reports.join(" | ").toStdString();
    SetMessageSink(recorder);
    EXPECT_EQ(reports.filter("The MIDI system (JACK) has stopped").size(), 2);
}

// The system list follows the system in use: choosing the entry of the one another editor has
// since stored switches to it all the same.
TEST_F(DevicesTest, TheSystemListComparesWithTheSystemInUseNotTheSetting)
{
    WriteMidiSystemChoice(MidiSystemChoice::Jack);
    FakeMidiServices midi = WithDevices({"In A"}, {"Out A"});
    auto form = MakeForm(&midi);
    std::vector<MidiSystemChoice> switches;
    form->Devices->SetSystemSwitch([&](MidiSystemChoice choice) { switches.push_back(choice); });
    Activate(form->cmbSystem, 2); // JACK, in use: nothing to do
    WriteMidiSystemChoice(MidiSystemChoice::Alsa);
    Activate(form->cmbSystem, 1);
    Activate(form->cmbSystem, 1);
    EXPECT_EQ(switches, std::vector<MidiSystemChoice>{MidiSystemChoice::Alsa});
    WriteMidiSystemChoice(MidiSystemChoice::Automatic);
}
