#include "converter/LibraryModel.h"

#include <QDir>
#include <algorithm>

LibraryModel::LibraryModel(QObject *parent) : QAbstractTableModel(parent)
{
    connect(&Scanner, &QFutureWatcherBase::finished, this, [this] {
        // Only the scan last started is watched; one replaced meanwhile was cancelled.
        QFuture<LibraryScan> future = Scanner.future();
        if (!Pending || !future.isFinished())
            return;
        if (!future.isCanceled() && future.resultCount() > 0)
            Show(future.takeResult());
        SetPending(false);
    });
}

LibraryModel::~LibraryModel()
{
    if (Pending)
        Scanner.future().cancel();
}

void LibraryModel::Scan(const QString &folder)
{
    if (Pending)
        Scanner.future().cancel();
    Scanner.setFuture(ScanLibraryInBackground(folder));
    SetPending(true);
}

void LibraryModel::SetScan(LibraryScan scan)
{
    if (Pending)
        Scanner.future().cancel();
    Show(std::move(scan));
    SetPending(false);
}

void LibraryModel::SetPending(bool pending)
{
    if (pending == Pending)
        return;
    Pending = pending;
    emit ScanningChanged(pending);
}

void LibraryModel::Show(LibraryScan scan)
{
    beginResetModel();
    Library = std::move(scan);
    Order();
    Filter();
    endResetModel();
}

void LibraryModel::SetFilter(const QString &typed)
{
    beginResetModel();
    Typed = LibraryFilter(typed);
    Filter();
    endResetModel();
}

void LibraryModel::sort(int column, Qt::SortOrder order)
{
    beginResetModel();
    SortColumn = column >= 0 && column < ColumnCount ? column : -1;
    SortOrder = order;
    Order();
    Filter();
    endResetModel();
}

void LibraryModel::Order()
{
    const std::vector<LibraryEntry> &entries = Library.entries;
    Sorted.resize(entries.size());
    for (std::size_t i = 0; i < Sorted.size(); ++i)
        Sorted[i] = int(i);
    if (SortColumn < 0)
        return;
    // Equal names, labels or dates keep the scan's order, which is the paths'.
    const auto before = [&](int a, int b) {
        const LibraryEntry &x = entries[std::size_t(a)];
        const LibraryEntry &y = entries[std::size_t(b)];
        switch (SortColumn) {
        case NameColumn:
            return QString::compare(x.name, y.name, Qt::CaseInsensitive) < 0;
        case LabelsColumn:
            return QString::compare(x.labels, y.labels, Qt::CaseInsensitive) < 0;
        default:
            return x.modified < y.modified;
        }
    };
    if (SortOrder == Qt::AscendingOrder)
        std::stable_sort(Sorted.begin(), Sorted.end(), before);
    else
        std::stable_sort(Sorted.begin(), Sorted.end(), [&](int a, int b) { return before(b, a); });
}

void LibraryModel::Filter()
{
    Rows.clear();
    if (Typed.Empty()) {
        Rows = Sorted;
        return;
    }
    for (int i : Sorted)
        if (Typed.Accepts(Library.entries[std::size_t(i)]))
            Rows.push_back(i);
}

const LibraryEntry &LibraryModel::Entry(int row) const
{
    return Library.entries[std::size_t(Rows.at(std::size_t(row)))];
}

int LibraryModel::RowOf(const QString &path) const
{
    for (std::size_t row = 0; row < Rows.size(); ++row)
        if (Library.entries[std::size_t(Rows[row])].path == path)
            return int(row);
    return -1;
}

int LibraryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(Rows.size());
}

int LibraryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant LibraryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const LibraryEntry &entry = Entry(index.row());
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case NameColumn:
            return entry.name;
        case LabelsColumn:
            return entry.labels;
        case DateColumn:
            return LibraryDateText(entry.modified);
        }
    } else if (role == Qt::ToolTipRole) {
        // The name's tip says where the file is; the labels' shows them whole when cut short.
        if (index.column() == NameColumn)
            return QDir::toNativeSeparators(entry.path);
        if (index.column() == LabelsColumn && !entry.labels.isEmpty())
            return entry.labels;
    }
    return {};
}

QVariant LibraryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case NameColumn:
        return tr("Name");
    case LabelsColumn:
        return tr("Labels");
    case DateColumn:
        return tr("Date");
    }
    return {};
}
