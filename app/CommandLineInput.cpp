#include "app/CommandLineInput.h"

#include "app/BankNamesFile.h"
#include "app/InputFile.h"
#include "app/PresetBank.h"
#include "converter/MessageMeaning.h"
#include "converter/SysexFile.h"

namespace command_line {

[[noreturn]] void Fail(Exit code, const QString &text)
{
    throw Failure{code, text};
}

QByteArray ReadFile(const QString &path, qint64 limit, input_file::Beyond beyond)
{
    const input_file::Contents contents = input_file::Read(path, limit, beyond);
    if (contents.fault != input_file::Fault::None)
        Fail(BadFile, path + ": " + contents.error);
    return contents.bytes;
}

// Preset n (1..4) of a parameter file (one preset) or bank file (four), with the names kept
// beside it; or the preset of a .tvp file with its own.
preset_text::Preset ReadPreset(const QString &path, int n)
{
    if (preset_text::IsPresetTextFileName(path)) {
        if (n != 1)
            Fail(BadFile, QStringLiteral("%1: holds no preset %2 (a preset file with names holds "
                                         "one)")
                              .arg(path)
                              .arg(n));
        std::variant<preset_text::Preset, QString> read =
            preset_text::Read(ReadFile(path, input_file::SysexLimit, input_file::Beyond::Refused));
        if (const QString *refusal = std::get_if<QString>(&read))
            Fail(BadFile, path + ": " + *refusal);
        return std::get<preset_text::Preset>(std::move(read));
    }
    const QByteArray bytes = ReadFile(path, TPresetBank::BankFileSize, input_file::Beyond::Unread);
    if (bytes.size() < n * protocol::PresetSize)
        Fail(BadFile, QStringLiteral("%1: holds no preset %2 (%3 bytes; a parameter file has %4, "
                                     "a bank file %5)")
                          .arg(path)
                          .arg(n)
                          .arg(bytes.size())
                          .arg(protocol::PresetSize)
                          .arg(TPresetBank::BankFileSize));
    preset_text::Preset preset;
    std::copy_n(bytes.constData() + (n - 1) * protocol::PresetSize, preset.bytes.size(),
                preset.bytes.begin());
    preset.names = BankNamesFile().Load(path)[std::size_t(n - 1)];
    return preset;
}

std::vector<QByteArray> PresetMessages(const preset_text::Preset &preset, bool flash)
{
    const protocol::PresetBytes &bytes = preset.bytes;
    return protocol::TransferMessages(protocol::PresetChannel(bytes[protocol::PresetChannelByte]),
                                      protocol::Controllers(bytes.data(), protocol::OutputCount),
                                      flash);
}

// What each message to a labelled output does, naming the label; empty for any other message.
std::vector<QString> Meanings(const std::vector<QByteArray> &messages, const PresetNames &names)
{
    std::vector<QString> meanings;
    if (names.Empty())
        return meanings;
    const protocol::OutputLabels labelOf = [&names](int output) {
        return names.labels[std::size_t(output)];
    };
    for (const QByteArray &message : messages) {
        const std::span bytes(reinterpret_cast<const std::uint8_t *>(message.constData()),
                              std::size_t(message.size()));
        const QString labelled = protocol::Meaning(bytes, bytes.size(), labelOf);
        meanings.push_back(labelled == protocol::Meaning(bytes, bytes.size()) ? QString()
                                                                              : labelled);
    }
    return meanings;
}

// A .syx file's messages as they stand; --flash adds the command on the channel the file's
// converter messages leave the box on.
std::vector<QByteArray> SysexMessages(const QString &path, bool withFlash)
{
    const QByteArray file = ReadFile(path, input_file::SysexLimit, input_file::Beyond::Refused);
    protocol::PresetBytes scratch{};
    const protocol::SysexImport import = protocol::ImportSysex(file, scratch);
    if (import.split.fault != protocol::SysexFault::None)
        Fail(BadFile, path + ": " + protocol::SysexFaultText(import.split, file));
    std::vector<QByteArray> messages = import.split.messages;
    for (const QByteArray &message : messages)
        if (message.size() > 0xFFFF)
            Fail(BadFile, QStringLiteral("%1: a message of %2 bytes is longer than a MIDI "
                                         "output takes at once (65535)")
                              .arg(path)
                              .arg(message.size()));
    if (withFlash) {
        if (!import.channel)
            Fail(BadFile, path + ": no Torvane message tells the channel to write to "
                                 "flash on");
        const protocol::ParameterMessage flash = protocol::MakeParameterMessage(
            *import.channel, protocol::WriteFlashParameter, protocol::WriteFlashValue);
        messages.emplace_back(reinterpret_cast<const char *>(flash.data()),
                              qsizetype(flash.size()));
    }
    return messages;
}

} // namespace command_line
