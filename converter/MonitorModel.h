#pragma once
// The MIDI monitor's lines as a table for a view: time (ms), direction, channel, bytes and
// meaning. It
// shows the lines of a MonitorLog that pass the filter, and follows the log only when told to
// (Refresh), taking in everything that came and went since the last time in one step, so that
// a view redraws once per burst however many messages it held.
//
// GUI thread only. The rows are line numbers in a fixed ring as large as the log; a row's text
// is made when the view asks for it, for the rows on screen only.
#include "converter/MessageMeaning.h"
#include "converter/MonitorLog.h"

#include <QAbstractTableModel>
#include <optional>
#include <vector>

// Which lines the monitor shows; an empty field lets every line through.
struct MonitorFilter
{
    std::optional<Direction> direction;
    std::optional<protocol::MessageKind> kind;
    int channel = -1; // 0..15; a channel message, or a parameter message on that channel

    bool Accepts(const MonitorLine &line) const;
};

class MonitorModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        TimeColumn,
        DirectionColumn,
        ChannelColumn, // 1..16; empty for a message without a channel
        BytesColumn,
        MeaningColumn,
        ColumnCount
    };

    explicit MonitorModel(const MonitorLog &log, QObject *parent = nullptr);

    // Shows the lines kept that pass filter, at once.
    void SetFilter(const MonitorFilter &filter);
    const MonitorFilter &Filter() const { return filter_; }
    // Drops the rows the log no longer keeps and appends those it gained.
    void Refresh();

    // The line shown in row, as the view shows it, columns separated by tabs.
    QString RowText(int row) const;
    // A column's text; the meaning names the outputs' labels that labelOf gives.
    static QString Text(const MonitorLine &line, int column,
                        const protocol::OutputLabels &labelOf = {});
    // Where the meanings read the outputs' labels (those of the preset shown, read as the rows
    // are painted).
    void SetOutputLabels(protocol::OutputLabels labelOf) { labelOf_ = std::move(labelOf); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const MonitorLine &LineAt(int row) const;
    void Rebuild();

    const MonitorLog &log_;
    MonitorFilter filter_;
    protocol::OutputLabels labelOf_;
    std::vector<std::uint64_t> rows_; // a ring: row r is rows_[(head_ + r) % size]
    std::size_t head_ = 0;
    std::size_t count_ = 0;
    std::uint64_t seen_ = 0; // the log's End() when the rows last followed it
};
