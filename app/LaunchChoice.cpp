#include "app/LaunchChoice.h"

#include <QtGlobal>
#include <cstddef>
#if defined(Q_OS_WIN)
#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>
#endif

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

// The program's arguments as the user typed them. On Windows argv holds them in the ANSI code
// page, which cannot spell every file name ("C:\Users\Zoë\..."): they are taken from the
// command line's own UTF-16 text instead.
QStringList ProgramArguments(int argc, char **argv)
{
    QStringList arguments;
#if defined(Q_OS_WIN)
    int count = 0;
    if (LPWSTR *wide = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i)
            arguments << QString::fromWCharArray(wide[i]);
        ::LocalFree(wide);
        if (count == argc)
            return arguments;
        arguments.clear();
    }
#endif
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

} // namespace

Choice Choose(int argc, char **argv)
{
    Choice choice;
    bool commandLine = false, platformGiven = false;
    const QStringList arguments = ProgramArguments(argc, argv);
    choice.arguments << (arguments.isEmpty() ? QStringLiteral("torvane") : arguments.first());
    for (int i = 1; i < arguments.size(); ++i) {
        const QString argument = arguments[i];
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
