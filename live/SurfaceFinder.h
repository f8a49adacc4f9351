#pragma once
// Finds the control surface among the MIDI input ports and keeps it open for
// the show's makers: a surface plugged in during a rehearsal starts working,
// one unplugged is closed and looked for again. All of it happens on a thread
// of the finder's own, so a slow or silent MIDI system costs the frames nothing.
#include "live/MidiIn.h"
#include "platform/MidiService.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
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
    static constexpr std::chrono::milliseconds kLookEvery{2000};

    // The finder opens and closes `midi` from its thread; nothing else may
    // while it runs.
    explicit SurfaceFinder(MidiIn& midi, std::chrono::milliseconds lookEvery = kLookEvery)
        : midi_(midi), lookEvery_(lookEvery)
    {
    }
    // Stops looking; a look in progress is finished first.
    ~SurfaceFinder();
    SurfaceFinder(const SurfaceFinder&) = delete;
    SurfaceFinder& operator=(const SurfaceFinder&) = delete;

    // Starts the finder's thread, which lists the ports at once and then
    // every `lookEvery`: a chosen port that appeared is opened, one that failed
    // to open is tried again, an open port that went away (or came back
    // without its connection to the player, as a surface unplugged and
    // plugged in again between two looks does) is closed and looked for
    // again, and a stand-in (the first playable port) gives way to a surface
    // plugged in after it. Returns at once.
    void begin();

    // The port open now, empty when none.
    std::string openPort() const;
    // How many looks have finished.
    int looks() const { return looks_.load(); }

private:
    void run();
    void look();
    void setOpenPort(const std::string& name);

    MidiIn& midi_;
    const std::chrono::milliseconds lookEvery_;

    // The finder thread's own.
    platform::MidiPortLister lister_;
    bool looked_ = false;
    std::vector<std::string> lastNames_;
    bool openIsStandIn_ = false;  // opened as the first playable port, not by name
    std::string lastFailure_;     // the open that failed at the last look, said once

    mutable std::mutex lock_;
    std::condition_variable wake_;
    bool stopping_ = false;       // under lock_
    std::string openPort_;        // under lock_
    std::atomic<int> looks_{0};
    std::thread thread_;
};
