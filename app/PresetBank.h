#pragma once
// The editor's working data: four presets of 34 bytes, each a complete converter set-up.
//
// Preset layout (the same in memory and in both file kinds):
//   0..31  controller number (0..127) driving CV output 1..32; 0xFF = no controller
//   32     MIDI channel of the preset minus one (0..15)
//   33     reserved: loaded from files and written back unchanged, never touched alone
//
// A bank file is the four presets one after the other (136 bytes); a parameter file is one
// preset (34 bytes). Neither has a header or checksum, and the bank checks no value: any byte
// can be stored, loaded and saved. Used on the GUI thread only.
#include "converter/PresetStore.h"

#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <span>

class TPresetBank final : public PresetStore
{
public:
    static constexpr int BankFileSize = PresetCount * PresetSize;

    // Every preset starts as "no controller" on all outputs, channel 1, reserved byte 0:
    // what the assignment page shows when no autosave file exists.
    TPresetBank();
    ~TPresetBank();
    TPresetBank(const TPresetBank &) = delete;
    TPresetBank &operator=(const TPresetBank &) = delete;

    void SetByte(int preset, int position, std::uint8_t value) override;
    std::uint8_t GetByte(int preset, int position) const override;

    // Saves replace the file atomically: on disk there is always either the complete old
    // image or the complete new one, even if the program dies or the disk fills mid-write.
    bool SaveBank(const QString &path) const;
    bool SavePreset(int preset, const QString &path) const;

    // Loads copy what the file holds, in order, as far as it reaches: a short file replaces
    // only the leading bytes (success); bytes beyond the expected size are not read. When the
    // file cannot be read, or is no regular file (a FIFO, a device), nothing changes and the
    // result is false.
    bool LoadBank(const QString &path);
    bool LoadPreset(int preset, const QString &path);
    // The same over a preset's bytes held elsewhere.
    static bool LoadPreset(const QString &path, std::span<std::uint8_t, PresetSize> preset);

private:
    using Block = std::array<std::uint8_t, PresetSize>;
    // Four separately allocated blocks that never move for the bank's life.
    std::array<std::unique_ptr<Block>, PresetCount> Blocks;
};
