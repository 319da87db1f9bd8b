#pragma once
// What the command line reads and says of it: the preset of a parameter or bank file (.TVN)
// with the names kept beside it, or of a preset file with names (.tvp); a .syx file's messages;
// and, for people, what each message to a labelled output does. A file that cannot be used
// ends the run: Fail throws a Failure with the exit code and the sentence to print.
#include "app/CommandLine.h"
#include "app/InputFile.h"
#include "converter/PresetText.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace command_line {

struct Failure
{
    Exit code;
    QString text;
};
[[noreturn]] void Fail(Exit code, const QString &text);

// The file's bytes, up to limit; a file that cannot be read fails the run (BadFile).
QByteArray ReadFile(const QString &path, qint64 limit, input_file::Beyond beyond);
// Preset n (1..4) of a parameter file (one preset) or bank file (four), with the names kept
// beside it; or the preset of a .tvp file (n 1) with its own.
preset_text::Preset ReadPreset(const QString &path, int n);
// The transfer of preset on its channel, with the write-to-flash command after it when asked.
std::vector<QByteArray> PresetMessages(const preset_text::Preset &preset, bool flash);
// A .syx file's messages as they stand; withFlash adds the command on the channel the file's
// converter messages leave the box on.
std::vector<QByteArray> SysexMessages(const QString &path, bool withFlash);
// What each message to a labelled output does, naming the label; empty for any other message,
// and no meanings at all for a preset without names.
std::vector<QString> Meanings(const std::vector<QByteArray> &messages, const PresetNames &names);

} // namespace command_line
