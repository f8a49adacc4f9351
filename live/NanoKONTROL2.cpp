#include "live/NanoKONTROL2.h"

#include <cstdio>
#include <mutex>

namespace {

// The control names, shared by every controller object. Built on first use, so
// it exists before the application record that fills it; lookups may come from
// the MIDI thread, hence the lock.
struct NameTable {
    std::mutex lock;
    std::map<uint8_t, std::string> names;
};

NameTable& nameTable()
{
    static NameTable table;
    return table;
}

void fillNames(std::map<uint8_t, std::string>& names)
{
    for (int n = 0; n < 8; ++n) {
        const std::string digit = std::to_string(n);
        names[static_cast<uint8_t>(NANO_KONTROL2_FADER_0 + n)] = "NANO_KONTROL2_FADER_" + digit;
        names[static_cast<uint8_t>(NANO_KONTROL2_ROTARY_KNOB_0 + n)] = "NANO_KONTROL2_ROTARY_KNOB_" + digit;
        names[static_cast<uint8_t>(NANO_KONTROL2_BUTTON_0_S + n)] = "NANO_KONTROL2_BUTTON_" + digit + "_S";
        names[static_cast<uint8_t>(NANO_KONTROL2_BUTTON_0_M + n)] = "NANO_KONTROL2_BUTTON_" + digit + "_M";
        names[static_cast<uint8_t>(NANO_KONTROL2_BUTTON_0_R + n)] = "NANO_KONTROL2_BUTTON_" + digit + "_R";
    }
    names[NANO_KONTROL2_BUTTON_PLAY] = "NANO_KONTROL2_BUTTON_PLAY";
    names[NANO_KONTROL2_BUTTON_STOP] = "NANO_KONTROL2_BUTTON_STOP";
    names[NANO_KONTROL2_BUTTON_BACK] = "NANO_KONTROL2_BUTTON_BACK";
    names[NANO_KONTROL2_BUTTON_FOWARD] = "NANO_KONTROL2_BUTTON_FOWARD";
    names[NANO_KONTROL2_BUTTON_REC] = "NANO_KONTROL2_BUTTON_REC";
    names[NANO_KONTROL2_BUTTON_CYCLE] = "NANO_KONTROL2_BUTTON_CYCLE";
    names[NANO_KONTROL2_BUTTON_TRACK_BACK] = "NANO_KONTROL2_BUTTON_TRACK_BACK";
    names[NANO_KONTROL2_BUTTON_TRACK_FOWARD] = "NANO_KONTROL2_BUTTON_TRACK_FOWARD";
    names[NANO_KONTROL2_BUTTON_MARKER_SET] = "NANO_KONTROL2_BUTTON_MARKER_SET";
    names[NANO_KONTROL2_BUTTON_MARKER_BACK] = "NANO_KONTROL2_BUTTON_MARKER_BACK";
    names[NANO_KONTROL2_BUTTON_MARKER_FOWARD] = "NANO_KONTROL2_BUTTON_MARKER_FOWARD";
}

}  // namespace

NanoKONTROL2::NanoKONTROL2()
{
    for (int i = 0; i < kControls; ++i) {
        cc_value[i].store(0.0f, std::memory_order_relaxed);
        cc_toggle[i].store(0, std::memory_order_relaxed);
    }
    NameTable& table = nameTable();
    std::lock_guard<std::mutex> guard(table.lock);
    if (table.names.empty()) fillNames(table.names);
}

NanoKONTROL2::~NanoKONTROL2()
{
    close_device();
}

std::string NanoKONTROL2::control_name(uint8_t cc)
{
    NameTable& table = nameTable();
    std::lock_guard<std::mutex> guard(table.lock);
    return table.names[cc];
}

std::map<uint8_t, std::string> NanoKONTROL2::control_names()
{
    NameTable& table = nameTable();
    std::lock_guard<std::mutex> guard(table.lock);
    return table.names;
}

void NanoKONTROL2::on_callback(uint32_t wMsg, uint32_t param1, uint32_t)
{
    if (wMsg == platform::kMidiData) split_message(param1);
}

void NanoKONTROL2::on_message(uint8_t*, uint8_t* data1, uint8_t* data2, uint8_t*)
{
    const uint8_t cc = *data1;
    // The store has no slot for higher numbers, and no control of the surface
    // sends one: such a message is dropped whole.
    if (cc >= kControls) return;

    const float value = static_cast<float>(*data2 + 0.0001);
    cc_value[cc].store(value, std::memory_order_relaxed);

    // Push-on/push-off latch: 1 from a press, 2 after its release, 0 again
    // from the next press.
    int32_t latch = cc_toggle[cc].load(std::memory_order_relaxed);
    const double stored = value;
    if (latch == 0 && stored > 0.1) latch = 1;
    if (latch == 1 && stored < 0.1) latch = 2;
    if (latch == 2 && stored > 0.1) latch = 0;
    cc_toggle[cc].store(latch, std::memory_order_relaxed);

    const bool continuous = cc <= 7 || (cc >= 16 && cc <= 23);
    if (continuous) {
        uint8_t number = cc;
        on_change_value(&number, data2);
    } else {
        uint8_t number = cc;
        if (*data2 != 0)
            on_press_button(&number);
        else
            on_release_button(&number);
    }
}

void NanoKONTROL2::on_press_button(uint8_t* cc)
{
    std::printf("NanoKONTROL2::on_press_button() : cc=%s\n", control_name(*cc).c_str());
    std::fflush(stdout);
}

void NanoKONTROL2::on_release_button(uint8_t* cc)
{
    std::printf("NanoKONTROL2::on_release_button() : cc=%s\n", control_name(*cc).c_str());
    std::fflush(stdout);
}

void NanoKONTROL2::on_change_value(uint8_t* cc, uint8_t* value)
{
    std::printf("%d => %d", *cc, *value);
    std::fflush(stdout);
}

MyNanoKONTROL2::~MyNanoKONTROL2()
{
    close_device();
}

void MyNanoKONTROL2::on_press_button(uint8_t*) {}
void MyNanoKONTROL2::on_release_button(uint8_t*) {}
void MyNanoKONTROL2::on_change_value(uint8_t*, uint8_t*) {}
