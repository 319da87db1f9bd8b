#include "converter/LibraryModel.h"

#include <QDir>
#include <algorithm>

namespace {

// What names and labels sort by: the text case-folded, each run of digits by its value ("Pad 2"
// before "Pad 10"). A run becomes its length, as a character below any printable one, then its
// digits without leading zeros, so that plain comparison of keys orders the numbers.
QString SortKey(const QString &text)
{
    const QString folded = text.toCaseFolded();
    QString key;
    key.reserve(folded.size() + 8);
    for (qsizetype i = 0; i < folded.size();) {
        if (!folded[i].isDigit()) {
            key += folded[i++];
            continue;
        }
        while (i + 1 < folded.size() && folded[i] == u'0' && folded[i + 1].isDigit())
            ++i;
        qsizetype end = i;
        while (end < folded.size() && folded[end].isDigit())
            ++end;
        key += QChar(char16_t(std::min<qsizetype>(end - i, 31)));
        key += QStringView(folded).mid(i, end - i);
        i = end;
    }
    return key;
}

} // namespace

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
    // The keys are made once, not at each comparison.
    std::vector<QString> keys;
    if (SortColumn != DateColumn) {
        keys.reserve(entries.size());
        for (const LibraryEntry &entry : entries)
            keys.push_back(SortKey(SortColumn == NameColumn ? entry.name : entry.labels));
    }
    // Equal names, labels or dates keep the scan's order, which is the paths'.
    const auto before = [&](int a, int b) {
        if (keys.empty())
            return entries[std::size_t(a)].modified < entries[std::size_t(b)].modified;
        return keys[std::size_t(a)] < keys[std::size_t(b)];
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
