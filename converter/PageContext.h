#pragma once
// What every page of the main window is built with: the link its sends go over, where the
// errors of its handlers are reported, and the glyphs of its buttons (read while building only).
#include "converter/FormControls.h"
#include "converter/HandlerGuard.h"

class ConverterLink;

struct PageContext
{
    ConverterLink &link;
    ErrorReport report;
    const form::Glyphs &glyphs;
};
