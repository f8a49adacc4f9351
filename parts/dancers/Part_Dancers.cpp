#include "parts/dancers/Part_Dancers.h"

#include "app/TDemoApp.h"
#include "parts/dancers/MusicClock.h"

#include <cstdio>

namespace {

const char* const kMusicPath = "newresources//11_velisse_and_the_norrows_-_quellin_and_vessary.mp3";

}  // namespace

void Part_Dancers::load()
{
    keyframeSources.add(kKeyframePath);
    keyframes.load(kKeyframePath);
    textTexture.LoadImage("newresources//velisse.png");
    loadShaderPrograms();
    cloudPoints = readPointFile("newresources//quellin.xyz");

    loadDanceSequence(sequences[2], "newresources//danceexport//006", "1");
    loadDanceSequence(sequences[0], "newresources//danceexport//009", "1");
    loadDanceSequence(sequences[1], "newresources//danceexport//011", "1");

    platform::AudioInit(-1, platform::kAudioRate);
    sample = platform::SampleLoad(kMusicPath);
    platform::Start();
    channel = platform::SampleGetChannel(sample);
    std::printf("%d", platform::ChannelPlay(channel, true) ? 1 : 0);
    std::fflush(stdout);
    for (float& bin : fftSmooth) bin = 0.0f;
}

void Part_Dancers::update()
{
    stepMusicClock(*this);

    TimelineView& view = ctrl->_timeline;
    view.shown = true;
    view.time = ttime;
    view.end = kShowEndSeconds;
    view.paused = clockStands(*this);
    view.windows = show_times::kWindows;
    view.curveTimes = keyframes.times;
    view.curveValues = keyframes.values;
}

float Part_Dancers::beat() const
{
    return beatPulse(platform::ChannelGetPosition(channel));
}

void Part_Dancers::updateFftBeat()
{
    fftBeat = fftBeatPulse(fftSmooth[0], ttime);
}
