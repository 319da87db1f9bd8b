#pragma once
// The names of the autosave bank's presets and outputs, in their file beside the bank file
// (AutosaveLocation::NamesFileFor). Loaded leniently: a missing or damaged file leaves the names
// empty and never touches a preset. A file a later version of the editor wrote is left as it
// is: this version neither reads nor overwrites it.
#include "converter/PresetText.h"

#include <QString>

class BankNamesFile
{
public:
    // The names kept beside bankFile; empty names when there are none to read.
    preset_text::BankNames Load(const QString &bankFile);
    // Writes names beside bankFile, whole or not at all. True when written, or left alone
    // because a later version wrote it.
    bool Save(const QString &bankFile, const preset_text::BankNames &names) const;

private:
    bool Later = false;
};
