#pragma once
// The editor's own preset file (.tvp): one preset with its names, as JSON text that people can
// read and other programs can parse (the format is described in docs/preset-file.md). It
// carries the 34 bytes of a parameter file exactly, plus the preset's name and its outputs'
// labels.
//
// Reading is strict, since a file is applied whole or not at all: anything missing, mistyped or
// out of range, and a file of a later format version, is refused with a reason.
#include "converter/PresetNames.h"
#include "converter/SysexFile.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <variant>

namespace preset_text {

inline constexpr int FormatVersion = 1;
inline constexpr const char *Extension = ".tvp";

struct Preset
{
    protocol::PresetBytes bytes{}; // as a parameter file holds them
    PresetNames names;
};

QByteArray Write(const Preset &preset);

// The preset a file holds, or why it cannot be used (a sentence for the user).
std::variant<Preset, QString> Read(const QByteArray &text);

bool IsPresetTextFileName(const QString &path);

// The names of the four presets of the autosave bank, kept in a file beside it. Read leniently:
// what is damaged or missing is empty, never a reason to lose a preset. A file of a later format
// version is not read (Later), and must not be written over.
using BankNames = std::array<PresetNames, 4>;
QByteArray WriteBankNames(const BankNames &names);
struct BankNamesRead
{
    BankNames names;
    bool later = false;
};
BankNamesRead ReadBankNames(const QByteArray &text);

} // namespace preset_text
