#include "app/PresetBank.h"

#include "app/AtomicFile.h"
#include "app/InputFile.h"

namespace {

constexpr std::uint8_t NoController = 0xFF;

} // namespace

TPresetBank::TPresetBank()
{
    for (auto &block : Blocks) {
        block = std::make_unique<Block>();
        block->fill(NoController);
        (*block)[ChannelPosition] = 0;
        (*block)[ChannelPosition + 1] = 0;
    }
}

TPresetBank::~TPresetBank() = default;

void TPresetBank::SetByte(int preset, int position, std::uint8_t value)
{
    (*Blocks[preset])[position] = value;
}

std::uint8_t TPresetBank::GetByte(int preset, int position) const
{
    return (*Blocks[preset])[position];
}

bool TPresetBank::SaveBank(const QString &path) const
{
    std::array<char, BankFileSize> image;
    for (int p = 0; p < PresetCount; ++p)
        std::copy(Blocks[p]->begin(), Blocks[p]->end(), image.begin() + p * PresetSize);
    return WriteAtomically(path, QByteArrayView(image.data(), image.size()));
}

bool TPresetBank::SavePreset(int preset, const QString &path) const
{
    return WriteAtomically(path, QByteArrayView(Blocks[preset]->data(), PresetSize));
}

bool TPresetBank::LoadBank(const QString &path)
{
    const input_file::Contents file =
        input_file::Read(path, BankFileSize, input_file::Beyond::Unread);
    if (file.fault != input_file::Fault::None)
        return false;
    // A short file ends inside some preset: the rest keeps its content.
    for (int at = 0; at < file.bytes.size(); ++at)
        (*Blocks[at / PresetSize])[at % PresetSize] = std::uint8_t(file.bytes[at]);
    return true;
}

bool TPresetBank::LoadPreset(int preset, const QString &path)
{
    return LoadPreset(path, *Blocks[preset]);
}

bool TPresetBank::LoadPreset(const QString &path, std::span<std::uint8_t, PresetSize> preset)
{
    const input_file::Contents file =
        input_file::Read(path, PresetSize, input_file::Beyond::Unread);
    if (file.fault != input_file::Fault::None)
        return false;
    std::copy(file.bytes.begin(), file.bytes.end(), preset.begin());
    return true;
}
