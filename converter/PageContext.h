#pragma once
// What every page of the main window is built with: the link its sends go over, where the
// errors of its handlers are reported, the glyphs of its buttons (read while building only),
// and what the window tells the pages of each other and of its own controls. Everything a page
// asks through a function here is asked at the moment it is needed, never kept.
#include "converter/FormControls.h"
#include "converter/HandlerGuard.h"
#include "converter/PresetHistory.h"

#include <functional>
#include <optional>

class BoxBelief;
class ConverterLink;
class TransferProgress;

struct PageContext
{
    ConverterLink &link;
    ErrorReport report;
    const form::Glyphs &glyphs;
    // Whether "Send Params RT" is checked: a user's change to a preset then goes out at once.
    std::function<bool()> realTime;
    // The window that follows a preset transfer.
    std::function<TransferProgress &()> progress;
    // Asks the user for the converter's new MIDI channel (1..16), offering the one it listens on
    // now; nothing when the user cancels.
    std::function<std::optional<int>(int current)> chooseChannel;
    // The converter's MIDI channel (0..15) and the preset byte of output (0..31), as the
    // "Config" page has them: the controllers exercise the outputs with them.
    std::function<int()> masterChannel;
    std::function<int(int output)> controllerOf;
    // What the output device in use has, as far as this editor sent it; and forgetting that.
    std::function<const BoxBelief &()> box;
    std::function<void()> forgetBox;
    // Asks for a preset file and reads it, for comparing; nothing when cancelled or unreadable
    // (the window reports what it cannot read).
    std::function<std::optional<NamedPreset>()> openPresetFile;
};
