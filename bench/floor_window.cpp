// The start-up floor: the least a Qt Widgets program that talks MIDI pays before its first
// window is on screen. One window of the editor's size holding a label, and one connection to
// the MIDI system the editor would use (ALSA when its sequencer opens, else a running JACK
// server, else none). It reports its first paint through the editor's own probe, so both are
// timed by the same code.
//
// TORVANE_FLOOR_MIDI=0 leaves the MIDI connection out: what the toolkit alone costs.
#include "app/StartupProbe.h"
#include "midi/backend/alsa/AlsaSequencerProbe.h"

#include <QApplication>
#include <QLabel>
#include <jack/jack.h>
#include <memory>
#include <rtmidi/RtMidi.h>

namespace {

void quiet(const char *) {}

// One client of the MIDI system, kept for the life of the program.
class MidiConnection
{
public:
    MidiConnection()
    {
        if (alsaSequencerOpens()) {
            try {
                alsa_ = std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, "Floor");
            } catch (const RtMidiError &) {
            }
            return;
        }
        // An active client with a process callback, as any JACK MIDI program has.
        jack_set_error_function(quiet);
        jack_set_info_function(quiet);
        jack_ = jack_client_open("Floor", JackNoStartServer, nullptr);
        if (jack_) {
            jack_set_process_callback(
                jack_, [](jack_nframes_t, void *) { return 0; }, nullptr);
            jack_activate(jack_);
        }
    }
    ~MidiConnection()
    {
        if (jack_)
            jack_client_close(jack_);
    }
    MidiConnection(const MidiConnection &) = delete;
    MidiConnection &operator=(const MidiConnection &) = delete;

private:
    std::unique_ptr<RtMidiOut> alsa_;
    jack_client_t *jack_ = nullptr;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    std::unique_ptr<MidiConnection> midi;
    if (qEnvironmentVariable("TORVANE_FLOOR_MIDI") != QLatin1String("0"))
        midi = std::make_unique<MidiConnection>();
    QLabel window(QStringLiteral("Torvane"));
    window.resize(510, 468); // the main window's size: the same pixels to paint and hand over
    InstallStartupProbe(window);
    window.show();
    return app.exec();
}
