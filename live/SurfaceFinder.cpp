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

SurfaceFinder::~SurfaceFinder()
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void SurfaceFinder::begin()
{
    if (thread_.joinable()) return;
    thread_ = std::thread([this] { run(); });
}

std::string SurfaceFinder::openPort() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return openPort_;
}

void SurfaceFinder::setOpenPort(const std::string& name)
{
    std::lock_guard<std::mutex> guard(lock_);
    openPort_ = name;
}

void SurfaceFinder::run()
{
    std::unique_lock<std::mutex> guard(lock_);
    while (!stopping_) {
        // The MIDI system may take its time (or hang): never under the lock.
        guard.unlock();
        look();
        looks_.fetch_add(1);
        guard.lock();
        wake_.wait_for(guard, lookEvery_, [this] { return stopping_; });
    }
}

void SurfaceFinder::look()
{
    const std::vector<std::string> names = lister_.names();
    const bool changed = !looked_ || names != lastNames_;
    looked_ = true;
    lastNames_ = names;
    if (changed) MidiIn::printDeviceNames(names);

    // Only this thread changes the open port.
    const std::string open = openPort();
    if (midi_.handle) {
        const bool listed = std::find(names.begin(), names.end(), open) != names.end();
        // A surface unplugged and plugged in again between two looks is listed
        // as before, but no longer connected to the input opened on it.
        if (!listed || !lister_.feedsUs(open)) {
            midi_.stop();
            setOpenPort({});
            if (listed)
                std::printf("SurfaceFinder::look() : %s no longer reaches the player (unplugged and plugged in "
                            "again, or disconnected); opening it again\n",
                            open.c_str());
            else
                std::printf("SurfaceFinder::look() : %s went away; closed it\n", open.c_str());
        }
    }

    const PortChoice choice = ChooseSurfacePort(names, std::getenv("QUELLIN_MIDI_PORT"));
    if (midi_.handle) {
        const bool better = openIsStandIn_ && choice.byName;
        if (!better) {
            std::fflush(stdout);
            return;
        }
        midi_.stop();
        std::printf("SurfaceFinder::look() : closed %s for a better choice\n", open.c_str());
        setOpenPort({});
    }
    const auto every = std::chrono::duration<double>(lookEvery_).count();
    if (choice.index < 0) {
        if (changed)
            std::printf("SurfaceFinder::look() : no port chosen (%s); looking again every %g s\n", choice.why.c_str(),
                        every);
        lastFailure_.clear();
    } else {
        const std::string& name = names[static_cast<size_t>(choice.index)];
        std::string error;
        if (midi_.tryStart(name, error)) {
            std::printf("SurfaceFinder::look() : using idx=%d : %s (%s)\n", choice.index, name.c_str(),
                        choice.why.c_str());
            setOpenPort(name);
            openIsStandIn_ = !choice.byName;
            lastFailure_.clear();
        } else {
            // Tried again at every look; said once while it fails the same way.
            const std::string failure = name + "\n" + error;
            if (failure != lastFailure_)
                std::printf("SurfaceFinder::look() : idx=%d : %s (%s) could not be opened: %s; trying again every %g s\n",
                            choice.index, name.c_str(), choice.why.c_str(), error.c_str(), every);
            lastFailure_ = failure;
        }
    }
    std::fflush(stdout);
}
