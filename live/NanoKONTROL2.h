#pragma once
// The control surface's value store: the latest value and a press/release latch
// per control number, written on the MIDI thread and read by the main thread.
#include "live/MidiIn.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <string>

class NanoKONTROL2 : public MidiIn {
public:
    static constexpr int kControls = 100;

    NanoKONTROL2();
    ~NanoKONTROL2() override;

    // Only data messages are looked at; other notices pass without output.
    void on_callback(uint32_t wMsg, uint32_t param1, uint32_t param2) override;
    // Stores the value, moves the latch and dispatches to the handlers below.
    void on_message(uint8_t* ch_msg, uint8_t* data1, uint8_t* data2, uint8_t* data3) override;

    virtual void on_press_button(uint8_t* cc);
    virtual void on_release_button(uint8_t* cc);
    virtual void on_change_value(uint8_t* cc, uint8_t* value);

    // The name of a control; a number without one is added with an empty name.
    static std::string control_name(uint8_t cc);
    // A copy of the name table, in control-number order.
    static std::map<uint8_t, std::string> control_names();

    // Last value received + 0.0001 (0 before the first message), by control
    // number. Each entry is one aligned 32-bit value; relaxed order is enough,
    // as entries are independent.
    std::atomic<float> cc_value[kControls];
    // Press/release latch: 0, 1 or 2, by control number.
    std::atomic<int32_t> cc_toggle[kControls];
};
static_assert(std::atomic<float>::is_always_lock_free && sizeof(std::atomic<float>) == 4);
static_assert(std::atomic<int32_t>::is_always_lock_free && sizeof(std::atomic<int32_t>) == 4);

// The running show's controller: only fills the value store.
class MyNanoKONTROL2 : public NanoKONTROL2 {
public:
    ~MyNanoKONTROL2() override;
    void on_press_button(uint8_t* cc) override;
    void on_release_button(uint8_t* cc) override;
    void on_change_value(uint8_t* cc, uint8_t* value) override;
};

// Control numbers of the surface, by the maker's names.
enum NanoKONTROL2Control : uint8_t {
    NANO_KONTROL2_FADER_0 = 0,
    NANO_KONTROL2_ROTARY_KNOB_0 = 16,
    NANO_KONTROL2_BUTTON_0_S = 32,
    NANO_KONTROL2_BUTTON_PLAY = 41,
    NANO_KONTROL2_BUTTON_STOP = 42,
    NANO_KONTROL2_BUTTON_BACK = 43,
    NANO_KONTROL2_BUTTON_FOWARD = 44,
    NANO_KONTROL2_BUTTON_REC = 45,
    NANO_KONTROL2_BUTTON_CYCLE = 46,
    NANO_KONTROL2_BUTTON_0_M = 48,
    NANO_KONTROL2_BUTTON_TRACK_BACK = 58,
    NANO_KONTROL2_BUTTON_TRACK_FOWARD = 59,
    NANO_KONTROL2_BUTTON_MARKER_SET = 60,
    NANO_KONTROL2_BUTTON_MARKER_BACK = 61,
    NANO_KONTROL2_BUTTON_MARKER_FOWARD = 62,
    NANO_KONTROL2_BUTTON_0_R = 64,
};
