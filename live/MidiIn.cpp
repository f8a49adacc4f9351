#include "live/MidiIn.h"

#include "live/NanoKONTROL2.h"

#include <cstdio>

MidiIn::~MidiIn() = default;

void MidiIn::on_callback(uint32_t, uint32_t, uint32_t) {}

void MidiIn::on_message(uint8_t*, uint8_t*, uint8_t*, uint8_t*) {}

void MidiIn::printDeviceNames()
{
    std::printf("======== MidiIn::printDeviceNames() ========\n");
    std::fflush(stdout);
}

bool MidiIn::start()
{
    std::printf("MidiIn::start() : midiInOpen() failed...err=%s\n", "no MIDI service");
    std::fflush(stdout);
    return false;
}

NanoKONTROL2::NanoKONTROL2()
{
    for (int i = 0; i < kControls; ++i) {
        cc_value[i].store(0.0f, std::memory_order_relaxed);
        cc_toggle[i].store(0, std::memory_order_relaxed);
    }
}
