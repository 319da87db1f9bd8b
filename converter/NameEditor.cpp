#include "converter/NameEditor.h"

#include "converter/PresetNames.h"

#include <QApplication>
#include <QKeyEvent>

NameEditor::NameEditor(QWidget *parent, std::function<void(QString)> keep)
    : QLineEdit(parent), Keep(std::move(keep))
{
    setObjectName("NameEditor");
    setMaxLength(NameLengthLimit);
    setAttribute(Qt::WA_DeleteOnClose);
    connect(this, &QLineEdit::editingFinished, this, [this] { Finish(true); });
}

NameEditor *NameEditor::Open(QWidget *parent, const QRect &area, const QString &text,
                             const QString &accessibleName, std::function<void(QString)> keep)
{
    auto *editor = new NameEditor(parent, std::move(keep));
    editor->CameFrom = QApplication::focusWidget();
    editor->setAccessibleName(accessibleName);
    editor->setPlaceholderText(accessibleName);
    editor->setText(text);
    editor->selectAll();
    editor->setGeometry(area);
    editor->show();
    editor->raise();
    editor->setFocus(Qt::OtherFocusReason);
    return editor;
}

void NameEditor::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        Finish(false);
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void NameEditor::Finish(bool kept)
{
    // Closing moves the focus away, which finishes the editing a second time.
    if (std::exchange(Finished, true))
        return;
    if (kept)
        Keep(TidyName(text()));
    if (CameFrom)
        CameFrom->setFocus(Qt::OtherFocusReason);
    close();
}
