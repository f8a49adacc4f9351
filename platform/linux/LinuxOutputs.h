#pragma once
// The two outputs of a Linux desktop, tried in this order.
#include "platform/AudioOutput.h"

namespace platform {

// The sound server's default sink, with the latency the server reports for
// the stream. Null (and `failure` says why) when no server answers.
std::unique_ptr<AudioOutput> openServerOutput(AudioMixer mixer, std::string& failure);

// ALSA's "default" device, with ALSA's delay figure. Null (and `failure`
// says why) when it cannot be opened at 44100 Hz 16-bit stereo.
std::unique_ptr<AudioOutput> openAlsaOutput(AudioMixer mixer, std::string& failure);

}  // namespace platform
