#pragma once
// Where a paced transfer reports how far it has come: the progress window in the editor, the
// terminal on the command line. One transfer loop (ConverterLink::SendMessages) serves both.
class TransferProgress
{
public:
    // Before the first message.
    virtual void Started(int total) = 0;
    // Message number sent (1..total) has been handed to the port; its pause follows.
    virtual void Sent(int sent, int total) = 0;
    // At the end, also when a failed send ends the transfer early.
    virtual void Finished() = 0;

protected:
    ~TransferProgress() = default;
};
