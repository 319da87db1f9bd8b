#pragma once
// The "Simulator" page of the main window: what the editor's built-in simulated box holds
// right now. The box's channel; for each of the 32 outputs its controller (by the editor's
// controller names) and its level, as a number and as a bar of the level graph; whether flash
// matches the working set-up; the Kessel patch bay's input and merge; the counts of accepted
// and rejected messages with the last rejection; and a "Power cycle" button.
//
// GUI thread only. The page refreshes when the simulator reports a change, which it does once
// per batch of MIDI (see sim::BuiltInSimulator), so a drag or a preset transfer costs one
// refresh per turn of the event loop. The graph is for looking only: it takes no pointer input.
#include "converter/Protocol.h"

#include <QWidget>
#include <array>

class QGridLayout;
class QLabel;
class QPushButton;
class QTabWidget;
class TkxSampleTank;
namespace sim {
class BuiltInSimulator;
}

class SimulatorPage : public QWidget
{
    Q_OBJECT

public:
    static constexpr int OutputCount = protocol::OutputCount;

    explicit SimulatorPage(sim::BuiltInSimulator &simulator, QWidget *parent = nullptr);

    // Shows the simulator's state now.
    void Refresh();

    QLabel *ChannelLabel = nullptr;
    QLabel *FlashLabel = nullptr;
    QLabel *KesselLabel = nullptr;
    QPushButton *PowerCycleButton = nullptr;
    TkxSampleTank *Levels = nullptr; // one bar per output, level 0..127 drawn as 0..254
    std::array<QLabel *, OutputCount> ControllerNames{};
    std::array<QLabel *, OutputCount> LevelValues{};
    QLabel *CountsLabel = nullptr;
    QLabel *RejectionLabel = nullptr;
    QLabel *NoticeLabel = nullptr; // lost input, flash file trouble; hidden when all is well

private:
    void BuildOutputs(QGridLayout *grid);

    sim::BuiltInSimulator &Simulator;
};

// Adds the page to the window's pages as the last tab, "Simulator"; the page shown stays the one
// the window chose.
SimulatorPage *AddSimulatorPage(QTabWidget &pages, sim::BuiltInSimulator &simulator);
