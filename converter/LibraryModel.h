#pragma once
// The library's presets as a table for a view: name, labels and date, one row per entry that
// passes the filter, sorted by any column. It reads its folder on a worker thread (Scan) and
// keeps showing the entries it has until the new ones are all read, then shows them in one
// step; a window stays responsive however many files the folder holds.
//
// The model keeps the rows shown itself, as indices into the entries in the current order,
// rather than going through a proxy model: a filter or a sort is one pass over the entries
// and one reset of the view, with no per-row signals.
//
// GUI thread only; the scan's worker touches nothing of the model, which takes the result from
// its future on the GUI thread.
#include "converter/PresetLibrary.h"

#include <QAbstractTableModel>
#include <QFutureWatcher>
#include <vector>

class LibraryModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { NameColumn, LabelsColumn, DateColumn, ColumnCount };

    explicit LibraryModel(QObject *parent = nullptr);
    // Stops a scan under way before its next file.
    ~LibraryModel() override;

    // Reads folder in the background and shows its entries once they are all read. A scan
    // still under way is dropped.
    void Scan(const QString &folder);
    bool Scanning() const { return Pending; }
    // Shows a scan made elsewhere, at once; drops a scan under way.
    void SetScan(LibraryScan scan);
    // The folder of the entries shown.
    const QString &Folder() const { return Library.folder; }

    // Shows only the entries that pass the filter made of typed (see LibraryFilter).
    void SetFilter(const QString &typed);

    // The entry shown in row (0..rowCount() - 1), until the rows change.
    const LibraryEntry &Entry(int row) const;
    // The row that shows the file at path; -1 when none does.
    int RowOf(const QString &path) const;
    // Every entry read, shown or not.
    int Total() const { return int(Library.entries.size()); }
    const std::vector<UnreadableFile> &Unreadable() const { return Library.unreadable; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

signals:
    // A scan started, or its entries are shown (or it was dropped).
    void ScanningChanged(bool scanning);

private:
    void Show(LibraryScan scan);
    void Order();
    void Filter();
    void SetPending(bool pending);

    LibraryScan Library;
    LibraryFilter Typed;
    int SortColumn = -1; // -1: the scan's order, by path
    Qt::SortOrder SortOrder = Qt::AscendingOrder;
    std::vector<int> Sorted; // every entry, in the order shown
    std::vector<int> Rows;   // those of Sorted that pass the filter
    QFutureWatcher<LibraryScan> Scanner;
    bool Pending = false;
};
