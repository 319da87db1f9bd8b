#pragma once
// Answers every message box the editor shows while it lives, and keeps them for assertions.
#include "app/MessageBoxes.h"

#include <QList>

class MessageRecorder
{
public:
    MessageRecorder()
    {
        Previous = SetMessageSink([this](const MessageRequest &r) { Messages.append(r); });
    }
    ~MessageRecorder() { SetMessageSink(std::move(Previous)); }
    MessageRecorder(const MessageRecorder &) = delete;
    MessageRecorder &operator=(const MessageRecorder &) = delete;

    QList<MessageRequest> Messages;

private:
    MessageSink Previous;
};
