#include "converter/BoxBelief.h"

#include "converter/SysexFile.h"

#include <QJsonArray>
#include <QJsonValue>

void BoxBelief::Delivered(QByteArrayView message)
{
    const std::optional<protocol::ParameterFields> fields = protocol::ReadParameterMessage(message);
    if (!fields)
        return;
    // A box listening elsewhere lets the message pass, as the converter does.
    if (Box.channel && *Box.channel != fields->channel)
        return;
    const int parameter = fields->parameter;
    const int output = parameter - protocol::FirstOutputParameter;
    const bool forOutput = output >= 0 && output < protocol::OutputCount;
    const bool flash =
        parameter == protocol::WriteFlashParameter && fields->value == protocol::WriteFlashValue;
    if (!forOutput && !flash && parameter != protocol::ChannelParameter)
        return;
    Box.channel = std::uint8_t(fields->channel);
    if (forOutput)
        Box.controllers[output] = std::uint8_t(fields->value);
    else if (flash)
        Flashed = Box;
    else
        Box.channel = std::uint8_t(fields->value & 0x0F);
}

BoxBelief::Comparison
BoxBelief::Compare(int channel, std::span<const std::uint8_t, protocol::OutputCount> preset) const
{
    Comparison result{Standing::InStep, {}};
    for (int i = 0; i < protocol::OutputCount; ++i)
        if (Box.controllers[i] != preset[i])
            result.differing.push_back(i);
    if (Unknown())
        result.standing = Standing::Unknown;
    else if (*Box.channel != channel)
        result.standing = Standing::OtherChannel;
    else if (!result.differing.empty())
        result.standing = Standing::Differ;
    else if (Unwritten())
        result.standing = Standing::Unwritten;
    return result;
}

namespace {

QJsonValue ToJson(const BoxBelief::Known &known)
{
    return known ? QJsonValue(int(*known)) : QJsonValue(QJsonValue::Null);
}

BoxBelief::Known FromJson(const QJsonValue &value)
{
    const int byte = value.toInt(-1);
    return byte >= 0 && byte <= 0xFF ? BoxBelief::Known(std::uint8_t(byte)) : std::nullopt;
}

QJsonObject SetupToJson(const BoxBelief::Setup &setup)
{
    QJsonArray outputs;
    for (const BoxBelief::Known &controller : setup.controllers)
        outputs.append(ToJson(controller));
    return {{"channel", ToJson(setup.channel)}, {"outputs", outputs}};
}

BoxBelief::Setup SetupFromJson(const QJsonObject &json)
{
    BoxBelief::Setup setup;
    const BoxBelief::Known channel = FromJson(json["channel"]);
    if (channel && *channel <= 0x0F)
        setup.channel = channel;
    const QJsonArray outputs = json["outputs"].toArray();
    for (int i = 0; i < protocol::OutputCount && i < outputs.size(); ++i)
        setup.controllers[i] = FromJson(outputs[i]);
    return setup;
}

} // namespace

QJsonObject BoxBelief::ToJson() const
{
    return {{"working", SetupToJson(Box)}, {"flash", SetupToJson(Flashed)}};
}

BoxBelief BoxBelief::FromJson(const QJsonObject &json)
{
    BoxBelief belief;
    belief.Box = SetupFromJson(json["working"].toObject());
    belief.Flashed = SetupFromJson(json["flash"].toObject());
    return belief;
}
