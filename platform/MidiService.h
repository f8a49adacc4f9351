#pragma once
// The MIDI input service the player talks to: lists the input devices, opens
// one with a callback that runs on the service's own thread, and starts, stops
// and closes it. Backed by RtMidi: ALSA's sequencer where the machine has one,
// otherwise JACK (QUELLIN_MIDI_API=alsa or =jack picks one explicitly).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Kinds of notification an open input hands to its callback.
enum MidiInputKind : uint32_t {
    kMidiOpen = 961,
    kMidiClose = 962,
    kMidiData = 963,       // param1 holds a packed short message
    kMidiLongData = 964,
    kMidiError = 965,
    kMidiLongError = 966,
    kMidiMoreData = 972,
};

struct MidiInput;  // an open input device
class MidiConnections;  // the system's view of which port feeds which

// Called for every notification of an open input: kind, the instance value given
// to MidiInputOpen, the packed short message (status in bits 0-7, first data byte
// in 8-15, second in 16-23) and the milliseconds since the input was started.
// Data arrives on the service's thread; open and close notices on the caller's.
using MidiInputCallback = void (*)(MidiInput* input, uint32_t kind, uintptr_t instance,
                                   uintptr_t param1, uintptr_t param2);

// The product names of the input devices, in device order; empty when the
// machine has no MIDI system.
std::vector<std::string> MidiInputNames();

struct MidiOpenResult {
    MidiInput* input = nullptr;  // null when the open failed
    std::string error;           // why it failed
};

// Opens input device `index`. Data is delivered only between MidiInputStart and
// MidiInputStop.
MidiOpenResult MidiInputOpen(uint32_t index, MidiInputCallback callback, uintptr_t instance);
// The same for the input port of that exact name, wherever it stands.
MidiOpenResult MidiInputOpenNamed(const std::string& name, MidiInputCallback callback, uintptr_t instance);

// A connection to the MIDI system kept for listing the input ports: each
// listing is then a query of the running system rather than a new client,
// cheap enough to ask from the frame loop every few seconds.
class MidiPortLister {
public:
    MidiPortLister();
    ~MidiPortLister();
    MidiPortLister(const MidiPortLister&) = delete;
    MidiPortLister& operator=(const MidiPortLister&) = delete;

    // The input ports now, in device order; empty without a MIDI system, in
    // which case a later call tries to connect again.
    std::vector<std::string> names();
    // Whether the port of that name still delivers to one of the player's
    // inputs: false for a port that went away, or came back (a surface
    // unplugged and plugged in again) without the connection.
    bool feedsUs(const std::string& name);

private:
    std::unique_ptr<MidiInput> probe_;
    std::unique_ptr<MidiConnections> connections_;
};
void MidiInputStart(MidiInput* input);
void MidiInputStop(MidiInput* input);
// Closes the device and frees `input`; when it returns no callback runs any more.
void MidiInputClose(MidiInput* input);

// Packs up to three bytes of a short message, least significant byte first.
uint32_t PackShortMessage(const unsigned char* bytes, size_t count);

}  // namespace platform
