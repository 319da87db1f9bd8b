#include "app/PresetBank.h"

#include "app/AtomicFile.h"

#include <QFile>

TPresetBank *PresetBank = nullptr;

namespace {

constexpr std::uint8_t NoController = 0xFF;

// Reads up to `size` bytes into `target`, touching only the bytes actually read.
// Returns the count read, or -1 on a read error.
qint64 ReadInto(QFile &file, std::uint8_t *target, qint64 size)
{
    char buffer[TPresetBank::PresetSize];
    const qint64 got = file.read(buffer, size);
    if (got > 0)
        std::copy(buffer, buffer + got, target);
    return got;
}

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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    for (auto &block : Blocks) {
        const qint64 got = ReadInto(file, block->data(), PresetSize);
        if (got < 0)
            return false;
        if (got < PresetSize)
            break; // the file ends here: the rest keeps its content
    }
    return true;
}

bool TPresetBank::LoadPreset(int preset, const QString &path)
{
    return LoadPreset(path, *Blocks[preset]);
}

bool TPresetBank::LoadPreset(const QString &path, std::span<std::uint8_t, PresetSize> preset)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return ReadInto(file, preset.data(), PresetSize) >= 0;
}
