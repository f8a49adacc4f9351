#pragma once
// What the MIDI service needs to know of the system it runs on.
#include <rtmidi/RtMidi.h>

#include <memory>
#include <string>

namespace platform {

// The RtMidi interface to reach the system's MIDI ports through.
RtMidi::Api MidiApi();

// Keeps the libraries under RtMidi from printing to standard error; the
// player reports what matters itself, on standard output. Safe to call often.
void QuietMidiLibraries();

// The name the player gives its input ports, so their connections can be found.
inline constexpr const char* kMidiInputPortName = "quellin input";

// The connections between the system's MIDI ports, which RtMidi does not show.
// Kept open between questions; used by one thread at a time.
class MidiConnections {
public:
    MidiConnections();
    ~MidiConnections();
    MidiConnections(const MidiConnections&) = delete;
    MidiConnections& operator=(const MidiConnections&) = delete;

    // Whether the source port `source` (named as RtMidi lists it) still
    // delivers to an input port of the player. A device unplugged and plugged
    // in again comes back under the same name without that connection. True
    // where the system cannot tell.
    bool feedsUs(const std::string& source);

private:
    struct Link;
    std::unique_ptr<Link> link_;
};

}  // namespace platform
