#include "converter/LibraryDialog.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {
// The reasons the status line's tip lists; the rest are only counted.
constexpr int ReasonsShown = 10;

// "1 preset", "5,000 presets": the number in the user's locale.
QString Count(int n, const QString &one, const QString &many)
{
    return n == 1 ? one : many.arg(QLocale().toString(n));
}
} // namespace

LibraryDialog::LibraryDialog(QWidget *parent, const QString &folder, Hooks hooks)
    : QDialog(parent), Do(std::move(hooks))
{
    setObjectName("LibraryDialog");
    setWindowTitle(tr("Library"));
    setModal(false);
    Build();
    Describe();
    Connect();
    SetFolder(folder);
}

void LibraryDialog::Build()
{
    Model = new LibraryModel(this);
    FolderLabel = new QLabel(this);
    FolderLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ChooseFolder = new QPushButton(tr("Choose folder\u2026"), this);
    RefreshButton = new QPushButton(tr("Refresh"), this);
    RefreshButton->setShortcut(Qt::Key_F5);
    RefreshButton->setToolTip(tr("Read the folder again (F5)"));
    Filter = new QLineEdit(this);
    Filter->setPlaceholderText(tr("Filter by name or label"));
    Filter->setClearButtonEnabled(true);
    auto *filterLabel = new QLabel(tr("&Filter:"), this);
    filterLabel->setBuddy(Filter);

    Table = new QTableView(this);
    Table->setModel(Model);
    Table->verticalHeader()->hide();
    // Rows of one height and columns not sized to their contents: nothing measures all rows.
    Table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    Table->setWordWrap(false);
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setSelectionMode(QAbstractItemView::SingleSelection);
    Table->setSortingEnabled(true);
    Table->sortByColumn(LibraryModel::NameColumn, Qt::AscendingOrder);
    QHeaderView *header = Table->horizontalHeader();
    header->resizeSection(LibraryModel::NameColumn, 200);
    header->setSectionResizeMode(LibraryModel::LabelsColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(LibraryModel::DateColumn, QHeaderView::Fixed);
    header->resizeSection(LibraryModel::DateColumn,
                          fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00 00:00")) + 24);

    Status = new QLabel(this);
    Load = new QPushButton(tr("Load"), this);
    Compare = new QPushButton(tr("Compare"), this);
    Send = new QPushButton(tr("Send"), this);
    auto *close = new QPushButton(tr("Close"), this);
    close->setAccessibleName(tr("Close"));
    close->setAccessibleDescription(tr("Closes the library"));
    // Enter in the filter loads the row selected, as Enter in the list does.
    Load->setDefault(true);

    auto *top = new QHBoxLayout;
    top->addWidget(FolderLabel, 1);
    top->addWidget(ChooseFolder);
    top->addWidget(RefreshButton);
    auto *filterRow = new QHBoxLayout;
    filterRow->addWidget(filterLabel);
    filterRow->addWidget(Filter, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(Status, 1);
    bottom->addWidget(Load);
    bottom->addWidget(Compare);
    bottom->addWidget(Send);
    bottom->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(filterRow);
    layout->addWidget(Table, 1);
    layout->addLayout(bottom);
    resize(720, 520);

    setTabOrder(Filter, Table);
    setTabOrder(Table, Load);
    setTabOrder(Load, Compare);
    setTabOrder(Compare, Send);
    setTabOrder(Send, close);
    setTabOrder(close, ChooseFolder);
    setTabOrder(ChooseFolder, RefreshButton);
    Filter->setFocus();
    connect(close, &QPushButton::clicked, this, &QDialog::close);
}

void LibraryDialog::Describe()
{
    FolderLabel->setAccessibleName(tr("Library folder"));
    FolderLabel->setAccessibleDescription(
        tr("The folder whose preset files are listed, its subfolders included"));
    ChooseFolder->setAccessibleName(tr("Choose folder"));
    ChooseFolder->setAccessibleDescription(tr("Lists the presets of another folder"));
    RefreshButton->setAccessibleName(tr("Refresh"));
    RefreshButton->setAccessibleDescription(tr("Reads the folder's preset files again (F5)"));
    Filter->setAccessibleName(tr("Filter"));
    Filter->setAccessibleDescription(
        tr("Lists only the presets whose name, labels, file name or date hold every word typed. "
           "Down arrow moves to the list, Escape empties the filter."));
    Table->setAccessibleName(tr("Presets"));
    Table->setAccessibleDescription(
        tr("The folder's presets with their labels and dates. Enter loads the selected one."));
    Status->setAccessibleName(tr("Library status"));
    Load->setAccessibleName(tr("Load"));
    Load->setAccessibleDescription(tr("Loads the selected preset into the current preset"));
    Compare->setAccessibleName(tr("Compare"));
    Compare->setAccessibleDescription(tr("Compares the selected preset with the current preset"));
    Send->setAccessibleName(tr("Send"));
    Send->setAccessibleDescription(tr("Sends the selected preset to the box"));
}

void LibraryDialog::Connect()
{
    Filter->installEventFilter(this);
    Table->installEventFilter(this);
    connect(Filter, &QLineEdit::textChanged, Model, &LibraryModel::SetFilter);
    connect(Table, &QAbstractItemView::doubleClicked, this, [this] { Act(Do.load); });
    connect(Load, &QPushButton::clicked, this, [this] { Act(Do.load); });
    connect(Compare, &QPushButton::clicked, this, [this] { Act(Do.compare); });
    connect(Send, &QPushButton::clicked, this, [this] { Act(Do.send); });
    connect(RefreshButton, &QPushButton::clicked, this, &LibraryDialog::Refresh);
    connect(ChooseFolder, &QPushButton::clicked, this, [this] {
        if (!Do.chooseFolder)
            return;
        const std::optional<QString> chosen = Do.chooseFolder(FolderPath);
        if (!chosen)
            return;
        if (*chosen == FolderPath)
            return Refresh();
        SetFolder(*chosen);
        if (Do.folderChanged)
            Do.folderChanged(*chosen);
    });

    // Filtering, sorting and reading the folder again replace the rows: the file selected stays
    // selected wherever its row is, as long as it is shown.
    connect(Model, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        const LibraryEntry *selected = Selected();
        KeptPath = selected ? selected->path : QString();
    });
    connect(Model, &QAbstractItemModel::modelReset, this, [this] {
        if (!KeptPath.isEmpty())
            SelectRow(Model->RowOf(KeptPath));
        ShowState();
    });
    connect(Model, &LibraryModel::ScanningChanged, this, &LibraryDialog::ShowState);
    connect(Table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &LibraryDialog::ShowState);
}

void LibraryDialog::SetFolder(const QString &folder)
{
    FolderPath = folder;
    FolderLabel->setText(QDir::toNativeSeparators(folder));
    FolderLabel->setToolTip(FolderLabel->text());
    if (isVisible())
        Refresh();
}

void LibraryDialog::Refresh()
{
    Model->Scan(FolderPath);
}

void LibraryDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Files may have been saved, removed or edited since it was last open.
    Refresh();
}

const LibraryEntry *LibraryDialog::Selected() const
{
    const QModelIndexList rows = Table->selectionModel()->selectedRows();
    return rows.isEmpty() ? nullptr : &Model->Entry(rows.first().row());
}

void LibraryDialog::SelectRow(int row)
{
    if (row < 0 || row >= Model->rowCount())
        return;
    const QModelIndex index = Model->index(row, LibraryModel::NameColumn);
    Table->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                        QItemSelectionModel::Rows);
    Table->scrollTo(index);
}

void LibraryDialog::Act(const Hooks::Act &hook)
{
    // The entry is copied: the hook may well make the window save into the folder, and a scan
    // that ends meanwhile replaces the entries.
    if (const LibraryEntry *selected = Selected(); selected && hook) {
        const LibraryEntry entry = *selected;
        hook(entry.preset, entry.path);
    }
}

bool LibraryDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (watched == Filter && key == Qt::Key_Down && Model->rowCount() > 0) {
        Table->setFocus();
        if (!Selected())
            SelectRow(0);
        return true;
    }
    if (watched == Filter && key == Qt::Key_Escape && !Filter->text().isEmpty()) {
        // The first Escape empties the filter, the next closes the dialog.
        Filter->clear();
        return true;
    }
    if (watched == Table && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
        Act(Do.load);
        return true;
    }
    if (watched == Table && key == Qt::Key_Up && Table->currentIndex().row() <= 0) {
        Filter->setFocus();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void LibraryDialog::ShowState()
{
    const bool selected = Selected() != nullptr;
    for (QPushButton *button : {Load, Compare, Send})
        button->setEnabled(selected);

    const QLocale locale;
    const int total = Model->Total();
    const int shown = Model->rowCount();
    QStringList said;
    if (Model->Scanning())
        said << tr("Reading presets\u2026");
    else if (total == 0)
        said << tr("No presets in this folder");
    else if (shown == total)
        said << Count(total, tr("1 preset"), tr("%1 presets"));
    else
        said << tr("%1 of %2")
                    .arg(locale.toString(shown), Count(total, tr("1 preset"), tr("%1 presets")));
    const std::vector<UnreadableFile> &unreadable = Model->Unreadable();
    const int left = int(unreadable.size());
    if (left > 0 && !Model->Scanning())
        said << Count(left, tr("1 file could not be read"), tr("%1 files could not be read"));
    Status->setText(said.join(QStringLiteral(" \u00B7 ")));

    // Which files were left out and why: in the status line's tip and its description.
    QStringList reasons;
    for (int i = 0; i < left && i < ReasonsShown; ++i)
        reasons << QDir::toNativeSeparators(unreadable[std::size_t(i)].path) + ": " +
                       unreadable[std::size_t(i)].reason;
    if (left > ReasonsShown)
        reasons << tr("and %1 more").arg(locale.toString(left - ReasonsShown));
    Status->setToolTip(reasons.join(QLatin1Char('\n')));
    Status->setAccessibleDescription(Status->text() +
                                     (reasons.isEmpty() ? QString() : ". " + reasons.join(". ")));
}
