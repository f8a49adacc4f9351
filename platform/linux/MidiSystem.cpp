#include "platform/MidiSystem.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace platform {

namespace {

void quietJack(const char*) {}
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

// ALSA's sequencer where it can be opened, otherwise JACK; the environment may
// pick one explicitly (the tests use this to reach a private JACK server).
RtMidi::Api MidiApi()
{
    if (const char* wanted = std::getenv("QUELLIN_MIDI_API")) {
        if (std::strcmp(wanted, "alsa") == 0) return RtMidi::LINUX_ALSA;
        if (std::strcmp(wanted, "jack") == 0) return RtMidi::UNIX_JACK;
    }
    return access("/dev/snd/seq", R_OK | W_OK) == 0 ? RtMidi::LINUX_ALSA : RtMidi::UNIX_JACK;
}

void QuietMidiLibraries()
{
    static std::once_flag once;
    std::call_once(once, [] {
        jack_set_error_function(quietJack);
        jack_set_info_function(quietJack);
        snd_lib_error_set_handler(quietAlsa);
    });
}

}  // namespace platform
