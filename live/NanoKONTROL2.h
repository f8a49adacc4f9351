#pragma once
// The control surface's value store: the latest value and a press/release latch
// per control number, written on the MIDI thread and read by the main thread.
#include "live/MidiIn.h"

#include <atomic>
#include <cstdint>

class NanoKONTROL2 : public MidiIn {
public:
    static constexpr int kControls = 100;

    NanoKONTROL2();

    // Last value received + 0.0001 (0 before the first message), by control number.
    std::atomic<float> cc_value[kControls];
    // Press/release latch: 0, 1 or 2, by control number.
    std::atomic<int32_t> cc_toggle[kControls];
};

// The running show's controller: only fills the value store.
class MyNanoKONTROL2 : public NanoKONTROL2 {
};
