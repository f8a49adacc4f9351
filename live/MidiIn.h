#pragma once
// MIDI input: lists the input devices, opens device 0 and hands every short
// message to a virtual operation on the MIDI service's own thread.
#include "platform/MidiService.h"

#include <cstdint>
#include <string>
#include <vector>

class MidiIn {
public:
    MidiIn() = default;
    MidiIn(const MidiIn&) = delete;
    MidiIn& operator=(const MidiIn&) = delete;
    // Stops and closes the device if it is open.
    virtual ~MidiIn();

    // Every notification of the open device, on the service's thread: data
    // messages are split and passed on, the other kinds are named.
    virtual void on_callback(uint32_t wMsg, uint32_t param1, uint32_t param2);
    // One short message cut into its four bytes, least significant first.
    virtual void on_message(uint8_t* ch_msg, uint8_t* data1, uint8_t* data2, uint8_t* data3);

    static void printDeviceNames();
    static void printDeviceNames(const std::vector<std::string>& names);
    // Opens input device 0 and starts it; false (with its line printed) when
    // the device cannot be opened.
    bool start();
    // Opens the input port of that name and starts it; false, with the
    // reason in `error` and nothing printed, when it cannot be opened.
    bool tryStart(const std::string& portName, std::string& error);
    // Stops and closes the device if it is open; it may be started again.
    void stop() { close_device(); }

    // The callback given to the service; `instance` is the MidiIn.
    static void midi_in_proc(platform::MidiInput* input, uint32_t wMsg, uintptr_t instance,
                             uintptr_t param1, uintptr_t param2);

    platform::MidiInput* handle = nullptr;  // the open device, null while closed

protected:
    // Cuts a packed short message and calls on_message.
    void split_message(uint32_t param1);
    // Stops and closes the device. Every class that overrides the callbacks
    // calls it from its destructor: the service thread must be quiet before
    // the object starts to come apart.
    void close_device();

private:
    // Starts an input the service opened, or prints why it could not.
    bool started(const platform::MidiOpenResult& opened);
};
