// The MIDI monitor's record and its table: what is kept (the last 10,000 lines, the start of a
// long message), Pause and Clear, the filters, and a table that follows the record a burst at
// a time yet always shows exactly the kept lines that pass the filter.
#include "converter/MonitorModel.h"
#include "support/Printing.h"

#include <QSignalSpy>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void Record(MonitorLog &log, Direction direction, const Bytes &bytes)
{
    log.Record(direction, bytes);
}

QStringList Column(const MonitorModel &model, int column)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.data(model.index(row, column), Qt::DisplayRole).toString();
    return texts;
}

// The kept lines that pass the filter, worked out from scratch.
QStringList Expected(const MonitorLog &log, const MonitorFilter &filter)
{
    QStringList texts;
    for (std::uint64_t n = log.FirstKept(); n < log.End(); ++n)
        if (filter.Accepts(log.Line(n)))
            texts << MonitorModel::Text(log.Line(n), MonitorModel::BytesColumn);
    return texts;
}

TEST(MonitorLog, KeepsTheLastTenThousandAndTheStartOfALongMessage)
{
    MonitorLog log;
    int told = 0;
    log.SetListener([&] { ++told; });
    for (int i = 0; i < 10'005; ++i)
        Record(log, Direction::In, {0xB0, std::uint8_t(i & 0x7F), std::uint8_t(i >> 7 & 0x7F)});
    EXPECT_EQ(told, 10'005);
    EXPECT_EQ(log.End(), 10'005u);
    EXPECT_EQ(log.FirstKept(), 5u);
    EXPECT_EQ(Hex(log.Line(5).Bytes()), "B0 05 00");
    EXPECT_EQ(Hex(log.Line(10'004).Bytes()), "B0 14 4E");

    Bytes sysex(100, 0x11);
    sysex.front() = 0xF0;
    sysex.back() = 0xF7;
    Record(log, Direction::Out, sysex);
    const MonitorLine &line = log.Line(log.End() - 1);
    EXPECT_EQ(line.size, 100u);
    EXPECT_EQ(line.kept, MonitorLine::KeptBytes);
    EXPECT_EQ(line.direction, Direction::Out);
    EXPECT_EQ(
        MonitorModel::Text(line, MonitorModel::BytesColumn),
        QString::fromUtf8("F0 11 11 11 11 11 11 11 11 11 11 11 11 11 11 11 11 11 11 11 \u2026"));
    EXPECT_EQ(MonitorModel::Text(line, MonitorModel::MeaningColumn), "SysEx, 100 bytes");
}

TEST(MonitorLog, PauseCountsWithoutKeepingAndClearForgets)
{
    MonitorLog log;
    Record(log, Direction::In, {0xC0, 0x01});
    log.SetPaused(true);
    Record(log, Direction::In, {0xC0, 0x02});
    Record(log, Direction::Out, {0xC0, 0x03});
    EXPECT_EQ(log.End(), 1u);
    EXPECT_EQ(log.Skipped(), 2u);
    log.SetPaused(false);
    Record(log, Direction::In, {0xC0, 0x04});
    EXPECT_EQ(Hex(log.Line(1).Bytes()), "C0 04");
    log.Clear();
    EXPECT_EQ(log.FirstKept(), log.End());
    MonitorModel model(log);
    EXPECT_EQ(model.rowCount(), 0);
}

TEST(MonitorModel, FiltersByDirectionKindAndChannel)
{
    MonitorLog log;
    Record(log, Direction::Out, {0xF0, 0x70, 0x7E, 0x02, 0x34, 0x04, 0x0A, 0xF7});
    Record(log, Direction::In, {0xF0, 0x70, 0x7E, 0x02, 0x34, 0x04, 0x0A, 0xF7});
    Record(log, Direction::Out, {0xBF, 0x1F, 0x01});
    Record(log, Direction::Out, {0xCF, 0x02});
    Record(log, Direction::In, {0x92, 0x3C, 0x40});
    Record(log, Direction::In, {0xB2, 0x4A, 0x10});
    Record(log, Direction::In, {0xF0, 0x01, 0xF7});
    Record(log, Direction::In, {0xF8});

    using K = protocol::MessageKind;
    struct Case
    {
        const char *name;
        MonitorFilter filter;
        QStringList bytes;
    };
    const QString parameter = "F0 70 7E 02 34 04 0A F7";
    const Case cases[] = {
        {"everything", {}, Expected(log, {})},
        {"out", {Direction::Out, {}, -1}, {parameter, "BF 1F 01", "CF 02"}},
        {"in, channel 3", {Direction::In, {}, 2}, {parameter, "92 3C 40", "B2 4A 10"}},
        {"converter", {{}, K::Converter, -1}, {parameter, parameter}},
        {"control change", {{}, K::ControlChange, -1}, {"BF 1F 01", "B2 4A 10"}},
        {"program change", {{}, K::ProgramChange, -1}, {"CF 02"}},
        {"notes", {{}, K::Note, -1}, {"92 3C 40"}},
        {"other sysex", {{}, K::Sysex, -1}, {"F0 01 F7"}},
        {"other", {{}, K::Other, -1}, {"F8"}},
        {"channel 16", {{}, {}, 15}, {"BF 1F 01", "CF 02"}},
        {"control change on channel 1", {{}, K::ControlChange, 0}, {}},
    };
    MonitorModel model(log);
    EXPECT_EQ(model.rowCount(), 8);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        model.SetFilter(c.filter);
        EXPECT_EQ(Column(model, MonitorModel::BytesColumn), c.bytes);
    }
    model.SetFilter({Direction::Out, {}, -1});
    EXPECT_EQ(model.RowText(0),
              QString::fromUtf8("0\tOut\t3\tF0 70 7E 02 34 04 0A F7\tOutput 5 \u2192 Sound "
                                "Brightness (74)"));
    EXPECT_EQ(Column(model, MonitorModel::ChannelColumn), QStringList({"3", "16", "16"}));
}

TEST(MonitorModel, FollowsTheRecordABurstAtATimeAndAlwaysShowsWhatItKeeps)
{
    MonitorLog log;
    MonitorModel model(log);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);

    // A burst of 100 lines is one insertion, nothing shown before the refresh.
    for (int i = 0; i < 100; ++i)
        Record(log, Direction::In, {0x90, std::uint8_t(i), 0x40});
    EXPECT_EQ(model.rowCount(), 0);
    model.Refresh();
    EXPECT_EQ(model.rowCount(), 100);
    EXPECT_EQ(inserted.count(), 1);

    // With the record full, a small burst drops as many rows at the top in one removal.
    for (int i = 0; i < int(MonitorLog::Capacity) - 100 + 30; ++i)
        Record(log, Direction::In, {0x90, 0x01, 0x40});
    model.Refresh();
    inserted.clear();
    for (int i = 0; i < 10; ++i)
        Record(log, Direction::Out, {0x80, 0x02, 0x40});
    model.Refresh();
    EXPECT_EQ(removed.count(), 1);
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(Column(model, MonitorModel::BytesColumn), Expected(log, {}));
    EXPECT_GE(reset.count(), 1) << "a burst of most of the record starts the view over";

    // Random bursts, filters, clears and pauses: the rows are always exactly what a rebuild
    // from scratch shows.
    std::mt19937 random(15);
    const MonitorFilter filters[] = {{},
                                     {Direction::In, {}, -1},
                                     {{}, protocol::MessageKind::Note, 3},
                                     {Direction::Out, protocol::MessageKind::ControlChange, -1}};
    for (int step = 0; step < 300; ++step) {
        const int burst = random() % 7 == 0 ? int(random() % 12'000) : int(random() % 300);
        for (int i = 0; i < burst; ++i) {
            const std::uint8_t status = std::uint8_t((random() % 2 ? 0x90 : 0xB0) | random() % 5);
            Record(log, random() % 2 ? Direction::In : Direction::Out, {status, 0x07, 0x01});
        }
        if (random() % 29 == 0)
            log.Clear();
        if (random() % 17 == 0)
            model.SetFilter(filters[random() % 4]);
        log.SetPaused(random() % 13 == 0);
        model.Refresh();
        ASSERT_EQ(Column(model, MonitorModel::BytesColumn), Expected(log, model.Filter()))
            << "step " << step;
    }
}

} // namespace
