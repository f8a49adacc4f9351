// The controller over a real MIDI system: a private JACK server with the dummy
// driver, an RtMidi output port standing in for the control surface, and the
// player's input reading it on the service's own thread.
#include "live/NanoKONTROL2.h"

#include "app/TDemoApp.h"
#include "live/SurfaceFinder.h"
#include "parts/dancers/Part_Dancers.h"
#include "platform/Platform.h"
#include "tests/support/TestWindow.h"

#include <gtest/gtest.h>
#include <jack/jack.h>
#include <rtmidi/RtMidi.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

bool onPath(const std::string& program)
{
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');)
        if (access((dir + "/" + program).c_str(), X_OK) == 0) return true;
    return false;
}

// jackd in the background with a server name of its own, so parallel runs do
// not meet; it goes when the test ends or its process dies.
class JackServer {
public:
    JackServer() : name_("quellin-test-" + std::to_string(getpid())), log_("/tmp/" + name_ + ".log") {}
    ~JackServer()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        std::remove(log_.c_str());
    }

    const std::string& name() const { return name_; }

    // False with the reason when no server could be started. `portMax` > 0
    // caps the number of ports the server allows.
    bool start(std::string& why, int portMax = 0)
    {
        if (!onPath("jackd")) {
            why = "jackd is not installed (Debian package jackd2)";
            return false;
        }
        pid_ = fork();
        if (pid_ == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            const int log = open(log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(log, 1);
            dup2(log, 2);
            setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
            // Synchronous, with a long client timeout and long periods: on a busy
            // machine the server waits for a late client instead of dropping
            // the cycle, and the MIDI events in it.
            const std::string cap = std::to_string(portMax);
            if (portMax > 0)
                execlp("jackd", "jackd", "-n", name_.c_str(), "--no-realtime", "--sync", "-t", "20000", "-p",
                       cap.c_str(), "-d", "dummy", "-r", "44100", "-p", "1024", static_cast<char*>(nullptr));
            else
                execlp("jackd", "jackd", "-n", name_.c_str(), "--no-realtime", "--sync", "-t", "20000", "-d",
                       "dummy", "-r", "44100", "-p", "1024", static_cast<char*>(nullptr));
            _exit(127);
        }
        jack_set_error_function([](const char*) {});  // "cannot connect" while it starts up
        for (int attempt = 0; attempt < 100; ++attempt) {
            jack_status_t status;
            if (jack_client_t* probe = jack_client_open("quellin-probe",
                                                        static_cast<jack_options_t>(JackNoStartServer | JackServerName),
                                                        &status, name_.c_str())) {
                jack_client_close(probe);
                return true;
            }
            int exitStatus = 0;
            if (waitpid(pid_, &exitStatus, WNOHANG) == pid_) {
                pid_ = 0;
                why = "jackd exited (status " + std::to_string(exitStatus) + "): " + logTail();
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        why = "jackd accepted no client within 10 s: " + logTail();
        return false;
    }

    // SIGSTOP: the server stays, and every request to it waits.
    void hang(bool stopped) { kill(pid_, stopped ? SIGSTOP : SIGCONT); }

    // The end of jackd's output.
    std::string logTail() const
    {
        std::ifstream in(log_);
        std::stringstream text;
        text << in.rdbuf();
        const std::string all = text.str();
        return all.size() > 400 ? all.substr(all.size() - 400) : all;
    }

private:
    std::string name_, log_;
    pid_t pid_ = 0;
};

// The show's controller, noting where its handlers run.
class WatchedController : public MyNanoKONTROL2 {
public:
    explicit WatchedController(std::thread::id mainThread) : mainThread_(mainThread) {}
    ~WatchedController() override { close_device(); }
    void on_change_value(uint8_t*, uint8_t*) override
    {
        if (std::this_thread::get_id() == mainThread_) ranOnMainThread.store(true);
        ++values;
    }
    std::atomic<bool> ranOnMainThread{false};
    std::atomic<int> values{0};

private:
    const std::thread::id mainThread_;
};

// What the server said and who is connected to whom, for a failure's report.
std::string describe(const JackServer& server)
{
    std::string text = "jackd's last words: " + server.logTail() + "\nconnections:\n";
    jack_status_t status;
    jack_client_t* probe = jack_client_open(
        "quellin-report", static_cast<jack_options_t>(JackNoStartServer | JackServerName), &status, server.name().c_str());
    if (!probe) return text + "  (the server is gone)\n";
    const char** ports = jack_get_ports(probe, nullptr, nullptr, 0);
    for (int i = 0; ports && ports[i]; ++i) {
        text += std::string("  ") + ports[i] + " ->";
        const char** peers = jack_port_get_all_connections(probe, jack_port_by_name(probe, ports[i]));
        for (int j = 0; peers && peers[j]; ++j) text += std::string(" ") + peers[j];
        text += "\n";
        jack_free(peers);
    }
    jack_free(ports);
    jack_client_close(probe);
    return text;
}

// The player's MIDI service on a private server.
struct JackEnvironment {
    explicit JackEnvironment(const JackServer& server)
    {
        setenv("QUELLIN_MIDI_API", "jack", 1);
        setenv("JACK_DEFAULT_SERVER", server.name().c_str(), 1);
        unsetenv("QUELLIN_MIDI_PORT");
    }
    ~JackEnvironment()
    {
        unsetenv("QUELLIN_MIDI_API");
        unsetenv("JACK_DEFAULT_SERVER");
    }
};

// A device plugged in: a client of that name with one MIDI output port, "out".
std::unique_ptr<RtMidiOut> plugIn(const char* client)
{
    auto port = std::make_unique<RtMidiOut>(RtMidi::UNIX_JACK, client);
    port->openVirtualPort("out");
    return port;
}

bool within(std::chrono::seconds limit, const std::function<bool()>& done)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return done();
}

// Fader 7 moved to `value` until the store shows it, as a moving fader sends
// again and again: what goes out before a connection takes effect is lost.
bool faderReads(RtMidiOut& surface, NanoKONTROL2& nano, uint8_t value)
{
    return within(std::chrono::seconds(5), [&] {
        const unsigned char message[] = {0xB0, 7, value};
        surface.sendMessage(message, sizeof message);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return nano.cc_value[7].load() == value + 0.0001f;
    });
}

}  // namespace

TEST(JackMidi, ControlChangesFromTheSurfaceReachTheStoreOnTheServicesThread)
{
    JackServer server;
    std::string why;
    if (!server.start(why)) GTEST_SKIP() << "no JACK server for this test: " << why;
    setenv("QUELLIN_MIDI_API", "jack", 1);
    setenv("JACK_DEFAULT_SERVER", server.name().c_str(), 1);

    RtMidiOut surface(RtMidi::UNIX_JACK, "nanoKONTROL2");
    surface.openVirtualPort("out");
    auto send = [&](uint8_t control, uint8_t value) {
        const unsigned char message[] = {0xB0, control, value};
        surface.sendMessage(message, sizeof message);
    };

    testing::internal::CaptureStdout();
    MidiIn::printDeviceNames();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "======== MidiIn::printDeviceNames() ========\n  idx=0 : nanoKONTROL2:out\n");

    {
        WatchedController nano(std::this_thread::get_id());
        ASSERT_TRUE(nano.start());
        ASSERT_NE(nano.handle, nullptr);

        // Fader 5, sent again as a moving fader would until it is seen: the
        // connection takes effect in one of JACK's next cycles, and what goes
        // out before that is lost.
        EXPECT_TRUE(within(std::chrono::seconds(5), [&] {
            send(5, 100);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            return nano.cc_value[5].load() > 0;
        }));
        EXPECT_FLOAT_EQ(nano.cc_value[5].load(), 100.0001f);
        EXPECT_GE(nano.values.load(), 1);
        EXPECT_FALSE(nano.ranOnMainThread.load());

        // FORWARD pauses the show clock from a first press until the next one:
        // the dancers part's clock step reads the latch this surface sets.
        sharedTestWindow();
        TLiveControls ctrl;
        ctrl._nano = &nano;
        ctrl._dt = 0.1f;
        Part_Dancers part;
        part.ctrl = &ctrl;
        part.ttime = 10.0f;
        const int forward = NANO_KONTROL2_BUTTON_FOWARD;
        send(forward, 127);
        EXPECT_TRUE(within(std::chrono::seconds(5), [&] { return nano.cc_toggle[forward].load() == 1; }));
        part.update();
        EXPECT_EQ(part.ttime, 10.0f);
        send(forward, 0);
        EXPECT_TRUE(within(std::chrono::seconds(5), [&] { return nano.cc_toggle[forward].load() == 2; }));
        part.update();
        EXPECT_EQ(part.ttime, 10.0f);
        send(forward, 100);
        EXPECT_TRUE(within(std::chrono::seconds(5), [&] {
            return nano.cc_value[forward].load() > 100.0f && nano.cc_toggle[forward].load() == 0;
        }));
        part.update();
        EXPECT_GT(part.ttime, 10.0f);
        if (HasFailure()) std::printf("%s", describe(server).c_str());
    }  // stopped and closed here, before the surface goes

    unsetenv("QUELLIN_MIDI_API");
    unsetenv("JACK_DEFAULT_SERVER");
}

TEST(JackMidi, TheFinderPassesOverTheThroughPortAndFollowsTheSurfaceInAndOut)
{
    JackServer server;
    std::string why;
    if (!server.start(why)) GTEST_SKIP() << "no JACK server for this test: " << why;
    JackEnvironment environment(server);

    // Named as the kernel's through port is, and listed first.
    RtMidiOut through(RtMidi::UNIX_JACK, "Midi Through");
    through.openVirtualPort("Midi Through Port-0");

    MyNanoKONTROL2 nano;
    {
        SurfaceFinder finder(nano, std::chrono::milliseconds(200));
        auto opens = [&](const char* port) {
            return within(std::chrono::seconds(6), [&] { return finder.openPort() == port; });
        };

        // Only the through port: nothing is opened, and the show goes on.
        testing::internal::CaptureStdout();
        finder.begin();
        within(std::chrono::seconds(6), [&] { return finder.looks() > 0; });
        const std::string said = testing::internal::GetCapturedStdout();
        EXPECT_NE(said.find("idx=0 : Midi Through:Midi Through Port-0"), std::string::npos) << said;
        EXPECT_NE(said.find("no port chosen (only through and system ports)"), std::string::npos) << said;
        EXPECT_EQ(finder.openPort(), "");

        // A keyboard plugged in stands in, until the surface comes and takes over.
        auto keys = plugIn("Keys");
        EXPECT_TRUE(opens("Keys:out"));
        auto surface = plugIn("nanoKONTROL2");
        EXPECT_TRUE(opens("nanoKONTROL2:out"));
        EXPECT_TRUE(faderReads(*surface, nano, 90));

        // Unplugged: closed, the keyboard stands in again; plugged in again: read again.
        surface.reset();
        EXPECT_TRUE(opens("Keys:out"));
        surface = plugIn("nanoKONTROL2");
        EXPECT_TRUE(opens("nanoKONTROL2:out"));
        EXPECT_TRUE(faderReads(*surface, nano, 30));
        if (HasFailure()) std::printf("%s", describe(server).c_str());
    }
    nano.stop();  // the finder is gone; close before the ports go
}

// A port the server will not let the player connect to (no room for its input
// port) is tried again at every look, and opens once there is room; a surface
// unplugged and plugged in again between two looks is listed as before, but
// its new port is no longer connected to the player's input: it is opened again.
TEST(JackMidi, TheFinderRetriesAFailedOpenAndReopensASurfaceRepluggedBetweenTwoLooks)
{
    JackServer server;
    std::string why;
    if (!server.start(why, 16)) GTEST_SKIP() << "no JACK server for this test: " << why;
    JackEnvironment environment(server);
    auto surface = plugIn("nanoKONTROL2");
    // Audio ports, so the port list the finder reads stays the same throughout.
    jack_status_t status;
    jack_client_t* filler = jack_client_open("filler", static_cast<jack_options_t>(JackNoStartServer), &status);
    ASSERT_NE(filler, nullptr);
    std::vector<jack_port_t*> fill;
    while (jack_port_t* port = jack_port_register(filler, ("in" + std::to_string(fill.size())).c_str(),
                                                  JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0))
        fill.push_back(port);
    ASSERT_FALSE(fill.empty());

    MyNanoKONTROL2 nano;
    testing::internal::CaptureStdout();
    {
        SurfaceFinder finder(nano, std::chrono::seconds(1));
        finder.begin();
        EXPECT_TRUE(within(std::chrono::seconds(10), [&] { return finder.looks() >= 2; }));
        EXPECT_EQ(finder.openPort(), "");

        jack_port_unregister(filler, fill.back());
        EXPECT_TRUE(within(std::chrono::seconds(6), [&] { return finder.openPort() == "nanoKONTROL2:out"; }));
        EXPECT_TRUE(faderReads(*surface, nano, 90));

        // Just after a look, so the next one sees the same list as this one.
        const int looked = finder.looks();
        within(std::chrono::seconds(3), [&] { return finder.looks() > looked; });
        surface.reset();
        surface = plugIn("nanoKONTROL2");
        EXPECT_TRUE(faderReads(*surface, nano, 30));
    }
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_NE(said.find("nanoKONTROL2:out (a nanoKONTROL2) could not be opened: MidiInJack::openPort: JACK error "
                        "creating port; trying again every 1 s\n"),
              std::string::npos)
        << said;
    EXPECT_EQ(said.find("could not be opened"), said.rfind("could not be opened")) << "said once: " << said;
    EXPECT_NE(said.find("nanoKONTROL2:out no longer reaches the player"), std::string::npos) << said;
    if (HasFailure()) std::printf("%s\n%s", said.c_str(), describe(server).c_str());
    nano.stop();
    jack_client_close(filler);
}

// The show's frames go on while the finder waits for a JACK server that is not
// there yet, and while one that stopped answering holds a look for seconds.
TEST(JackMidi, ASurfaceOnAServerStartedAfterTheShowIsFoundAndAHungServerCostsNoFrame)
{
    JackServer server;  // named, not started yet
    JackEnvironment environment(server);
    TDemoApp app;
    app.window = sharedTestWindow();
    app.developer_mode = true;
    app.Start();
    auto framesFor = [&](std::chrono::milliseconds span) {
        std::chrono::duration<double> longest{0};
        for (const auto end = std::chrono::steady_clock::now() + span; std::chrono::steady_clock::now() < end;) {
            const auto before = std::chrono::steady_clock::now();
            app.RunFrame();
            longest = std::max<std::chrono::duration<double>>(longest, std::chrono::steady_clock::now() - before);
        }
        return longest.count();
    };
    EXPECT_LT(framesFor(std::chrono::milliseconds(1000)), 2.0);

    std::string why;
    if (!server.start(why)) GTEST_SKIP() << "no JACK server for this test: " << why;
    auto surface = plugIn("nanoKONTROL2");
    EXPECT_TRUE(within(std::chrono::seconds(8), [&] {
        framesFor(std::chrono::milliseconds(50));
        return app.surface.openPort() == "nanoKONTROL2:out";
    }));
    EXPECT_TRUE(faderReads(*surface, app.nano_kontrol2, 64));

    // Stopped for longer than two looks: each would hold a frame that long.
    server.hang(true);
    const double longest = framesFor(std::chrono::milliseconds(5000));
    server.hang(false);
    EXPECT_LT(longest, 2.0) << "a frame waited for the stopped server";
    if (HasFailure()) std::printf("%s", describe(server).c_str());
}
