#pragma once
// The preset library from the window: "Library..." (Ctrl+B) on the "Config" page opens the
// library on the folder the settings keep; a preset picked there is loaded into the current
// preset (one edit, undone like a file loaded), compared with it, or sent to the box as a
// transfer, as the page does for a preset file.
//
// GUI thread only. The page must outlive the commands.
#include <QObject>

class AssignmentPage;
class LibraryDialog;
class QAction;
class QToolButton;
class QWidget;

class LibraryCommands : public QObject
{
    Q_OBJECT

public:
    // The action goes on sheet, the page's sheet; the dialog belongs to window.
    LibraryCommands(AssignmentPage &page, QWidget &sheet, QWidget &window);

    void Open();

    QAction *OpenAction = nullptr;
    QToolButton *OpenButton = nullptr; // on the page's toolbar
    LibraryDialog *Dialog = nullptr;   // made when first opened

private:
    void Make();

    AssignmentPage &Page;
    QWidget &Window;
};
