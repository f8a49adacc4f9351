#include "platform/MidiSystem.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace platform {

namespace {

void quietJack(const char*) {}
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

// An input port of the player: its own name, under a client whose name starts
// with the player's (JACK numbers clients of the same name: "quellin-01").
bool isOurInput(const std::string& client, const std::string& port)
{
    return port == kMidiInputPortName && client.rfind("quellin", 0) == 0;
}

// RtMidi names an ALSA port "client:port C:P"; the numbers at the end are the
// port's address.
bool alsaAddress(const std::string& name, snd_seq_addr_t& address)
{
    const size_t space = name.rfind(' ');
    if (space == std::string::npos) return false;
    int client = -1, port = -1;
    char rest = 0;
    if (std::sscanf(name.c_str() + space + 1, "%d:%d%c", &client, &port, &rest) != 2) return false;
    if (client < 0 || client > 255 || port < 0 || port > 255) return false;
    address.client = static_cast<unsigned char>(client);
    address.port = static_cast<unsigned char>(port);
    return true;
}

// Whether one of the ports reading from `source` is ours. A port that is gone
// has no readers.
bool readersIncludeUs(snd_seq_t* seq, const snd_seq_addr_t& source)
{
    snd_seq_query_subscribe_t* query = nullptr;
    snd_seq_query_subscribe_alloca(&query);
    snd_seq_query_subscribe_set_root(query, &source);
    snd_seq_query_subscribe_set_type(query, SND_SEQ_QUERY_SUBS_READ);
    snd_seq_port_info_t* port = nullptr;
    snd_seq_port_info_alloca(&port);
    snd_seq_client_info_t* client = nullptr;
    snd_seq_client_info_alloca(&client);
    for (int index = 0;; ++index) {
        snd_seq_query_subscribe_set_index(query, index);
        if (snd_seq_query_port_subscribers(seq, query) < 0) return false;
        const snd_seq_addr_t* reader = snd_seq_query_subscribe_get_addr(query);
        if (snd_seq_get_any_port_info(seq, reader->client, reader->port, port) < 0) continue;
        if (snd_seq_get_any_client_info(seq, reader->client, client) < 0) continue;
        if (isOurInput(snd_seq_client_info_get_name(client), snd_seq_port_info_get_name(port))) return true;
    }
}

}  // namespace

// ALSA's sequencer where it can be opened, otherwise JACK; the environment may
// pick one explicitly (the tests use this to reach a private JACK server).
RtMidi::Api MidiApi()
{
    if (const char* wanted = std::getenv("QUELLIN_MIDI_API")) {
        if (std::strcmp(wanted, "alsa") == 0) return RtMidi::LINUX_ALSA;
        if (std::strcmp(wanted, "jack") == 0) return RtMidi::UNIX_JACK;
    }
    return access("/dev/snd/seq", R_OK | W_OK) == 0 ? RtMidi::LINUX_ALSA : RtMidi::UNIX_JACK;
}

void QuietMidiLibraries()
{
    static std::once_flag once;
    std::call_once(once, [] {
        jack_set_error_function(quietJack);
        jack_set_info_function(quietJack);
        snd_lib_error_set_handler(quietAlsa);
    });
}

// A sequencer client and a JACK client of the player's own, for questions only:
// neither has ports.
struct MidiConnections::Link {
    snd_seq_t* seq = nullptr;
    jack_client_t* jack = nullptr;
    std::atomic<bool> jackLost{false};  // set on JACK's thread when the server goes

    ~Link()
    {
        closeJack();
        if (seq) snd_seq_close(seq);
    }
    void closeJack()
    {
        if (jack) jack_client_close(jack);
        jack = nullptr;
        jackLost.store(false);
    }

    bool alsaFeedsUs(const std::string& source)
    {
        snd_seq_addr_t address{};
        if (!alsaAddress(source, address)) return true;
        if (!seq) {
            if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0) {
                seq = nullptr;
                return true;
            }
            snd_seq_set_client_name(seq, "quellin-watch");
        }
        return readersIncludeUs(seq, address);
    }

    bool jackFeedsUs(const std::string& source)
    {
        if (jackLost.load()) closeJack();
        if (!jack) {
            jack_status_t status;
            jack = jack_client_open("quellin-watch", JackNoStartServer, &status);
            if (!jack) return true;  // no server to ask: the port list tells
            jack_on_shutdown(
                jack, [](void* link) { static_cast<Link*>(link)->jackLost.store(true); }, this);
            // Only an active client hears that the server went away.
            jack_activate(jack);
        }
        jack_port_t* port = jack_port_by_name(jack, source.c_str());
        if (!port) return false;
        const char** peers = jack_port_get_all_connections(jack, port);
        bool ours = false;
        for (int i = 0; peers && peers[i] && !ours; ++i) {
            const std::string peer = peers[i];
            const size_t colon = peer.find(':');
            ours = colon != std::string::npos && isOurInput(peer.substr(0, colon), peer.substr(colon + 1));
        }
        jack_free(peers);
        return ours;
    }
};

MidiConnections::MidiConnections() : link_(std::make_unique<Link>()) {}
MidiConnections::~MidiConnections() = default;

bool MidiConnections::feedsUs(const std::string& source)
{
    QuietMidiLibraries();
    return MidiApi() == RtMidi::LINUX_ALSA ? link_->alsaFeedsUs(source) : link_->jackFeedsUs(source);
}

}  // namespace platform
