#pragma once
// What every page of the main window is built with: the link its sends go over, where the
// errors of its handlers are reported, the glyphs of its buttons (read while building only), the
// editor's state and presets that the pages show and change, the dialogs, and what the window
// tells the pages of the box. Everything a page asks through a function here is asked at the
// moment it is needed, never kept.
#include "converter/FormControls.h"
#include "converter/HandlerGuard.h"
#include "converter/PresetHistory.h"

#include <functional>
#include <optional>

class BoxBelief;
class ConverterLink;
class EditorState;
class PresetStore;
class TransferProgress;

struct PageContext
{
    ConverterLink &link;
    ErrorReport report;
    const form::Glyphs &glyphs;
    // The current preset, the master channel, "Send Params RT", the Kessel's set-up and the
    // controller values; and the four presets.
    EditorState &state;
    PresetStore &presets;
    // The window that follows a preset transfer.
    std::function<TransferProgress &()> progress;
    // Asks the user for the converter's new MIDI channel (1..16), offering the one it listens on
    // now; nothing when the user cancels.
    std::function<std::optional<int>(int current)> chooseChannel;
    // What the output device in use has, as far as this editor sent it; and forgetting that.
    std::function<const BoxBelief &()> box;
    std::function<void()> forgetBox;
    // Asks for a preset file and reads it, for comparing; nothing when cancelled or unreadable
    // (the window reports what it cannot read).
    std::function<std::optional<NamedPreset>()> openPresetFile;
};
