#include "platform/MidiSystem.h"

namespace platform {

// The Windows multimedia API: input devices by index, as the system lists them.
RtMidi::Api MidiApi()
{
    return RtMidi::WINDOWS_MM;
}

// Nothing under RtMidi prints on Windows.
void QuietMidiLibraries() {}

}  // namespace platform
