#pragma once
// "Library": the presets saved in a folder, listed with their names, labels and dates, narrowed
// by what the user types, and picked to be loaded into the current preset, compared with it or
// sent to the box. The dialog does none of that itself: it hands the preset and its file to the
// window's hooks, which load, compare and send as they do for a preset file opened, and own the
// file dialogs.
//
// Non-modal: it stays open beside the window. Every shown, and on Refresh (F5), it reads its
// folder again in the background, the list usable meanwhile. All of it is reached from the
// keyboard: the filter first, Down to the list (Up from its first row goes back), Enter in the
// list loads, Escape empties the filter before it closes the dialog.
//
// GUI thread only.
#include "converter/LibraryModel.h"

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

class LibraryDialog : public QDialog
{
    Q_OBJECT

public:
    struct Hooks
    {
        // Each gets the preset picked and its file's path.
        using Act = std::function<void(const preset_text::Preset &preset, const QString &source)>;
        Act load;
        Act compare;
        Act send;
        // Asks for another folder, starting at current; nothing when the user cancels.
        std::function<std::optional<QString>(const QString &current)> chooseFolder;
        // The user chose folder (the window keeps it for the next time).
        std::function<void(const QString &folder)> folderChanged;
    };

    LibraryDialog(QWidget *parent, const QString &folder, Hooks hooks);

    // Lists folder's presets from now on (read at once when the dialog is shown, else when it
    // is next shown). The folderChanged hook is not told: it is for the user's choices.
    void SetFolder(const QString &folder);
    const QString &Folder() const { return FolderPath; }
    // Reads the folder again.
    void Refresh();
    // The entry of the row selected; null when none is. Valid until the rows change.
    const LibraryEntry *Selected() const;

    LibraryModel *Model = nullptr;
    QLabel *FolderLabel = nullptr;
    QPushButton *ChooseFolder = nullptr;
    QPushButton *RefreshButton = nullptr;
    QLineEdit *Filter = nullptr;
    QTableView *Table = nullptr;
    QLabel *Status = nullptr; // how many presets are listed, and how many files were left out
    QPushButton *Load = nullptr;
    QPushButton *Compare = nullptr;
    QPushButton *Send = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Build();
    void Describe();
    void Connect();
    void Act(const Hooks::Act &hook);
    void SelectRow(int row);
    void ShowState();

    Hooks Do;
    QString FolderPath;
    QString KeptPath; // the file selected while the rows are replaced
};
