#include "live/SurfaceFinder.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace {

bool containsIgnoringCase(const std::string& text, const std::string& part)
{
    const auto same = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    };
    return std::search(text.begin(), text.end(), part.begin(), part.end(), same) != text.end();
}

bool startsWithIgnoringCase(const std::string& text, const std::string& start)
{
    return text.size() >= start.size() && containsIgnoringCase(text.substr(0, start.size()), start);
}

// Ports that carry no player's hands: the kernel's through port, the
// sequencer's announcements, and the ports of the player itself.
bool throughOrSystem(const std::string& name)
{
    return containsIgnoringCase(name, "Midi Through") || containsIgnoringCase(name, "Announce") ||
           startsWithIgnoringCase(name, "quellin");
}

bool allDigits(const std::string& text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

PortChoice ChooseSurfacePort(const std::vector<std::string>& names, const char* wanted)
{
    if (wanted && *wanted) {
        const std::string want = wanted;
        const std::string setting = "QUELLIN_MIDI_PORT=" + want;
        if (allDigits(want)) {
            if (want.size() < 6 && std::stoul(want) < names.size())
                return {static_cast<int>(std::stoul(want)), setting, true};
        } else {
            for (size_t i = 0; i < names.size(); ++i)
                if (containsIgnoringCase(names[i], want)) return {static_cast<int>(i), setting, true};
        }
        return {-1, setting + " names no port"};
    }
    for (size_t i = 0; i < names.size(); ++i)
        if (containsIgnoringCase(names[i], "nanoKONTROL2")) return {static_cast<int>(i), "a nanoKONTROL2", true};
    for (size_t i = 0; i < names.size(); ++i)
        if (!throughOrSystem(names[i])) return {static_cast<int>(i), "the first port that is not a through or system port"};
    return {-1, names.empty() ? "no MIDI input ports" : "only through and system ports"};
}

void SurfaceFinder::begin(int64_t nowTicks)
{
    looked_ = false;
    look(nowTicks);
}

void SurfaceFinder::poll(int64_t nowTicks)
{
    if (nowTicks >= nextLook_) look(nowTicks);
}

void SurfaceFinder::look(int64_t nowTicks)
{
    nextLook_ = nowTicks + kLookEveryTicks;
    std::vector<std::string> names = lister_.names();
    // Nothing new to say or try while the ports stay the same.
    if (looked_ && names == lastNames_) return;
    looked_ = true;
    lastNames_ = names;
    MidiIn::printDeviceNames(names);

    if (midi_.handle && std::find(names.begin(), names.end(), openPort_) == names.end()) {
        midi_.stop();
        std::printf("SurfaceFinder::look() : %s went away; closed it\n", openPort_.c_str());
        openPort_.clear();
    }

    const PortChoice choice = ChooseSurfacePort(names, std::getenv("QUELLIN_MIDI_PORT"));
    if (midi_.handle) {
        const bool better = openIsStandIn_ && choice.byName;
        if (!better) return;
        midi_.stop();
        std::printf("SurfaceFinder::look() : closed %s for a better choice\n", openPort_.c_str());
        openPort_.clear();
    }
    if (choice.index < 0) {
        std::printf("SurfaceFinder::look() : no port chosen (%s); looking again every 2 s\n", choice.why.c_str());
    } else {
        const std::string& name = names[static_cast<size_t>(choice.index)];
        std::printf("SurfaceFinder::look() : using idx=%d : %s (%s)\n", choice.index, name.c_str(),
                    choice.why.c_str());
        std::fflush(stdout);
        if (midi_.start(name)) {
            openPort_ = name;
            openIsStandIn_ = !choice.byName;
        }
    }
    std::fflush(stdout);
}
