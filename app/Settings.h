#pragma once
// The user's settings: eight 32-bit integers under organisation "Quillmont", application
// "Torvane" (on Windows the registry key HKCU\Software\Quillmont\Torvane, on Linux an INI
// file under ~/.config/Quillmont/), always read and written in this order.
//
// Reading stops at the first value that is missing or does not read back as a 32-bit
// integer: that value and the ones after it are not applied, the ones before it stay applied.
// Every failure is silent: the design defaults simply stand.
#include "app/MidiSystemChoice.h"

#include <QString>
#include <array>
#include <functional>

enum class SettingId { PX, PY, RTparam, kesselmerge, kesselstart, kesselInput, midiIN, midiOUT };

inline constexpr std::array<const char *, 8> SettingNames = {
    "PX", "PY", "RTparam", "kesselmerge", "kesselstart", "kesselInput", "midiIN", "midiOUT"};

using SettingValues = std::array<int, SettingNames.size()>;

// The names of the chosen MIDI devices, kept beside the eight values so that a device that
// moved in the list is found again by name. A null name was never stored.
struct StoredDeviceNames
{
    QString input;
    QString output;
};
inline constexpr const char *InputNameSetting = "midiINName";
inline constexpr const char *OutputNameSetting = "midiOUTName";

// Calls apply(id, value) for each value in order until one is missing or mistyped.
// Returns how many values were applied.
int ReadSettings(const std::function<void(SettingId, int)> &apply);

StoredDeviceNames ReadDeviceNames();

// Writes all eight values in order, whatever is stored, then the device names. Returns false
// (and nothing else happens) when the store cannot be written.
bool WriteSettings(const SettingValues &values, const StoredDeviceNames &names = {});

// Whether closing the editor asks to write the box's set-up to flash when the box has changes
// that are not written (true until the user ticks "Do not ask again").
inline constexpr const char *AskFlashOnCloseSetting = "askFlashOnClose";
bool ReadAskFlashOnClose();
void WriteAskFlashOnClose(bool ask);

// The MIDI system the user chose on the MIDI page (automatic until then, and for a stored value
// this version does not know).
inline constexpr const char *MidiSystemSetting = "midiSystem";
MidiSystemChoice ReadMidiSystemChoice();
void WriteMidiSystemChoice(MidiSystemChoice choice);

// The folder of the preset library (the documents folder's "Torvane presets" until the user
// chooses another).
inline constexpr const char *LibraryFolderSetting = "libraryFolder";
QString ReadLibraryFolder();
void WriteLibraryFolder(const QString &folder);
