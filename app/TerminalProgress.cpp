#include "app/TerminalProgress.h"

#include <unistd.h>

TerminalProgress::TerminalProgress(std::FILE *out, bool terminal, const QString &port)
    : Out(out), Terminal(terminal), Port(port.toLocal8Bit())
{
}

bool TerminalProgress::IsTerminal(std::FILE *out)
{
    return ::isatty(::fileno(out)) == 1;
}

void TerminalProgress::Started(int) {}

void TerminalProgress::Sent(int sent, int total)
{
    if (Terminal) {
        std::fprintf(Out, "\rSending to %s: %d/%d", Port.constData(), sent, total);
        LineOpen = true;
    } else {
        std::fprintf(Out, "sent %d/%d\n", sent, total);
    }
    // Each step is shown while its pause runs, not when the buffer happens to fill.
    std::fflush(Out);
}

void TerminalProgress::Finished()
{
    if (LineOpen)
        std::fputc('\n', Out);
    LineOpen = false;
    std::fflush(Out);
}
