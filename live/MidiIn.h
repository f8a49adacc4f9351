#pragma once
// MIDI input: lists the input devices, opens device 0 and hands every short
// message to a virtual operation on the MIDI service's own thread.
#include <cstdint>

class MidiIn {
public:
    virtual ~MidiIn();
    virtual void on_callback(uint32_t wMsg, uint32_t param1, uint32_t param2);
    virtual void on_message(uint8_t* ch_msg, uint8_t* data1, uint8_t* data2, uint8_t* data3);

    static void printDeviceNames();
    bool start();

    void* handle = nullptr;  // the open input device, null while closed
};
