// The outputs a Linux desktop offers, in the order they are tried.
#include "platform/linux/LinuxOutputs.h"

namespace platform {

std::unique_ptr<AudioOutput> openSystemOutput(AudioMixer mixer, const std::string& wanted, std::string& failures)
{
    std::string failure;
    bool serverSilent = false;
    if (wanted.empty() || wanted == "server") {
        if (auto output = openServerOutput(mixer, failure, serverSilent)) return output;
        failures += "no sound server (" + failure + "), ";
    }
    if (wanted.empty() && serverSilent) {
        // On a desktop ALSA's default device is that same server's plugin,
        // whose open would wait on it without end.
        failures += "no ALSA device (not tried: its default leads to the server that does not answer), ";
    } else if (wanted.empty() || wanted == "alsa") {
        if (auto output = openAlsaOutput(mixer, failure)) return output;
        failures += "no ALSA device (" + failure + "), ";
    }
    if (!wanted.empty() && wanted != "server" && wanted != "alsa" && wanted != "dummy")
        failures += "QUELLIN_AUDIO=" + wanted + " is not server, alsa or dummy, ";
    return nullptr;
}

}  // namespace platform
