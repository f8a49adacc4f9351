#include "live/NanoKONTROL2.h"
#include "live/SurfaceFinder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// A short message as the MIDI service packs it: status, data1, data2.
uint32_t packed(uint8_t status, uint8_t data1, uint8_t data2)
{
    return status | (static_cast<uint32_t>(data1) << 8) | (static_cast<uint32_t>(data2) << 16);
}

void controlChange(MidiIn& midi, uint8_t control, uint8_t value)
{
    midi.on_callback(platform::kMidiData, packed(0xB0, control, value), 0);
}

template <typename Action>
std::string printed(Action action)
{
    testing::internal::CaptureStdout();
    action();
    return testing::internal::GetCapturedStdout();
}

}  // namespace

TEST(MidiIn, SplitsDataMessagesAndNamesEveryOtherKind)
{
    MidiIn midi;
    EXPECT_EQ(printed([&] { midi.on_callback(platform::kMidiData, 0x006403B0, 1234); }),
              "MidiIn::on_message() : ch_msg=b0, data1=03, data2=64, data3=00\n");
    EXPECT_EQ(printed([&] { midi.on_callback(platform::kMidiData, 0xFF7F4590, 0); }),
              "MidiIn::on_message() : ch_msg=90, data1=45, data2=7f, data3=ff\n");

    const std::pair<uint32_t, const char*> kinds[] = {
        {961, "wMsg=MIM_OPEN\n"},          {962, "wMsg=MIM_CLOSE\n"}, {964, "wMsg=MIM_LONGDATA\n"},
        {965, "wMsg=MIM_ERROR\n"},         {966, "wMsg=MIM_LONGERROR\n"}, {972, "wMsg=MIM_MOREDATA\n"},
        {967, "wMsg = unknown\n"},         {0, "wMsg = unknown\n"},
    };
    for (auto [kind, line] : kinds) EXPECT_EQ(printed([&] { midi.on_callback(kind, 0, 0); }), line);
}

TEST(MidiIn, ShortMessagesArePackedLeastSignificantByteFirst)
{
    const unsigned char message[] = {0xB0, 0x03, 0x64};
    EXPECT_EQ(platform::PackShortMessage(message, 3), 0x006403B0u);
    EXPECT_EQ(platform::PackShortMessage(message, 2), 0x000003B0u);  // a two-byte message
}

TEST(NanoKONTROL2, AFaderLatchesFromItsFirstMoveUntilItRisesAgainAfterZero)
{
    MyNanoKONTROL2 nano;
    EXPECT_EQ(nano.cc_value[3].load(), 0.0f);  // never touched: 0, not 0.0001

    controlChange(nano, 3, 64);
    EXPECT_FLOAT_EQ(nano.cc_value[3].load(), 64.0001f);
    EXPECT_EQ(nano.cc_toggle[3].load(), 1);
    controlChange(nano, 3, 100);
    EXPECT_EQ(nano.cc_toggle[3].load(), 1);
    controlChange(nano, 3, 0);
    EXPECT_FLOAT_EQ(nano.cc_value[3].load(), 0.0001f);
    EXPECT_EQ(nano.cc_toggle[3].load(), 2);
    controlChange(nano, 3, 12);
    EXPECT_EQ(nano.cc_toggle[3].load(), 0);
}

TEST(NanoKONTROL2, AButtonLatchesOnAndOffWithEveryOtherPress)
{
    MyNanoKONTROL2 nano;
    const int forward = NANO_KONTROL2_BUTTON_FOWARD;
    const int expected[][2] = {{127, 1}, {0, 2}, {127, 0}, {0, 0}, {127, 1}, {0, 2}, {127, 0}, {0, 0}};
    for (auto [value, latch] : expected) {
        controlChange(nano, forward, static_cast<uint8_t>(value));
        EXPECT_EQ(nano.cc_toggle[forward].load(), latch) << "after value " << value;
    }
    EXPECT_FLOAT_EQ(nano.cc_value[forward].load(), 0.0001f);

    // Any channel and any message kind with a data byte is stored alike.
    nano.on_callback(platform::kMidiData, packed(0x9F, 7, 99), 0);
    EXPECT_FLOAT_EQ(nano.cc_value[7].load(), 99.0001f);
    // Other notices pass without a trace.
    EXPECT_EQ(printed([&] { nano.on_callback(platform::kMidiOpen, packed(0xB0, 8, 5), 0); }), "");
    EXPECT_EQ(nano.cc_value[8].load(), 0.0f);
}

TEST(NanoKONTROL2, ControlNumbersOfAHundredAndMoreAreDropped)
{
    NanoKONTROL2 nano;  // the printing handlers show whether anything was dispatched
    for (int cc : {100, 101, 127}) {
        EXPECT_EQ(printed([&] { controlChange(nano, static_cast<uint8_t>(cc), 127); }), "") << cc;
    }
    for (int i = 0; i < NanoKONTROL2::kControls; ++i) {
        EXPECT_EQ(nano.cc_value[i].load(), 0.0f);
        EXPECT_EQ(nano.cc_toggle[i].load(), 0);
    }
    EXPECT_EQ(NanoKONTROL2::control_names().count(101), 0u);
}

TEST(NanoKONTROL2, TheBaseClassPrintsWhatTheShowsControllerIgnores)
{
    NanoKONTROL2 printing;
    EXPECT_EQ(printed([&] { controlChange(printing, NANO_KONTROL2_BUTTON_PLAY, 127); }),
              "NanoKONTROL2::on_press_button() : cc=NANO_KONTROL2_BUTTON_PLAY\n");
    EXPECT_EQ(printed([&] { controlChange(printing, NANO_KONTROL2_BUTTON_PLAY, 0); }),
              "NanoKONTROL2::on_release_button() : cc=NANO_KONTROL2_BUTTON_PLAY\n");
    EXPECT_EQ(printed([&] { controlChange(printing, 19, 64); }), "19 => 64");  // knob 3, no line end
    EXPECT_EQ(printed([&] { controlChange(printing, 7, 1); }), "7 => 1");      // fader 7

    MyNanoKONTROL2 quiet;
    EXPECT_EQ(printed([&] {
                  controlChange(quiet, NANO_KONTROL2_BUTTON_PLAY, 127);
                  controlChange(quiet, 19, 64);
                  controlChange(quiet, 40, 127);
              }),
              "");
    EXPECT_FLOAT_EQ(quiet.cc_value[19].load(), 64.0001f);
}

TEST(NanoKONTROL2, NamesAllFiftyOneControlsAndAddsAnUnknownOneEmpty)
{
    NanoKONTROL2 nano;
    std::map<uint8_t, std::string> names = NanoKONTROL2::control_names();
    names.erase(40);  // another test may have looked it up already
    ASSERT_EQ(names.size(), 51u);
    for (int n = 0; n < 8; ++n) {
        const std::string digit = std::to_string(n);
        EXPECT_EQ(names[static_cast<uint8_t>(n)], "NANO_KONTROL2_FADER_" + digit);
        EXPECT_EQ(names[static_cast<uint8_t>(16 + n)], "NANO_KONTROL2_ROTARY_KNOB_" + digit);
        EXPECT_EQ(names[static_cast<uint8_t>(32 + n)], "NANO_KONTROL2_BUTTON_" + digit + "_S");
        EXPECT_EQ(names[static_cast<uint8_t>(48 + n)], "NANO_KONTROL2_BUTTON_" + digit + "_M");
        EXPECT_EQ(names[static_cast<uint8_t>(64 + n)], "NANO_KONTROL2_BUTTON_" + digit + "_R");
    }
    const std::pair<int, const char*> transport[] = {
        {41, "NANO_KONTROL2_BUTTON_PLAY"},          {42, "NANO_KONTROL2_BUTTON_STOP"},
        {43, "NANO_KONTROL2_BUTTON_BACK"},          {44, "NANO_KONTROL2_BUTTON_FOWARD"},
        {45, "NANO_KONTROL2_BUTTON_REC"},           {46, "NANO_KONTROL2_BUTTON_CYCLE"},
        {58, "NANO_KONTROL2_BUTTON_TRACK_BACK"},    {59, "NANO_KONTROL2_BUTTON_TRACK_FOWARD"},
        {60, "NANO_KONTROL2_BUTTON_MARKER_SET"},    {61, "NANO_KONTROL2_BUTTON_MARKER_BACK"},
        {62, "NANO_KONTROL2_BUTTON_MARKER_FOWARD"},
    };
    for (auto [cc, name] : transport) EXPECT_EQ(names[static_cast<uint8_t>(cc)], name);

    EXPECT_EQ(printed([&] { controlChange(nano, 40, 127); }), "NanoKONTROL2::on_press_button() : cc=\n");
    const std::map<uint8_t, std::string> grown = NanoKONTROL2::control_names();
    ASSERT_EQ(grown.count(40), 1u);
    EXPECT_EQ(grown.at(40), "");
    EXPECT_EQ(grown.size(), 52u);

    NanoKONTROL2 another;  // the table is filled once and shared
    EXPECT_EQ(NanoKONTROL2::control_names().size(), 52u);
}

TEST(MidiIn, WithoutAMidiSystemTheListIsEmptyAndStartFailsWithTheServicesText)
{
    // JACK with a server name nobody runs: no MIDI system at all (Windows
    // has only its multimedia API).
    setenv("QUELLIN_MIDI_API", "jack", 1);
    setenv("JACK_DEFAULT_SERVER", ("quellin-absent-" + std::to_string(getpid())).c_str(), 1);

    testing::internal::CaptureStderr();
    EXPECT_EQ(printed([] { MidiIn::printDeviceNames(); }), "======== MidiIn::printDeviceNames() ========\n");
    MyNanoKONTROL2 nano;
    bool started = true;
    const std::string out = printed([&] { started = nano.start(); });
    EXPECT_FALSE(started);
    EXPECT_EQ(nano.handle, nullptr);
#ifdef _WIN32
    // The multimedia API, with no MIDI device (as under Wine here).
    const std::string why = "MidiInWinMM::initialize: no MIDI input devices currently available.";
#else
    const std::string why = "MidiInJack::initialize: JACK server not running?";
#endif
    EXPECT_EQ(out, "MidiIn::start() : midiInOpen() failed...err=" + why + "\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // the sound libraries kept quiet

    unsetenv("QUELLIN_MIDI_API");
    unsetenv("JACK_DEFAULT_SERVER");
}

TEST(SurfacePort, TheSurfaceFirstThenAPlayablePortAndTheSettingOverridesBoth)
{
    const std::vector<std::string> desktop = {
        "Midi Through:Midi Through Port-0 14:0",
        "System:Announce 0:1",
        "quellin:quellin input 128:0",
        "USB Keys:USB Keys MIDI 1 24:0",
        "nanoKONTROL2:nanoKONTROL2 MIDI 1 20:0",
    };
    const struct {
        std::vector<std::string> names;
        const char* wanted;
        int index;
    } cases[] = {
        {desktop, nullptr, 4},                                      // the surface, wherever it stands
        {{desktop[0], desktop[1], desktop[2], desktop[3]}, nullptr, 3},   // else the first playable port
        {{desktop[0], desktop[1], desktop[2]}, nullptr, -1},            // through and system ports only
        {{"a2j:Midi Through [14] (capture): Midi Through Port-0"}, nullptr, -1},
        {{}, nullptr, -1},
        {desktop, "", 4},                                           // an empty setting is no setting
        {desktop, "0", 0},                                          // an index, even of the through port
        {desktop, "5", -1},                                         // past the last port
        {desktop, "usb keys", 3},                                   // part of a name, in any case
        {desktop, "Launchpad", -1},                                 // a name that is not there
    };
    for (const auto& c : cases) {
        const PortChoice choice = ChooseSurfacePort(c.names, c.wanted);
        EXPECT_EQ(choice.index, c.index) << (c.wanted ? c.wanted : "(no setting)") << " among " << c.names.size()
                                         << " ports: " << choice.why;
        EXPECT_FALSE(choice.why.empty());
    }
}
