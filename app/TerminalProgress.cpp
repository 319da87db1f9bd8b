#include "app/TerminalProgress.h"

#include <unistd.h>

TerminalProgress::TerminalProgress(std::FILE *out, bool terminal, const QString &port,
                                   std::vector<QString> meanings)
    : Out(out), Terminal(terminal), Port(port.toLocal8Bit()), Meanings(std::move(meanings))
{
}

bool TerminalProgress::IsTerminal(std::FILE *out)
{
    return ::isatty(::fileno(out)) == 1;
}

void TerminalProgress::Started(int) {}

void TerminalProgress::Sent(int sent, int total)
{
    const std::size_t step = std::size_t(sent - 1);
    const QByteArray meaning = step < Meanings.size() && !Meanings[step].isEmpty()
                                   ? " " + Meanings[step].toLocal8Bit()
                                   : QByteArray();
    if (Terminal) {
        // The line is cleared to its end: a shorter meaning follows a longer one.
        std::fprintf(Out, "\rSending to %s: %d/%d%s%s", Port.constData(), sent, total,
                     meaning.constData(), Meanings.empty() ? "" : "\033[K");
        LineOpen = true;
    } else {
        std::fprintf(Out, "sent %d/%d%s\n", sent, total, meaning.constData());
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
