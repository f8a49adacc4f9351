#pragma once
// The two outputs of a Windows desktop, tried in this order.
#include "platform/AudioOutput.h"

namespace platform {

// The audio session API in shared mode on the default device, with the
// position the audio clock reports. Null (and `failure` says why) when it
// cannot be opened.
std::unique_ptr<AudioOutput> openWasapiOutput(AudioMixer mixer, std::string& failure);

// The waveform audio API on the default device, with the device's sample
// count. Null (and `failure` says why) when it cannot be opened.
std::unique_ptr<AudioOutput> openWaveOutput(AudioMixer mixer, std::string& failure);

}  // namespace platform
