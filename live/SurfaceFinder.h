#pragma once
// Finds the control surface among the MIDI input ports and keeps it open for
// the show's makers: a surface plugged in during a rehearsal starts working,
// one unplugged is closed and looked for again.
#include "live/MidiIn.h"
#include "platform/MidiService.h"

#include <cstdint>
#include <string>
#include <vector>

struct PortChoice {
    int index = -1;           // the chosen port, -1 for none
    std::string why;          // what chose it, or why there is none
    bool byName = false;      // chosen as a surface or by the setting, not as a stand-in
};

// The input port to open: `wanted` (QUELLIN_MIDI_PORT: an index or part of a
// name, in any case) when given; else the first port named like a
// nanoKONTROL2; else the first that is not a through or system port ("Midi
// Through", "Announce", the player's own); else none.
PortChoice ChooseSurfacePort(const std::vector<std::string>& names, const char* wanted);

class SurfaceFinder {
public:
    // How often the ports are listed again: 2 s, in 100 ns ticks.
    static constexpr int64_t kLookEveryTicks = 20'000'000;

    explicit SurfaceFinder(MidiIn& midi) : midi_(midi) {}

    // Lists the ports, says which one is chosen and opens it.
    void begin(int64_t nowTicks);
    // Called every frame; every 2 s it lists the ports again (a query of the
    // running MIDI system, no new client): a chosen port that appeared is
    // opened, an open port that went away is closed, and a stand-in (the
    // first playable port) gives way to a surface plugged in after it.
    void poll(int64_t nowTicks);

    // The port open now, empty when none.
    const std::string& openPort() const { return openPort_; }

private:
    void look(int64_t nowTicks);

    MidiIn& midi_;
    platform::MidiPortLister lister_;
    bool looked_ = false;
    std::vector<std::string> lastNames_;
    std::string openPort_;
    bool openIsStandIn_ = false;  // opened as the first playable port, not by name
    int64_t nextLook_ = 0;
};
