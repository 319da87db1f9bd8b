#pragma once
// The "Monitor" page of the main window: every message that came in from the chosen input or
// went out from the editor, one line each (ms since the editor started, direction, channel,
// bytes, meaning), the last 10,000 of them. Filters by direction, kind and channel; Pause
// (messages passing meanwhile are not kept, so the lines on screen stay put); Clear; Save as
// text (the lines shown, tab-separated).
//
// GUI thread only. The lines live in the window's MonitorLog; the page shows them through a
// MonitorModel that it refreshes at most MaxRefreshesPerSecond times a second, each time
// taking in the whole burst since the last one, and not at all while the page is hidden.
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

class FileDialogs;
class InputReader;
class MonitorLog;
class MonitorModel;
class QComboBox;
class QLabel;
class QTabWidget;
class QToolButton;
class QTreeView;

class MonitorPage : public QWidget
{
    Q_OBJECT

public:
    static constexpr int MaxRefreshesPerSecond = 30;

    MonitorPage(MonitorLog &log, const InputReader &input, FileDialogs &dialogs,
                QWidget *parent = nullptr);

    // Shows what the log holds now.
    void Refresh();
    // How many times the lines were refreshed so far.
    int Refreshes() const { return refreshes_; }

    QComboBox *DirectionFilter = nullptr;
    QComboBox *KindFilter = nullptr;
    QComboBox *ChannelFilter = nullptr;
    QToolButton *PauseButton = nullptr; // checked: paused
    QToolButton *ClearButton = nullptr;
    QToolButton *SaveButton = nullptr;
    QTreeView *Lines = nullptr;
    QLabel *StatusLabel = nullptr;
    MonitorModel *Model = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void BuildFilters();
    void ApplyFilter();
    void ScheduleRefresh();
    void ShowStatus();
    void SaveAsText();

    MonitorLog &log_;
    const InputReader &input_;
    FileDialogs &dialogs_;
    QTimer refreshTimer_;
    QElapsedTimer sinceRefresh_;
    int refreshes_ = 0;
};

// Adds the page to the window's pages as the last tab, "Monitor"; the page shown stays the one
// the window chose.
MonitorPage *AddMonitorPage(QTabWidget &pages, MonitorLog &log, const InputReader &input,
                            FileDialogs &dialogs);
