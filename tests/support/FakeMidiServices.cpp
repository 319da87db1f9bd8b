#include "FakeMidiServices.h"

#include "midi/backend/MidiHeaderRules.h"

#include <cstdio>
#include <cstring>
#include <utility>

namespace {
MidiResult scripted(const std::map<int, MidiResult> &results, int id)
{
    const auto found = results.find(id);
    return found == results.end() ? MidiOk : found->second;
}
} // namespace

MidiOutCaps FakeMidiServices::outputNamed(const std::string &name)
{
    MidiOutCaps caps;
    caps.name = name;
    return caps;
}

MidiInCaps FakeMidiServices::inputNamed(const std::string &name)
{
    MidiInCaps caps;
    caps.name = name;
    return caps;
}

bool FakeMidiServices::completeOutput()
{
    if (queuedOutput.empty())
        return false;
    MidiHeader *header = queuedOutput.front();
    queuedOutput.pop_front();
    header->bytesRecorded = header->bufferLength;
    handBackHeader(header);
    outCallback_(OutputHandle, MidiMsg::OutDone, outInstance_,
                 reinterpret_cast<std::uintptr_t>(header), 0);
    return true;
}

void FakeMidiServices::deliverShort(std::uint32_t word, std::uint32_t time)
{
    inCallback_(InputHandle, MidiMsg::InData, inInstance_, word, time);
}

bool FakeMidiServices::deliverSysex(const std::vector<std::uint8_t> &bytes, std::uint32_t time)
{
    if (queuedInput.empty())
        return false;
    MidiHeader *header = queuedInput.front();
    queuedInput.pop_front();
    std::memcpy(header->data, bytes.data(),
                std::min<std::size_t>(bytes.size(), header->bufferLength));
    header->bytesRecorded = static_cast<std::uint32_t>(bytes.size());
    handBackHeader(header);
    inCallback_(InputHandle, MidiMsg::InLongData, inInstance_,
                reinterpret_cast<std::uintptr_t>(header), time);
    return true;
}

void FakeMidiServices::deliverRaw(bool toInput, std::uint32_t message, std::uintptr_t param1,
                                  std::uintptr_t param2)
{
    if (toInput)
        inCallback_(InputHandle, message, inInstance_, param1, param2);
    else
        outCallback_(OutputHandle, message, outInstance_, param1, param2);
}

void FakeMidiServices::record(std::string call, const char *name)
{
    calls.push_back(std::move(call));
    if (thrown && throwIn == name) {
        throwIn.clear();
        std::rethrow_exception(std::exchange(thrown, nullptr));
    }
}

// ---- outputs ----

std::uint32_t FakeMidiServices::outputDeviceCount()
{
    return static_cast<std::uint32_t>(outputs.size());
}

MidiResult FakeMidiServices::outputDeviceCaps(int deviceId, MidiOutCaps &caps)
{
    calls.push_back("outputCaps " + std::to_string(deviceId));
    if (const MidiResult result = scripted(outputCapsResult, deviceId))
        return result;
    if (deviceId == -1 && mapper) {
        caps = *mapper;
        return MidiOk;
    }
    if (deviceId < 0 || deviceId >= static_cast<int>(outputs.size()))
        return MidiErrBadDeviceId;
    caps = outputs[deviceId];
    return MidiOk;
}

MidiResult FakeMidiServices::openOutput(MidiHandle &handle, int deviceId,
                                        MidiCallbackFunction callback, std::uintptr_t instance)
{
    record("openOutput " + std::to_string(deviceId), "openOutput");
    if (openOutputResult != MidiOk)
        return openOutputResult;
    handle = OutputHandle;
    outCallback_ = callback;
    outInstance_ = instance;
    outputOpen = true;
    return MidiOk;
}

MidiResult FakeMidiServices::closeOutput(MidiHandle handle)
{
    calls.push_back("closeOutput");
    if (!outputOpen || handle != OutputHandle)
        return MidiErrInvalidHandle;
    if (closeOutputResult != MidiOk)
        return closeOutputResult;
    // Whatever is still queued is handed back before the close returns.
    while (completeOutput()) {
    }
    outputOpen = false;
    return MidiOk;
}

MidiResult FakeMidiServices::sendShortMessage(MidiHandle handle, std::uint32_t word)
{
    char text[32];
    std::snprintf(text, sizeof text, "short %08X", word);
    calls.push_back(text);
    if (!outputOpen || handle != OutputHandle)
        return MidiErrInvalidHandle;
    shortMessages.push_back(word);
    return MidiOk;
}

MidiResult FakeMidiServices::prepareOutputHeader(MidiHandle handle, MidiHeader *header)
{
    calls.push_back("prepareOutput " + std::to_string(header ? header->bufferLength : 0));
    if (!outputOpen || handle != OutputHandle)
        return MidiErrInvalidHandle;
    if (prepareOutputResult != MidiOk)
        return prepareOutputResult;
    return prepareHeader(handle, header);
}

MidiResult FakeMidiServices::sendLongMessage(MidiHandle handle, MidiHeader *header)
{
    calls.push_back("long");
    if (!outputOpen || handle != OutputHandle)
        return MidiErrInvalidHandle;
    if (longMessageResult != MidiOk)
        return longMessageResult;
    if (const MidiResult result = queueHeader(handle, header); result != MidiOk)
        return result;
    longMessages.emplace_back(header->data, header->data + header->bufferLength);
    queuedOutput.push_back(header);
    return MidiOk;
}

MidiResult FakeMidiServices::unprepareOutputHeader(MidiHandle handle, MidiHeader *header)
{
    calls.push_back("unprepareOutput");
    if (!outputOpen || handle != OutputHandle)
        return MidiErrInvalidHandle;
    return unprepareHeader(handle, header);
}

// ---- inputs ----

std::uint32_t FakeMidiServices::inputDeviceCount()
{
    return static_cast<std::uint32_t>(inputs.size());
}

MidiResult FakeMidiServices::inputDeviceCaps(int deviceId, MidiInCaps &caps)
{
    calls.push_back("inputCaps " + std::to_string(deviceId));
    if (const MidiResult result = scripted(inputCapsResult, deviceId))
        return result;
    if (deviceId < 0 || deviceId >= static_cast<int>(inputs.size()))
        return MidiErrBadDeviceId;
    caps = inputs[deviceId];
    return MidiOk;
}

MidiResult FakeMidiServices::openInput(MidiHandle &handle, int deviceId,
                                       MidiCallbackFunction callback, std::uintptr_t instance)
{
    record("openInput " + std::to_string(deviceId), "openInput");
    if (openInputResult != MidiOk)
        return openInputResult;
    handle = InputHandle;
    inCallback_ = callback;
    inInstance_ = instance;
    inputOpen = true;
    return MidiOk;
}

MidiResult FakeMidiServices::closeInput(MidiHandle handle)
{
    calls.push_back("closeInput");
    if (!inputOpen || handle != InputHandle)
        return MidiErrInvalidHandle;
    if (closeInputResult != MidiOk)
        return closeInputResult;
    if (!queuedInput.empty())
        return MidiErrStillPlaying;
    inputOpen = false;
    return MidiOk;
}

MidiResult FakeMidiServices::prepareInputHeader(MidiHandle handle, MidiHeader *header)
{
    record("prepareInput " + std::to_string(header ? header->bufferLength : 0), "prepareInput");
    if (!inputOpen || handle != InputHandle)
        return MidiErrInvalidHandle;
    if (prepareInputCalls_++ == refusePrepareInputAt)
        return refusalCode;
    return prepareHeader(handle, header);
}

MidiResult FakeMidiServices::addInputBuffer(MidiHandle handle, MidiHeader *header)
{
    record("addBuffer", "addBuffer");
    if (!inputOpen || handle != InputHandle)
        return MidiErrInvalidHandle;
    if (addBufferCalls_++ == refuseAddBufferAt)
        return refusalCode;
    if (const MidiResult result = queueHeader(handle, header); result != MidiOk)
        return result;
    queuedInput.push_back(header);
    return MidiOk;
}

MidiResult FakeMidiServices::startInput(MidiHandle handle)
{
    calls.push_back("start");
    if (!inputOpen || handle != InputHandle)
        return MidiErrInvalidHandle;
    return startResult;
}

MidiResult FakeMidiServices::resetInput(MidiHandle handle)
{
    calls.push_back("reset");
    if (!inputOpen || handle != InputHandle)
        return MidiErrInvalidHandle;
    if (resetResult != MidiOk)
        return resetResult;
    while (!queuedInput.empty()) {
        MidiHeader *header = queuedInput.front();
        queuedInput.pop_front();
        handBackHeader(header);
        inCallback_(InputHandle, MidiMsg::InLongData, inInstance_,
                    reinterpret_cast<std::uintptr_t>(header), 0);
    }
    return MidiOk;
}

MidiResult FakeMidiServices::unprepareInputHeader(MidiHandle handle, MidiHeader *header)
{
    calls.push_back("unprepareInput");
    if (!inputOpen || handle != InputHandle)
        return MidiErrInvalidHandle;
    if (unprepareInputResult != MidiOk)
        return unprepareInputResult;
    return unprepareHeader(handle, header);
}

MidiResult FakeMidiServices::errorText(std::uint32_t code, std::string &text) const
{
    const auto found = extraTexts.find(code);
    if (found != extraTexts.end()) {
        text = found->second;
        return MidiOk;
    }
    return MidiServices::errorText(code, text);
}
