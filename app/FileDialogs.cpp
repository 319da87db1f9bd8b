#include "app/FileDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

namespace {

// "Text files|*.txt|All|*.*" -> {"Text files (*.txt)", "All (*.*)"}; a description that
// already shows its pattern in brackets is kept as it is.
QStringList NameFilters(const QString &filter)
{
    const QStringList parts = filter.split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        const QString pattern = parts[i + 1].trimmed();
        filters << (description.contains('(') ? description
                                              : QString("%1 (%2)").arg(description, pattern));
    }
    return filters;
}

#if defined(Q_OS_WIN)
// Where a Windows user looks for files: Documents at first (the working folder of a program
// started from the Start menu is its own install folder), then the folder of the file last
// chosen.
QString &StartFolder()
{
    static QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return folder;
}
#endif

} // namespace

bool QtFileDialogs::Execute(TFileDialog &dialog, QWidget *parent)
{
    QFileDialog box(parent, dialog.Title);
    const QStringList filters = NameFilters(dialog.Filter);
    box.setNameFilters(filters);
    if (dialog.FilterIndex >= 1 && dialog.FilterIndex <= filters.size())
        box.selectNameFilter(filters[dialog.FilterIndex - 1]);
    box.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.kind == TFileDialog::Save) {
        box.setAcceptMode(QFileDialog::AcceptSave);
        box.setFileMode(QFileDialog::AnyFile);
    } else {
        box.setAcceptMode(QFileDialog::AcceptOpen);
        box.setFileMode(QFileDialog::AnyFile); // the command itself reports a missing file
    }
#if defined(Q_OS_WIN)
    if (!StartFolder().isEmpty())
        box.setDirectory(StartFolder());
#endif
    if (!dialog.FileName.isEmpty())
        box.selectFile(dialog.FileName);
    if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty())
        return false;
    dialog.FileName = box.selectedFiles().constFirst();
#if defined(Q_OS_WIN)
    StartFolder() = QFileInfo(dialog.FileName).absolutePath();
#endif
    dialog.FilterIndex = filters.indexOf(box.selectedNameFilter()) + 1;
    return true;
}
