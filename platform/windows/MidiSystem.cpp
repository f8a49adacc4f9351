#include "platform/MidiSystem.h"

namespace platform {

// The Windows multimedia API: input devices by index, as the system lists them.
RtMidi::Api MidiApi()
{
    return RtMidi::WINDOWS_MM;
}

// Nothing under RtMidi prints on Windows.
void QuietMidiLibraries() {}

// The multimedia API has no connections to look at: an open device stays the
// device it was opened on, and one unplugged leaves the list.
struct MidiConnections::Link {};

MidiConnections::MidiConnections() : link_(std::make_unique<Link>()) {}
MidiConnections::~MidiConnections() = default;

bool MidiConnections::feedsUs(const std::string&)
{
    return true;
}

}  // namespace platform
