#include "app/FileDialogs.h"

#include <QFileDialog>
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
    if (!dialog.FileName.isEmpty())
        box.selectFile(dialog.FileName);
    if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty())
        return false;
    dialog.FileName = box.selectedFiles().constFirst();
    dialog.FilterIndex = filters.indexOf(box.selectedNameFilter()) + 1;
    return true;
}
