#include "app/MonitorPage.h"

#include "app/FileDialogs.h"
#include "app/MessageBoxes.h"
#include "converter/InputReader.h"
#include "converter/MonitorLog.h"
#include "converter/MonitorModel.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QSaveFile>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// Each line as plain text in its cell, with no style primitives, shaping or elision per cell:
// during a flood the view repaints 30 times a second, and the toolkit's own delegate costs
// several times more per cell than the text itself.
class PlainCells : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        if (selected)
            painter->fillRect(option.rect, option.palette.highlight());
        painter->setPen(
            option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        const QVariant font = index.data(Qt::FontRole);
        painter->setFont(font.isValid() ? font.value<QFont>() : option.font);
        const QVariant align = index.data(Qt::TextAlignmentRole);
        const int flags = align.isValid() ? align.toInt() : int(Qt::AlignLeft | Qt::AlignVCenter);
        painter->drawText(option.rect.adjusted(3, 0, -3, 0), flags | Qt::TextSingleLine,
                          index.data(Qt::DisplayRole).toString());
    }
};

constexpr int RefreshIntervalMs =
    (1000 + MonitorPage::MaxRefreshesPerSecond - 1) / MonitorPage::MaxRefreshesPerSecond;

template <typename Control> Control *Named(Control *control, const char *name)
{
    control->setObjectName(name);
    return control;
}

} // namespace

MonitorPage::MonitorPage(MonitorLog &log, const InputReader &input, FileDialogs &dialogs,
                         QWidget *parent)
    : QWidget(parent), log_(log), input_(input), dialogs_(dialogs)
{
    setObjectName("MonitorPage");
    auto *page = new QVBoxLayout(this);
    page->setContentsMargins(6, 6, 6, 6);
    page->setSpacing(4);
    BuildFilters();
    auto *bar = new QHBoxLayout;
    for (QWidget *control : std::initializer_list<QWidget *>{
             DirectionFilter, KindFilter, ChannelFilter, PauseButton, ClearButton, SaveButton})
        bar->addWidget(control);
    bar->addStretch();
    page->addLayout(bar);

    Model = new MonitorModel(log_, this);
    Lines = Named(new QTreeView(this), "Lines");
    Lines->setAccessibleName(tr("Messages"));
    Lines->setModel(Model);
    Lines->setItemDelegate(new PlainCells(Lines));
    Lines->setRootIsDecorated(false);
    Lines->setItemsExpandable(false);
    Lines->setUniformRowHeights(true);
    Lines->setAllColumnsShowFocus(true);
    Lines->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Lines->header()->setStretchLastSection(true);
    // Room for the converter's 8-byte message; the meaning takes the rest.
    Lines->setColumnWidth(MonitorModel::TimeColumn, 48);
    Lines->setColumnWidth(MonitorModel::DirectionColumn, 30);
    Lines->setColumnWidth(MonitorModel::ChannelColumn, 26);
    Lines->setColumnWidth(MonitorModel::BytesColumn, 156);
    page->addWidget(Lines, 1);

    StatusLabel = Named(new QLabel(this), "StatusLabel");
    page->addWidget(StatusLabel);

    refreshTimer_.setSingleShot(true);
    connect(&refreshTimer_, &QTimer::timeout, this, &MonitorPage::Refresh);
    // Either may go first: the window destroys its members (the log) before its children.
    log_.SetListener([page = QPointer<MonitorPage>(this)] {
        if (page)
            page->ScheduleRefresh();
    });
    ShowStatus();
}

void MonitorPage::BuildFilters()
{
    DirectionFilter = Named(new QComboBox(this), "DirectionFilter");
    DirectionFilter->addItem(tr("In + out"));
    DirectionFilter->addItem(tr("In"), int(Direction::In));
    DirectionFilter->addItem(tr("Out"), int(Direction::Out));

    using protocol::MessageKind;
    KindFilter = Named(new QComboBox(this), "KindFilter");
    KindFilter->addItem(tr("All kinds"));
    KindFilter->addItem(tr("Notes"), int(MessageKind::Note));
    KindFilter->addItem(tr("Control Change"), int(MessageKind::ControlChange));
    KindFilter->addItem(tr("Program Change"), int(MessageKind::ProgramChange));
    KindFilter->addItem(tr("Converter"), int(MessageKind::Converter));
    KindFilter->addItem(tr("Other SysEx"), int(MessageKind::Sysex));
    KindFilter->addItem(tr("Other"), int(MessageKind::Other));

    ChannelFilter = Named(new QComboBox(this), "ChannelFilter");
    ChannelFilter->addItem(tr("All ch."));
    for (int channel = 0; channel < 16; ++channel)
        ChannelFilter->addItem(tr("Ch %1").arg(channel + 1), channel);

    DirectionFilter->setAccessibleName(tr("Direction filter"));
    KindFilter->setAccessibleName(tr("Kind filter"));
    ChannelFilter->setAccessibleName(tr("Channel filter"));
    for (QComboBox *filter : {DirectionFilter, KindFilter, ChannelFilter}) {
        filter->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        connect(filter, &QComboBox::currentIndexChanged, this, &MonitorPage::ApplyFilter);
    }

    PauseButton = Named(new QToolButton(this), "PauseButton");
    PauseButton->setText(tr("Pause"));
    PauseButton->setCheckable(true);
    connect(PauseButton, &QToolButton::toggled, this, [this](bool paused) {
        log_.SetPaused(paused);
        ShowStatus();
    });
    ClearButton = Named(new QToolButton(this), "ClearButton");
    ClearButton->setText(tr("Clear"));
    connect(ClearButton, &QToolButton::clicked, this, [this] {
        log_.Clear();
        Refresh();
    });
    SaveButton = Named(new QToolButton(this), "SaveButton");
    SaveButton->setText(tr("Save as text\u2026"));
    connect(SaveButton, &QToolButton::clicked, this, &MonitorPage::SaveAsText);
}

void MonitorPage::ApplyFilter()
{
    MonitorFilter filter;
    if (const QVariant direction = DirectionFilter->currentData(); direction.isValid())
        filter.direction = Direction(direction.toInt());
    if (const QVariant kind = KindFilter->currentData(); kind.isValid())
        filter.kind = protocol::MessageKind(kind.toInt());
    if (const QVariant channel = ChannelFilter->currentData(); channel.isValid())
        filter.channel = channel.toInt();
    Model->SetFilter(filter);
    Lines->scrollToBottom();
    ShowStatus();
}

void MonitorPage::ScheduleRefresh()
{
    // Called for every message: it must stay cheap. A hidden page catches up when shown.
    if (refreshTimer_.isActive() || !isVisible())
        return;
    const qint64 since = sinceRefresh_.isValid() ? sinceRefresh_.elapsed() : RefreshIntervalMs;
    refreshTimer_.start(int(std::max<qint64>(0, RefreshIntervalMs - since)));
}

void MonitorPage::Refresh()
{
    refreshTimer_.stop();
    const QScrollBar *scroll = Lines->verticalScrollBar();
    // Follows the newest line unless the user scrolled up to read.
    const bool following = scroll->value() == scroll->maximum();
    Model->Refresh();
    if (following)
        Lines->scrollToBottom();
    ShowStatus();
    sinceRefresh_.start();
    ++refreshes_;
}

void MonitorPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    Refresh();
}

void MonitorPage::ShowStatus()
{
    const auto count = [](std::uint64_t n, const QString &one, const QString &many) {
        return n == 1 ? one : many.arg(n);
    };
    QStringList parts{count(Model->rowCount(), tr("1 line"), tr("%1 lines"))};
    if (input_.Lost() > 0)
        parts << count(input_.Lost(), tr("1 received message lost"),
                       tr("%1 received messages lost")) +
                     tr(": the input could not keep up");
    if (log_.Paused())
        parts << tr("paused, ") + count(log_.Skipped(), tr("1 message"), tr("%1 messages")) +
                     tr(" not kept");
    StatusLabel->setText(parts.join(QStringLiteral(" \u00B7 ")));
}

void MonitorPage::SaveAsText()
{
    TFileDialog dialog =
        TFileDialog::Make(TFileDialog::Save, "Text files (*.txt)|*.txt|All Files (*.*)|*.*");
    dialog.Title = tr("Save MIDI Monitor Lines");
    if (!dialogs_.Execute(dialog, this))
        return;
    Refresh();
    QSaveFile file(dialog.FileName);
    if (file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        QStringList titles;
        for (int column = 0; column < MonitorModel::ColumnCount; ++column)
            titles << Model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        QByteArray text = titles.join(QLatin1Char('\t')).toUtf8() + '\n';
        for (int row = 0; row < Model->rowCount(); ++row)
            text += Model->RowText(row).toUtf8() + '\n';
        file.write(text);
        if (file.commit())
            return;
    }
    ShowErrorBox("Write File Error - Abort Saving", "File Error");
}

MonitorPage *AddMonitorPage(QTabWidget &pages, MonitorLog &log, const InputReader &input,
                            FileDialogs &dialogs)
{
    auto *page = new MonitorPage(log, input, dialogs, &pages);
    pages.addTab(page, "Monitor");
    return page;
}
