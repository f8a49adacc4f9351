#include "platform/MidiService.h"

#include "platform/MidiSystem.h"
#include "platform/Platform.h"

#include <rtmidi/RtMidi.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <mutex>
#include <sstream>

namespace platform {

struct MidiInput {
    std::unique_ptr<RtMidiIn> rtmidi;
    MidiInputCallback callback = nullptr;
    uintptr_t instance = 0;
    std::atomic<bool> started{false};
    std::atomic<int64_t> startTicks{0};

    // The latest complaint of RtMidi; its thread may report too, hence the lock.
    std::mutex errorLock;
    std::string lastError;

    void noteError(const std::string& text)
    {
        std::lock_guard<std::mutex> guard(errorLock);
        lastError = text;
    }
    std::string error()
    {
        std::lock_guard<std::mutex> guard(errorLock);
        return lastError;
    }
};

namespace {

void recordError(RtMidiError::Type, const std::string& text, void* user)
{
    static_cast<MidiInput*>(user)->noteError(text);
}

std::string trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \n");
    if (first == std::string::npos) return {};
    const size_t last = text.find_last_not_of(" \n");
    return text.substr(first, last - first + 1);
}

// Makes the RtMidi client of `input`. RtMidi prints warnings given before an
// error callback exists to std::cerr; they are caught here and kept as the
// input's latest error instead. False when no client could be made.
bool connect(MidiInput& input)
{
    QuietMidiLibraries();
    std::ostringstream said;
    std::streambuf* const console = std::cerr.rdbuf(said.rdbuf());
    try {
        input.rtmidi = std::make_unique<RtMidiIn>(MidiApi(), "quellin");
    } catch (const RtMidiError& error) {
        input.noteError(error.getMessage());
    }
    std::cerr.rdbuf(console);
    if (!input.rtmidi) return false;
    if (const std::string warning = trimmed(said.str()); !warning.empty()) input.noteError(warning);
    input.rtmidi->setErrorCallback(recordError, &input);
    return true;
}

void deliver(double, std::vector<unsigned char>* message, void* user)
{
    MidiInput* input = static_cast<MidiInput*>(user);
    if (!input->started.load(std::memory_order_acquire) || message->empty()) return;
    const int64_t elapsedMs = (TicksNow() - input->startTicks.load(std::memory_order_relaxed)) / 10'000;
    if (message->front() == 0xF0) {
        // System-exclusive data is never asked for; it only gets named.
        input->callback(input, kMidiLongData, input->instance, 0, static_cast<uintptr_t>(elapsedMs));
        return;
    }
    input->callback(input, kMidiData, input->instance, PackShortMessage(message->data(), message->size()),
                    static_cast<uintptr_t>(elapsedMs));
}

std::vector<std::string> portNames(RtMidiIn& rtmidi)
{
    std::vector<std::string> names;
    const unsigned count = rtmidi.getPortCount();
    for (unsigned i = 0; i < count; ++i) names.push_back(rtmidi.getPortName(i));
    return names;
}

// Opens port `index` of a connected input and hands it to the caller.
MidiOpenResult openPort(std::unique_ptr<MidiInput> input, uint32_t index, MidiInputCallback callback,
                        uintptr_t instance)
{
    input->callback = callback;
    input->instance = instance;
    input->rtmidi->ignoreTypes(true, true, true);
    input->rtmidi->setCallback(deliver, input.get());
    input->rtmidi->openPort(index, kMidiInputPortName);
    if (!input->rtmidi->isPortOpen()) {
        std::string why = input->error();
        if (why.empty()) why = "MIDI input device " + std::to_string(index) + " could not be opened";
        return {nullptr, why};
    }
    MidiInput* opened = input.release();
    callback(opened, kMidiOpen, instance, 0, 0);
    return {opened, {}};
}

}  // namespace

uint32_t PackShortMessage(const unsigned char* bytes, size_t count)
{
    uint32_t packed = 0;
    for (size_t i = 0; i < count && i < 3; ++i) packed |= static_cast<uint32_t>(bytes[i]) << (8 * i);
    return packed;
}

std::vector<std::string> MidiInputNames()
{
    MidiPortLister lister;
    return lister.names();
}

MidiPortLister::MidiPortLister() : connections_(std::make_unique<MidiConnections>()) {}
MidiPortLister::~MidiPortLister() = default;

std::vector<std::string> MidiPortLister::names()
{
    if (!probe_) {
        auto probe = std::make_unique<MidiInput>();
        if (!connect(*probe)) return {};
        probe_ = std::move(probe);
    }
    std::vector<std::string> names = portNames(*probe_->rtmidi);
    // No ports may also mean the server went away under the probe: the next
    // call connects again, to a server started since if there is one.
    if (names.empty()) probe_.reset();
    return names;
}

bool MidiPortLister::feedsUs(const std::string& name)
{
    return connections_->feedsUs(name);
}

MidiOpenResult MidiInputOpen(uint32_t index, MidiInputCallback callback, uintptr_t instance)
{
    auto input = std::make_unique<MidiInput>();
    if (!connect(*input)) return {nullptr, input->error()};
    if (index >= input->rtmidi->getPortCount()) {
        std::string why = input->error();
        if (why.empty()) why = "there is no MIDI input device " + std::to_string(index);
        return {nullptr, why};
    }
    return openPort(std::move(input), index, callback, instance);
}

MidiOpenResult MidiInputOpenNamed(const std::string& name, MidiInputCallback callback, uintptr_t instance)
{
    auto input = std::make_unique<MidiInput>();
    if (!connect(*input)) return {nullptr, input->error()};
    const std::vector<std::string> names = portNames(*input->rtmidi);
    const auto found = std::find(names.begin(), names.end(), name);
    if (found == names.end()) return {nullptr, "there is no MIDI input port named " + name};
    return openPort(std::move(input), static_cast<uint32_t>(found - names.begin()), callback, instance);
}

void MidiInputStart(MidiInput* input)
{
    if (!input) return;
    input->startTicks.store(TicksNow(), std::memory_order_relaxed);
    input->started.store(true, std::memory_order_release);
}

void MidiInputStop(MidiInput* input)
{
    if (input) input->started.store(false, std::memory_order_release);
}

void MidiInputClose(MidiInput* input)
{
    if (!input) return;
    input->started.store(false, std::memory_order_release);
    // Deleting the client joins RtMidi's thread, so no data callback follows.
    input->rtmidi.reset();
    input->callback(input, kMidiClose, input->instance, 0, 0);
    delete input;
}

}  // namespace platform
