#include "app/MessageBoxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <utility>

namespace {
MessageSink &CurrentSink()
{
    static MessageSink sink;
    return sink;
}
QuestionSink &CurrentQuestionSink()
{
    static QuestionSink sink;
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

QuestionAnswer AskQuestion(const QuestionRequest &request)
{
    if (const QuestionSink &sink = CurrentQuestionSink())
        return sink(request);
    if (const MessageSink &sink = CurrentSink()) {
        sink(request.message);
        return {request.unattended, false};
    }
    const MessageRequest &message = request.message;
    QMessageBox box(message.icon, message.caption, message.text, message.buttons,
                    QApplication::activeWindow());
    for (const auto &[button, text] : request.buttonTexts)
        if (QAbstractButton *shown = box.button(button))
            shown->setText(text);
    box.setEscapeButton(request.escape);
    auto *again = new QCheckBox(QObject::tr("Do not ask again"));
    box.setCheckBox(again);
    const auto button = QMessageBox::StandardButton(box.exec());
    return {button, again->isChecked()};
}

QuestionSink SetQuestionSink(QuestionSink sink)
{
    return std::exchange(CurrentQuestionSink(), std::move(sink));
}
