#include "app/MessageBoxes.h"

#include <QApplication>
#include <utility>

namespace {
MessageSink &CurrentSink()
{
    static MessageSink sink;
    return sink;
}
} // namespace

void ShowMessage(const MessageRequest &request)
{
    if (const MessageSink &sink = CurrentSink()) {
        sink(request);
        return;
    }
    QMessageBox box(request.icon, request.caption, request.text, request.buttons,
                    QApplication::activeWindow());
    box.exec();
}

void ShowErrorBox(const QString &text, const QString &caption)
{
    ShowMessage({text, caption, QMessageBox::Critical, QMessageBox::Ok});
}

MessageSink SetMessageSink(MessageSink sink)
{
    return std::exchange(CurrentSink(), std::move(sink));
}
