#include "converter/MonitorModel.h"

#include <QFontDatabase>
#include <algorithm>

namespace {

// Past this many rows gained and lost at once, the view is told to start over rather than
// be told of each change: cheaper, and a flood scrolls past faster than anyone reads.
constexpr std::size_t ResetAbove = MonitorLog::Capacity / 4;

QString HexBytes(const MonitorLine &line)
{
    static const char Digits[] = "0123456789ABCDEF";
    QString text;
    text.reserve(line.kept * 3 + 2);
    for (std::uint8_t byte : line.Bytes()) {
        if (!text.isEmpty())
            text += QLatin1Char(' ');
        text += QLatin1Char(Digits[byte >> 4]);
        text += QLatin1Char(Digits[byte & 0x0F]);
    }
    if (line.size > line.kept)
        text += QStringLiteral(" \u2026");
    return text;
}

} // namespace

bool MonitorFilter::Accepts(const MonitorLine &line) const
{
    if (direction && line.direction != *direction)
        return false;
    if (!kind && channel < 0)
        return true;
    const protocol::MessageClass what = protocol::Classify(line.Bytes());
    return (!kind || what.kind == *kind) && (channel < 0 || what.channel == channel);
}

MonitorModel::MonitorModel(const MonitorLog &log, QObject *parent)
    : QAbstractTableModel(parent), log_(log), rows_(MonitorLog::Capacity)
{
    Rebuild();
}

void MonitorModel::SetFilter(const MonitorFilter &filter)
{
    beginResetModel();
    filter_ = filter;
    Rebuild();
    endResetModel();
}

void MonitorModel::Rebuild()
{
    head_ = 0;
    count_ = 0;
    for (std::uint64_t n = log_.FirstKept(); n < log_.End(); ++n)
        if (filter_.Accepts(log_.Line(n)))
            rows_[count_++] = n;
    seen_ = log_.End();
}

void MonitorModel::Refresh()
{
    const std::uint64_t first = log_.FirstKept();
    std::size_t gone = 0;
    while (gone < count_ && rows_[(head_ + gone) % rows_.size()] < first)
        ++gone;
    std::size_t gained = 0;
    for (std::uint64_t n = std::max(seen_, first); n < log_.End(); ++n)
        gained += filter_.Accepts(log_.Line(n)) ? 1 : 0;
    if (gone + gained > ResetAbove) {
        beginResetModel();
        Rebuild();
        endResetModel();
        return;
    }
    if (gone > 0) {
        beginRemoveRows({}, 0, int(gone) - 1);
        head_ = (head_ + gone) % rows_.size();
        count_ -= gone;
        endRemoveRows();
    }
    if (gained > 0) {
        beginInsertRows({}, int(count_), int(count_ + gained) - 1);
        for (std::uint64_t n = std::max(seen_, first); n < log_.End(); ++n)
            if (filter_.Accepts(log_.Line(n)))
                rows_[(head_ + count_++) % rows_.size()] = n;
        endInsertRows();
    }
    seen_ = log_.End();
}

const MonitorLine &MonitorModel::LineAt(int row) const
{
    return log_.Line(rows_[(head_ + std::size_t(row)) % rows_.size()]);
}

QString MonitorModel::Text(const MonitorLine &line, int column,
                           const protocol::OutputLabels &labelOf)
{
    switch (column) {
    case TimeColumn:
        return QString::number(line.ms);
    case DirectionColumn:
        return line.direction == Direction::In ? QStringLiteral("In") : QStringLiteral("Out");
    case ChannelColumn: {
        const int channel = protocol::Classify(line.Bytes()).channel;
        return channel < 0 ? QString() : QString::number(channel + 1);
    }
    case BytesColumn:
        return HexBytes(line);
    default:
        return protocol::Meaning(line.Bytes(), line.size, labelOf);
    }
}

QString MonitorModel::RowText(int row) const
{
    const MonitorLine &line = LineAt(row);
    QStringList columns;
    for (int column = 0; column < ColumnCount; ++column)
        columns << Text(line, column, labelOf_);
    return columns.join(QLatin1Char('\t'));
}

int MonitorModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(count_);
}

int MonitorModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant MonitorModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(count_))
        return {};
    if (role == Qt::DisplayRole)
        return Text(LineAt(index.row()), index.column(), labelOf_);
    if (role == Qt::TextAlignmentRole &&
        (index.column() == TimeColumn || index.column() == ChannelColumn))
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::FontRole && index.column() == BytesColumn) {
        // The window's text size: the 8 bytes of a parameter message fit their column.
        static const QFont fixed = [] {
            QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
            font.setPixelSize(11);
            return font;
        }();
        return fixed;
    }
    return {};
}

QVariant MonitorModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char *const Titles[ColumnCount] = {"ms", "Dir", "Ch", "Bytes", "Meaning"};
    return QString::fromLatin1(Titles[section]);
}
