#pragma once
// Every modal message box of the editor goes through ShowMessage, so that tests can answer
// and record the boxes instead of blocking on them. The answer of a box is never used.
#include <QMessageBox>
#include <QString>
#include <functional>

struct MessageRequest
{
    QString text;
    QString caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
};

using MessageSink = std::function<void(const MessageRequest &)>;

// Shows a modal box parented to the active window (or records it, see SetMessageSink).
void ShowMessage(const MessageRequest &request);

// The error box used by the editor's own fixed failures: the text, the caption, the error
// icon and an OK button.
void ShowErrorBox(const QString &text, const QString &caption);

// Replaces where messages go; an empty sink restores the real modal boxes.
// Returns the previous sink.
MessageSink SetMessageSink(MessageSink sink);
