#include "app/LibraryCommands.h"

#include "app/ExceptionReport.h"
#include "app/Settings.h"
#include "converter/AssignmentPage.h"
#include "converter/HandlerGuard.h"
#include "converter/LibraryDialog.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>

LibraryCommands::LibraryCommands(AssignmentPage &page, QWidget &sheet, QWidget &window)
    : QObject(&sheet), Page(page), Window(window)
{
    setObjectName("LibraryCommands");
    OpenAction = new QAction(tr("Library..."), &sheet);
    OpenAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    connect(OpenAction, &QAction::triggered, this, &LibraryCommands::Open);
    sheet.addAction(OpenAction);
    OpenButton = page.ToolbarButton(OpenAction, 76, QStyle::SP_DirOpenIcon);
}

void LibraryCommands::Make()
{
    using Preset = preset_text::Preset;
    Dialog = new LibraryDialog(
        &Window, ReadLibraryFolder(),
        {.load =
             [this](const Preset &preset, const QString &path) {
                 Page.LoadPresetWithNames(preset.bytes, preset.names, QFileInfo(path).fileName());
             },
         .compare =
             [this](const Preset &preset, const QString &path) {
                 Page.CompareWith(
                     {NamedFile(preset.names.name, QFileInfo(path).fileName()), preset.bytes});
             },
         .send =
             [this](const Preset &preset, const QString &) {
                 RunGuarded(&ShowExceptionReport, [&] { Page.SendPreset(preset.bytes); });
             },
         .chooseFolder = [this](const QString &current) -> std::optional<QString> {
             const QString chosen =
                 QFileDialog::getExistingDirectory(Dialog, tr("Library Folder"), current);
             return chosen.isEmpty() ? std::nullopt : std::optional<QString>(chosen);
         },
         .folderChanged = &WriteLibraryFolder});
}

void LibraryCommands::Open()
{
    if (!Dialog)
        Make();
    Dialog->show();
    Dialog->raise();
    Dialog->activateWindow();
}
