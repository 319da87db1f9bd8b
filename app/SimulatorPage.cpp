#include "app/SimulatorPage.h"

#include "app/BuiltInSimulator.h"
#include "controls/Kxsampletank.h"
#include "converter/Protocol.h"
#include "sim/StateText.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// 0x00BBGGRR, as the graph control takes its colours.
constexpr quint32 Black = 0x000000;
constexpr quint32 Lime = 0x00FF00;
constexpr quint32 Aqua = 0xFFFF00;

QString ControllerName(std::uint8_t controller)
{
    switch (sim::kindOf(controller)) {
    case sim::ControllerKind::None:
        return protocol::ControllerItemText(0);
    case sim::ControllerKind::Controller:
        return protocol::ControllerItemText(controller + 1);
    case sim::ControllerKind::Invalid:
        break;
    }
    return QStringLiteral("invalid (%1)").arg(controller);
}

QLabel *Named(QLabel *label, const char *name)
{
    label->setObjectName(name);
    return label;
}

} // namespace

SimulatorPage::SimulatorPage(sim::BuiltInSimulator &simulator, QWidget *parent)
    : QWidget(parent), Simulator(simulator)
{
    setObjectName("SimulatorPage");
    auto *page = new QVBoxLayout(this);
    page->setContentsMargins(8, 6, 8, 6);
    page->setSpacing(4);

    auto *top = new QHBoxLayout;
    ChannelLabel = Named(new QLabel(this), "ChannelLabel");
    FlashLabel = Named(new QLabel(this), "FlashLabel");
    KesselLabel = Named(new QLabel(this), "KesselLabel");
    PowerCycleButton = new QPushButton("Power cycle", this);
    PowerCycleButton->setObjectName("PowerCycleButton");
    PowerCycleButton->setToolTip("Restart the simulated converter from its flash");
    top->addWidget(ChannelLabel);
    top->addSpacing(12);
    top->addWidget(FlashLabel);
    top->addSpacing(12);
    top->addWidget(KesselLabel);
    top->addStretch();
    top->addWidget(PowerCycleButton);
    page->addLayout(top);

    Levels = new TkxSampleTank(this);
    Levels->setObjectName("Levels");
    Levels->setAccessibleName("Output levels");
    Levels->SetMax(OutputCount);
    Levels->SetSpectrumMode(true);
    Levels->SetAxesEnabled(false);
    Levels->SetAxes2Enabled(false);
    Levels->SetLocatorEnabled(false);
    Levels->SetColor(Black);
    Levels->SetLineColor(Lime);
    Levels->SetMarkerColor(Aqua);
    Levels->SetMarkerSize(2);
    Levels->setFixedHeight(90);
    Levels->setAttribute(Qt::WA_TransparentForMouseEvents);
    Levels->setFocusPolicy(Qt::NoFocus);
    page->addWidget(Levels);

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(0);
    BuildOutputs(grid);
    page->addLayout(grid);

    CountsLabel = Named(new QLabel(this), "CountsLabel");
    RejectionLabel = Named(new QLabel(this), "RejectionLabel");
    RejectionLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    NoticeLabel = Named(new QLabel(this), "NoticeLabel");
    NoticeLabel->setWordWrap(true);
    page->addWidget(CountsLabel);
    page->addWidget(RejectionLabel);
    page->addWidget(NoticeLabel);
    page->addStretch();

    connect(PowerCycleButton, &QPushButton::clicked, this, [this] { Simulator.powerCycle(); });
    connect(&Simulator, &sim::BuiltInSimulator::changed, this, &SimulatorPage::Refresh);
    Refresh();
}

void SimulatorPage::BuildOutputs(QGridLayout *grid)
{
    // Two columns of sixteen, like the editor's own pages: output number, controller, level.
    constexpr int Rows = OutputCount / 2;
    for (int i = 0; i < OutputCount; ++i) {
        const int row = i % Rows;
        const int column = (i / Rows) * 4;
        auto *number = new QLabel(QString::number(i + 1), this);
        number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        QFont bold = number->font();
        bold.setBold(true);
        number->setFont(bold);
        ControllerNames[i] = new QLabel(this);
        ControllerNames[i]->setObjectName(QStringLiteral("ControllerName%1").arg(i + 1));
        LevelValues[i] = new QLabel(this);
        LevelValues[i]->setObjectName(QStringLiteral("LevelValue%1").arg(i + 1));
        LevelValues[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        LevelValues[i]->setMinimumWidth(LevelValues[i]->fontMetrics().horizontalAdvance("000"));
        grid->addWidget(number, row, column);
        grid->addWidget(ControllerNames[i], row, column + 1);
        grid->addWidget(LevelValues[i], row, column + 2);
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(5, 1);
    grid->setColumnMinimumWidth(3, 10);
}

void SimulatorPage::Refresh()
{
    const sim::BoxState &state = Simulator.state();
    ChannelLabel->setText(QStringLiteral("Channel %1").arg(state.working.channel + 1));
    FlashLabel->setText(state.flashMatches() ? "Flash matches the working set-up"
                                             : "Flash differs from the working set-up");
    KesselLabel->setText(QStringLiteral("Kessel: input %1, merge %2")
                             .arg(state.kessel.input)
                             .arg(state.kessel.merge ? "on" : "off"));

    std::array<quint8, OutputCount> bars{};
    QStringList levels;
    for (int i = 0; i < OutputCount; ++i) {
        ControllerNames[i]->setText(ControllerName(state.working.controllers[i]));
        LevelValues[i]->setText(QString::number(state.levels[i]));
        bars[i] = quint8(state.levels[i] * 2);
        levels << QString::number(state.levels[i]);
    }
    // A screen reader reads the levels themselves, not the bars drawn twice as high.
    Levels->setAccessibleDescription(levels.join(", "));
    Levels->SetValues(bars);

    CountsLabel->setText(
        QStringLiteral("Accepted %1, rejected %2").arg(state.accepted).arg(state.rejected));
    RejectionLabel->setText(state.lastRejection ? QStringLiteral("Last rejection: %1")
                                                      .arg(QString::fromStdString(
                                                          sim::rejectionText(*state.lastRejection)))
                                                : QStringLiteral("Last rejection: none"));

    QStringList notices;
    if (Simulator.lostMessages())
        notices << QStringLiteral("%1 messages lost: the simulator could not keep up")
                       .arg(Simulator.lostMessages());
    if (!Simulator.flashFileError().isEmpty())
        notices << QStringLiteral("Flash file: %1").arg(Simulator.flashFileError());
    NoticeLabel->setText(notices.join('\n'));
    NoticeLabel->setVisible(!notices.isEmpty());
}

SimulatorPage *AddSimulatorPage(QTabWidget &pages, sim::BuiltInSimulator &simulator)
{
    auto *page = new SimulatorPage(simulator, &pages);
    pages.addTab(page, "Simulator");
    return page;
}
