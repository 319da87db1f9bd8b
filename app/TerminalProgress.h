#pragma once
// The command line's view of a transfer. On a terminal one line counts the messages up in place;
// into a pipe or a file, where a rewritten line would be noise, each message gets a line of its
// own. Where the messages' meanings are given, each step names what its message does.
#include "converter/TransferProgress.h"

#include <QString>
#include <cstdio>
#include <vector>

class TerminalProgress final : public TransferProgress
{
public:
    // terminal: whether out is a terminal (see IsTerminal). meanings: one per message, or none.
    TerminalProgress(std::FILE *out, bool terminal, const QString &port,
                     std::vector<QString> meanings = {});
    static bool IsTerminal(std::FILE *out);

    void Started(int total) override;
    void Sent(int sent, int total) override;
    void Finished() override;

private:
    std::FILE *Out;
    bool Terminal;
    QByteArray Port;
    std::vector<QString> Meanings;
    bool LineOpen = false;
};
