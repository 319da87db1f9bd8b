#include "app/LaunchChoice.h"

#include <QtGlobal>
#include <cstddef>

namespace launch {

namespace {

// The toolkit's own options of a window run, which it takes with one dash or two. These take
// their value as the next argument (or after '=').
const char *const ToolkitOptionsWithValue[] = {
    "platform",    "platformpluginpath", "platformtheme", "plugin",  "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "session",       "display", "geometry",
    "style",       "stylesheet",         "name"};
// These take none, or theirs after '=' only.
const char *const ToolkitFlags[] = {"reverse", "widgetcount",   "nograb",  "dograb",
                                    "sync",    "qmljsdebugger", "dialogs", "fontengine"};

template <std::size_t N> bool Holds(const char *const (&names)[N], const QString &name)
{
    for (const char *known : names)
        if (name == QLatin1String(known))
            return true;
    return false;
}

// The option's name without its dashes and value; empty when the argument is no option.
QString OptionName(const QString &argument)
{
    if (!argument.startsWith('-') || argument == "-" || argument == "--")
        return {};
    return argument.mid(argument.startsWith("--") ? 2 : 1).section('=', 0, 0);
}

// Where the window would open on X11 or Wayland; other systems always have their desktop.
bool HasDisplay(bool platformGiven)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS) && !defined(Q_OS_ANDROID)
    return platformGiven || !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
#else
    Q_UNUSED(platformGiven);
    return true;
#endif
}

} // namespace

Choice Choose(int argc, char **argv)
{
    Choice choice;
    bool commandLine = false, platformGiven = false;
    choice.arguments << QString::fromLocal8Bit(argc > 0 ? argv[0] : "torvane");
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        const QString name = OptionName(argument);
        if (!name.isEmpty() && Holds(ToolkitOptionsWithValue, name)) {
            platformGiven = platformGiven || name == "platform" || name == "display";
            if (!argument.contains('='))
                ++i;
            continue;
        }
        if (!name.isEmpty() && Holds(ToolkitFlags, name))
            continue;
        // Any other option is the command line's, or a mistake that its parser reports; a plain
        // argument alone is no reason to leave the window.
        commandLine = commandLine || !name.isEmpty();
        choice.arguments << argument;
    }
    if (commandLine)
        choice.kind = Choice::CommandLine;
    else if (!HasDisplay(platformGiven))
        choice.kind = Choice::NoDisplay;
    return choice;
}

} // namespace launch
