#include "live/MidiIn.h"

#include <cstdio>
#include <string>
#include <vector>

MidiIn::~MidiIn()
{
    close_device();
}

void MidiIn::close_device()
{
    if (!handle) return;
    platform::MidiInput* const input = handle;
    handle = nullptr;
    platform::MidiInputStop(input);
    platform::MidiInputClose(input);
}

void MidiIn::midi_in_proc(platform::MidiInput*, uint32_t wMsg, uintptr_t instance, uintptr_t param1,
                          uintptr_t param2)
{
    reinterpret_cast<MidiIn*>(instance)->on_callback(wMsg, static_cast<uint32_t>(param1),
                                                     static_cast<uint32_t>(param2));
}

void MidiIn::split_message(uint32_t param1)
{
    uint8_t ch_msg = static_cast<uint8_t>(param1 & 0xFF);
    uint8_t data1 = static_cast<uint8_t>((param1 >> 8) & 0xFF);
    uint8_t data2 = static_cast<uint8_t>((param1 >> 16) & 0xFF);
    uint8_t data3 = static_cast<uint8_t>((param1 >> 24) & 0xFF);
    on_message(&ch_msg, &data1, &data2, &data3);
}

void MidiIn::on_callback(uint32_t wMsg, uint32_t param1, uint32_t)
{
    const char* name = nullptr;
    switch (wMsg) {
    case platform::kMidiOpen: name = "MIM_OPEN"; break;
    case platform::kMidiClose: name = "MIM_CLOSE"; break;
    case platform::kMidiData: split_message(param1); return;
    case platform::kMidiLongData: name = "MIM_LONGDATA"; break;
    case platform::kMidiError: name = "MIM_ERROR"; break;
    case platform::kMidiLongError: name = "MIM_LONGERROR"; break;
    case platform::kMidiMoreData: name = "MIM_MOREDATA"; break;
    default: break;
    }
    if (name)
        std::printf("wMsg=%s\n", name);
    else
        std::printf("wMsg = unknown\n");
    std::fflush(stdout);
}

void MidiIn::on_message(uint8_t* ch_msg, uint8_t* data1, uint8_t* data2, uint8_t* data3)
{
    std::printf("MidiIn::on_message() : ch_msg=%02x, data1=%02x, data2=%02x, data3=%02x\n", *ch_msg, *data1,
                *data2, *data3);
    std::fflush(stdout);
}

void MidiIn::printDeviceNames()
{
    printDeviceNames(platform::MidiInputNames());
}

void MidiIn::printDeviceNames(const std::vector<std::string>& names)
{
    std::printf("======== MidiIn::printDeviceNames() ========\n");
    for (size_t i = 0; i < names.size(); ++i) std::printf("  idx=%d : %s\n", static_cast<int>(i), names[i].c_str());
    std::fflush(stdout);
}

bool MidiIn::start()
{
    if (handle) return true;  // already open and started
    return started(platform::MidiInputOpen(0, &MidiIn::midi_in_proc, reinterpret_cast<uintptr_t>(this)));
}

bool MidiIn::tryStart(const std::string& portName, std::string& error)
{
    if (handle) return true;
    const platform::MidiOpenResult opened =
        platform::MidiInputOpenNamed(portName, &MidiIn::midi_in_proc, reinterpret_cast<uintptr_t>(this));
    if (!opened.input) {
        error = opened.error;
        return false;
    }
    handle = opened.input;
    platform::MidiInputStart(handle);
    return true;
}

bool MidiIn::started(const platform::MidiOpenResult& opened)
{
    if (!opened.input) {
        std::printf("MidiIn::start() : midiInOpen() failed...err=%s\n", opened.error.c_str());
        std::fflush(stdout);
        return false;
    }
    handle = opened.input;
    platform::MidiInputStart(handle);
    return true;
}
