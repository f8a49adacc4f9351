// The outputs a Windows desktop offers, in the order they are tried.
#include "platform/windows/WindowsOutputs.h"

namespace platform {

std::unique_ptr<AudioOutput> openSystemOutput(AudioMixer mixer, const std::string& wanted, std::string& failures)
{
    std::string failure;
    if (wanted.empty() || wanted == "wasapi") {
        if (auto output = openWasapiOutput(mixer, failure)) return output;
        failures += "no WASAPI device (" + failure + "), ";
    }
    if (wanted.empty() || wanted == "waveout") {
        if (auto output = openWaveOutput(mixer, failure)) return output;
        failures += "no waveOut device (" + failure + "), ";
    }
    if (!wanted.empty() && wanted != "wasapi" && wanted != "waveout" && wanted != "dummy")
        failures += "QUELLIN_AUDIO=" + wanted + " is not wasapi, waveout or dummy, ";
    return nullptr;
}

}  // namespace platform
