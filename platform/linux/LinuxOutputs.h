#pragma once
// The two outputs of a Linux desktop, tried in this order.
#include "platform/AudioOutput.h"

namespace platform {

// The sound server's default sink, with the latency the server reports for
// the stream. Null (and `failure` says why) when no server answers within
// 3 s; `unanswered` then tells a server that was reached but stayed silent
// from one that is not there.
std::unique_ptr<AudioOutput> openServerOutput(AudioMixer mixer, std::string& failure, bool& unanswered);

// ALSA's "default" device, with ALSA's delay figure. Null (and `failure`
// says why) when it cannot be opened at 44100 Hz 16-bit stereo, or when the
// open does not return within 3 s (the device may be a sound server's plugin
// and that server may not answer).
std::unique_ptr<AudioOutput> openAlsaOutput(AudioMixer mixer, std::string& failure);

}  // namespace platform
