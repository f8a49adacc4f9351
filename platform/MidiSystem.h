#pragma once
// What the MIDI service needs to know of the system it runs on.
#include <rtmidi/RtMidi.h>

namespace platform {

// The RtMidi interface to reach the system's MIDI ports through.
RtMidi::Api MidiApi();

// Keeps the libraries under RtMidi from printing to standard error; the
// player reports what matters itself, on standard output. Safe to call often.
void QuietMidiLibraries();

}  // namespace platform
