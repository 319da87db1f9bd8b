#include "converter/MessageMeaning.h"

#include "converter/Protocol.h"

namespace protocol {

namespace {

constexpr std::uint8_t SysexStart = 0xF0;
constexpr std::uint8_t SysexEnd = 0xF7;

bool IsParameterMessage(std::span<const std::uint8_t> bytes)
{
    // The converter's message is exactly 8 bytes; its value nibbles never exceed 0x0F.
    return bytes.size() == 8 && bytes[0] == SysexStart && bytes[1] == 0x70 && bytes[2] == 0x7E &&
           bytes[3] < 0x10 && bytes[4] < 0x80 && bytes[5] < 0x10 && bytes[6] < 0x10 &&
           bytes[7] == SysexEnd;
}

QString NoteName(int note)
{
    static const char *const Names[] = {"C",  "C#", "D",  "D#", "E",  "F",
                                        "F#", "G",  "G#", "A",  "A#", "B"};
    return QStringLiteral("%1%2 (%3)")
        .arg(QLatin1String(Names[note % 12]))
        .arg(note / 12 - 1)
        .arg(note);
}

// The assignment page's name of a controller (its trailing blanks dropped), with the number
// unless the name is the generated one, which is the number.
QString ControllerName(int controller)
{
    const QString name = ControllerItemText(controller + 1).trimmed();
    if (name == QStringLiteral("Controler n\u00B0 %1").arg(controller))
        return name;
    return QStringLiteral("%1 (%2)").arg(name).arg(controller);
}

QString OutputTaking(int output, const OutputLabels &labelOf)
{
    const QString label = labelOf ? labelOf(output) : QString();
    if (label.isEmpty())
        return QStringLiteral("Output %1 \u2192 ").arg(output + 1);
    return QStringLiteral("Output %1 '%2' \u2190 ").arg(output + 1).arg(label);
}

QString ParameterMeaning(std::span<const std::uint8_t> bytes, const OutputLabels &labelOf)
{
    const int parameter = bytes[4];
    const int value = bytes[5] << 4 | bytes[6];
    if (parameter >= FirstOutputParameter && parameter < FirstOutputParameter + OutputCount) {
        const QString output = OutputTaking(parameter - FirstOutputParameter, labelOf);
        if (value < 0x80)
            return output + ControllerName(value);
        return output + (value == 0xFF ? QStringLiteral("none")
                                       : QStringLiteral("no controller (value %1)").arg(value));
    }
    if (parameter == ChannelParameter)
        return QStringLiteral("Channel change \u2192 ch %1").arg((value & 0x0F) + 1);
    if (parameter == WriteFlashParameter && value == WriteFlashValue)
        return QStringLiteral("Write to flash");
    return QStringLiteral("Converter parameter %1 = %2").arg(parameter).arg(value);
}

QString ChannelMessageMeaning(std::span<const std::uint8_t> bytes)
{
    const int channel = bytes[0] & 0x0F;
    const int data1 = bytes.size() > 1 ? bytes[1] : 0;
    const int data2 = bytes.size() > 2 ? bytes[2] : 0;
    switch (bytes[0] & 0xF0) {
    case 0x80:
        return QStringLiteral("Note Off %1 vel %2").arg(NoteName(data1)).arg(data2);
    case 0x90:
        if (data2 == 0)
            return QStringLiteral("Note Off %1 (Note On vel 0)").arg(NoteName(data1));
        return QStringLiteral("Note On %1 vel %2").arg(NoteName(data1)).arg(data2);
    case 0xA0:
        return QStringLiteral("Key Pressure %1 = %2").arg(NoteName(data1)).arg(data2);
    case 0xB0:
        if (channel == KesselChannel && data1 == KesselMergeController && data2 <= 1)
            return QStringLiteral("Kessel merge %1").arg(data2 ? "on" : "off");
        return QStringLiteral("Control Change %1 = %2").arg(ControllerName(data1)).arg(data2);
    case 0xC0:
        if (channel == KesselChannel)
            return QStringLiteral("Kessel input %1").arg(data1);
        return QStringLiteral("Program Change %1").arg(data1);
    case 0xD0:
        return QStringLiteral("Channel Pressure %1").arg(data1);
    default:
        return QStringLiteral("Pitch Bend %1").arg((data2 << 7 | data1) - 0x2000);
    }
}

QString SystemMeaning(std::uint8_t status)
{
    switch (status) {
    case 0xF1:
        return QStringLiteral("Time Code Quarter Frame");
    case 0xF2:
        return QStringLiteral("Song Position");
    case 0xF3:
        return QStringLiteral("Song Select");
    case 0xF6:
        return QStringLiteral("Tune Request");
    case 0xF8:
        return QStringLiteral("Timing Clock");
    case 0xFA:
        return QStringLiteral("Start");
    case 0xFB:
        return QStringLiteral("Continue");
    case 0xFC:
        return QStringLiteral("Stop");
    case 0xFE:
        return QStringLiteral("Active Sensing");
    case 0xFF:
        return QStringLiteral("System Reset");
    default:
        return QStringLiteral("Undefined status %1").arg(QString::number(status, 16).toUpper());
    }
}

} // namespace

MessageClass Classify(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty())
        return {MessageKind::Other, -1};
    const std::uint8_t status = bytes[0];
    if (IsParameterMessage(bytes))
        return {MessageKind::Converter, bytes[3]};
    if (status == SysexStart || status < 0x80)
        return {MessageKind::Sysex, -1}; // a start, or a long message's continuation
    if (status >= 0xF0)
        return {MessageKind::Other, -1};
    const int channel = status & 0x0F;
    switch (status & 0xF0) {
    case 0x80:
    case 0x90:
        return {MessageKind::Note, channel};
    case 0xB0:
        return {MessageKind::ControlChange, channel};
    case 0xC0:
        return {MessageKind::ProgramChange, channel};
    default:
        return {MessageKind::Other, channel};
    }
}

QString Meaning(std::span<const std::uint8_t> bytes, std::size_t size, const OutputLabels &labelOf)
{
    if (bytes.empty())
        return QStringLiteral("Empty message");
    if (IsParameterMessage(bytes))
        return ParameterMeaning(bytes, labelOf);
    const std::uint8_t status = bytes[0];
    if (status == SysexStart)
        return QStringLiteral("SysEx, %1 bytes").arg(size);
    if (status < 0x80)
        return QStringLiteral("SysEx continued, %1 bytes").arg(size);
    if (status < 0xF0)
        return ChannelMessageMeaning(bytes);
    return SystemMeaning(status);
}

int ControlChangeNumber(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < 3 || (bytes[0] & 0xF0) != 0xB0 || bytes[1] > 0x7F)
        return -1;
    return bytes[1];
}

} // namespace protocol
