#include "converter/PresetText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QObject>
#include <optional>

namespace preset_text {

namespace {

constexpr const char *FormatName = "torvane-preset";
constexpr const char *BankNamesFormatName = "torvane-bank-names";
constexpr int NoController = 0xFF;

QString Refusal(const QString &why)
{
    return QObject::tr("The preset file cannot be used: %1. Nothing was loaded.").arg(why);
}

// An integer field within [low, high]; nothing when it is missing, not an integer, or outside.
std::optional<int> IntegerIn(const QJsonValue &value, int low, int high)
{
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (number != double(qint64(number)) || number < low || number > high)
        return std::nullopt;
    return int(number);
}

QJsonObject OutputObject(int output, std::uint8_t byte, const QString &label)
{
    QJsonObject entry{{"output", output + 1}};
    entry["controller"] = byte == NoController ? QJsonValue() : QJsonValue(int(byte));
    if (!label.isEmpty())
        entry["label"] = label;
    return entry;
}

// Reads one entry of "outputs" into preset; the reason it cannot, or an empty string.
QString ReadOutput(const QJsonValue &value, Preset &preset, std::array<bool, 32> &seen)
{
    const QJsonObject entry = value.toObject();
    const std::optional<int> output = IntegerIn(entry["output"], 1, protocol::OutputCount);
    if (!value.isObject() || !output)
        return QObject::tr("an output entry has no output number 1 to 32");
    if (seen[std::size_t(*output - 1)])
        return QObject::tr("output %1 is given twice").arg(*output);
    seen[std::size_t(*output - 1)] = true;
    const QJsonValue controller = entry["controller"];
    const std::optional<int> byte = IntegerIn(controller, 0, 254);
    if (!controller.isNull() && !byte)
        return QObject::tr("output %1's controller is not a number from 0 to 254, nor null")
            .arg(*output);
    preset.bytes[std::size_t(*output - 1)] = std::uint8_t(byte.value_or(NoController));
    if (entry.contains("label") && !entry["label"].isString())
        return QObject::tr("output %1's label is not text").arg(*output);
    preset.names.labels[std::size_t(*output - 1)] = TidyName(entry["label"].toString());
    return {};
}

} // namespace

QByteArray Write(const Preset &preset)
{
    QJsonArray outputs;
    for (int output = 0; output < protocol::OutputCount; ++output)
        outputs.append(OutputObject(output, preset.bytes[std::size_t(output)],
                                    preset.names.labels[std::size_t(output)]));
    const QJsonObject file{
        {"format", FormatName},
        {"version", FormatVersion},
        {"name", preset.names.name},
        {"channel", int(preset.bytes[protocol::PresetChannelByte]) + 1},
        {"reserved", int(preset.bytes[protocol::PresetChannelByte + 1])},
        {"outputs", outputs},
    };
    return QJsonDocument(file).toJson(QJsonDocument::Indented);
}

std::variant<Preset, QString> Read(const QByteArray &text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    const QJsonObject file = document.object();
    if (error.error != QJsonParseError::NoError || !document.isObject() ||
        file["format"].toString() != QLatin1String(FormatName))
        return Refusal(QObject::tr("it is not a Torvane preset file"));
    const std::optional<int> version = IntegerIn(file["version"], 1, 1 << 30);
    if (!version)
        return Refusal(QObject::tr("it gives no format version"));
    if (*version > FormatVersion)
        return Refusal(QObject::tr("it was written in format version %1 by a later version of "
                                   "the editor; this one reads version %2")
                           .arg(*version)
                           .arg(FormatVersion));
    Preset preset;
    const std::optional<int> channel = IntegerIn(file["channel"], 1, 256);
    const std::optional<int> reserved = IntegerIn(file["reserved"], 0, 255);
    if (!channel || (file.contains("reserved") && !reserved))
        return Refusal(QObject::tr("its channel is not a number from 1 to 16"));
    preset.bytes[protocol::PresetChannelByte] = std::uint8_t(*channel - 1);
    preset.bytes[protocol::PresetChannelByte + 1] = std::uint8_t(reserved.value_or(0));
    if (file.contains("name") && !file["name"].isString())
        return Refusal(QObject::tr("its name is not text"));
    preset.names.name = TidyName(file["name"].toString());
    const QJsonArray outputs = file["outputs"].toArray();
    std::array<bool, 32> seen{};
    for (const QJsonValue &entry : outputs)
        if (const QString why = ReadOutput(entry, preset, seen); !why.isEmpty())
            return Refusal(why);
    for (int output = 0; output < protocol::OutputCount; ++output)
        if (!seen[std::size_t(output)])
            return Refusal(QObject::tr("output %1 is missing").arg(output + 1));
    return preset;
}

bool IsPresetTextFileName(const QString &path)
{
    return path.endsWith(QLatin1String(Extension), Qt::CaseInsensitive);
}

QByteArray WriteBankNames(const BankNames &names)
{
    QJsonArray presets;
    for (const PresetNames &preset : names) {
        QJsonObject labels;
        for (int output = 0; output < protocol::OutputCount; ++output)
            if (!preset.labels[std::size_t(output)].isEmpty())
                labels[QString::number(output + 1)] = preset.labels[std::size_t(output)];
        presets.append(QJsonObject{{"name", preset.name}, {"labels", labels}});
    }
    const QJsonObject file{
        {"format", BankNamesFormatName}, {"version", FormatVersion}, {"presets", presets}};
    return QJsonDocument(file).toJson(QJsonDocument::Indented);
}

BankNamesRead ReadBankNames(const QByteArray &text)
{
    BankNamesRead read;
    const QJsonObject file = QJsonDocument::fromJson(text).object();
    if (file["format"].toString() != QLatin1String(BankNamesFormatName))
        return read;
    if (IntegerIn(file["version"], FormatVersion + 1, 1 << 30)) {
        read.later = true;
        return read;
    }
    const QJsonArray presets = file["presets"].toArray();
    for (int p = 0; p < int(read.names.size()) && p < presets.size(); ++p) {
        const QJsonObject preset = presets[p].toObject();
        PresetNames &names = read.names[std::size_t(p)];
        names.name = TidyName(preset["name"].toString());
        const QJsonObject labels = preset["labels"].toObject();
        for (auto label = labels.begin(); label != labels.end(); ++label) {
            bool number = false;
            const int output = label.key().toInt(&number);
            if (number && output >= 1 && output <= protocol::OutputCount)
                names.labels[std::size_t(output - 1)] = TidyName(label.value().toString());
        }
    }
    return read;
}

} // namespace preset_text
