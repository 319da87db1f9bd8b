#include "converter/SysexFile.h"

#include <QFileInfo>
#include <algorithm>

namespace protocol {

namespace {

constexpr std::uint8_t SysexStart = 0xF0;
constexpr std::uint8_t SysexEnd = 0xF7;

QByteArray Bytes(const ParameterMessage &message)
{
    return QByteArray(reinterpret_cast<const char *>(message.data()), qsizetype(message.size()));
}

std::uint8_t At(QByteArrayView bytes, qsizetype i)
{
    return static_cast<std::uint8_t>(bytes[i]);
}

QString Hex(std::uint8_t byte)
{
    return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

bool IsOutputParameter(int parameter)
{
    return parameter >= FirstOutputParameter && parameter < FirstOutputParameter + OutputCount;
}

} // namespace

int PresetChannel(std::uint8_t byte)
{
    return std::min<int>(byte, 15);
}

std::vector<QByteArray> TransferMessages(int channel, Controllers controllers, bool flash)
{
    std::vector<QByteArray> messages;
    for (int i = 0; i < OutputCount; ++i)
        messages.push_back(
            Bytes(MakeParameterMessage(channel, FirstOutputParameter + i, controllers[i])));
    if (flash)
        messages.push_back(
            Bytes(MakeParameterMessage(channel, WriteFlashParameter, WriteFlashValue)));
    return messages;
}

QByteArray PresetSysex(int channel, Controllers controllers, bool flash)
{
    QByteArray file;
    for (const QByteArray &message : TransferMessages(channel, controllers, flash))
        file += message;
    return file;
}

std::uint32_t PauseAfter(QByteArrayView message)
{
    const std::optional<ParameterFields> fields = ReadParameterMessage(message);
    return fields && fields->parameter == WriteFlashParameter ? PauseAfterFlashMs
                                                              : PauseAfterParameterMs;
}

std::optional<ParameterFields> ReadParameterMessage(QByteArrayView message)
{
    if (message.size() != qsizetype(ParameterMessage().size()) || At(message, 0) != SysexStart ||
        At(message, 1) != 0x70 || At(message, 2) != 0x7E || At(message, 7) != SysexEnd)
        return std::nullopt;
    const int channel = At(message, 3), high = At(message, 5), low = At(message, 6);
    // The converter takes only what its own messages can carry.
    if (channel > 0x0F || high > 0x0F || low > 0x0F)
        return std::nullopt;
    return ParameterFields{channel, At(message, 4), high << 4 | low};
}

bool IsSysexFileName(const QString &path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("syx"), Qt::CaseInsensitive) == 0;
}

SysexMessages SplitSysex(QByteArrayView file)
{
    SysexMessages split;
    if (!file.contains(char(SysexStart))) {
        split.fault = SysexFault::NoSysex;
        return split;
    }
    for (qsizetype at = 0; at < file.size();) {
        const qsizetype start = at;
        const auto fail = [&](SysexFault fault) {
            split.fault = fault;
            split.messageAt = start;
            split.byteAt = at;
            split.messages.clear();
            return split;
        };
        if (At(file, at) != SysexStart)
            return fail(SysexFault::OutsideMessage);
        for (++at; at < file.size() && At(file, at) < 0x80; ++at) {
        }
        if (at == file.size())
            return fail(SysexFault::CutShort);
        if (At(file, at) != SysexEnd)
            return fail(SysexFault::NotADataByte);
        ++at;
        split.messages.push_back(file.sliced(start, at - start).toByteArray());
    }
    return split;
}

QString SysexFaultText(const SysexMessages &split, QByteArrayView file)
{
    switch (split.fault) {
    case SysexFault::None:
        return {};
    case SysexFault::NoSysex:
        return QStringLiteral("The file holds no SysEx message.");
    case SysexFault::CutShort:
        return QStringLiteral("The SysEx message at offset %1 is cut short: the file ends "
                              "before its closing F7.")
            .arg(split.messageAt);
    case SysexFault::NotADataByte:
        return QStringLiteral("The SysEx message at offset %1 holds the byte %2 at offset %3; "
                              "only bytes 00 to 7F may stand inside a message.")
            .arg(split.messageAt)
            .arg(Hex(At(file, split.byteAt)))
            .arg(split.byteAt);
    case SysexFault::OutsideMessage:
        return QStringLiteral("The byte %1 at offset %2 stands outside any SysEx message "
                              "(each starts with F0 and ends with F7).")
            .arg(Hex(At(file, split.byteAt)))
            .arg(split.byteAt);
    }
    return {};
}

SysexImport ImportSysex(QByteArrayView file, PresetBytes &preset)
{
    SysexImport import;
    import.split = SplitSysex(file);
    if (import.split.fault != SysexFault::None)
        return import;
    PresetBytes result = preset;
    for (const QByteArray &message : import.split.messages) {
        const std::optional<ParameterFields> fields = ReadParameterMessage(message);
        const bool forThePreset = fields && (fields->parameter == ChannelParameter ||
                                             IsOutputParameter(fields->parameter));
        // A converter listening on another channel would not hear it.
        if (!forThePreset || (import.channel && *import.channel != fields->channel)) {
            ++import.skipped;
            continue;
        }
        ++import.applied;
        import.channel = fields->channel;
        if (fields->parameter == ChannelParameter)
            import.channel = fields->value & 0x0F;
        else
            result[fields->parameter - FirstOutputParameter] = std::uint8_t(fields->value);
    }
    if (import.channel)
        result[PresetChannelByte] = std::uint8_t(*import.channel);
    preset = result;
    return import;
}

QString SkippedNote(const SysexImport &import)
{
    return QStringLiteral("Skipped %1 of %2 messages: they set nothing in the preset.")
        .arg(import.skipped)
        .arg(import.applied + import.skipped);
}

} // namespace protocol
