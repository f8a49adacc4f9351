// The outputs a Linux desktop offers, in the order they are tried.
#include "platform/linux/LinuxOutputs.h"

#include <alsa/asoundlib.h>

#include <cstdarg>
#include <cstdio>

namespace platform {

namespace {

// The ALSA library prints its complaints to standard error. While an output
// is being opened they are kept, on the opening thread, as the reason it
// failed; at any other time they are dropped.
thread_local std::string* alsaComplaints = nullptr;

void keepAlsaComplaint(const char*, int, const char*, int, const char* format, ...)
{
    if (!alsaComplaints || !alsaComplaints->empty()) return;  // the first says most
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    *alsaComplaints = text;
}

}  // namespace

std::unique_ptr<AudioOutput> openSystemOutput(AudioMixer mixer, const std::string& wanted, std::string& failures)
{
    std::string failure;
    if (wanted.empty() || wanted == "server") {
        if (auto output = openServerOutput(mixer, failure)) return output;
        failures += "no sound server (" + failure + "), ";
    }
    if (wanted.empty() || wanted == "alsa") {
        std::string complaint;
        alsaComplaints = &complaint;
        snd_lib_error_set_handler(keepAlsaComplaint);
        auto output = openAlsaOutput(mixer, failure);
        alsaComplaints = nullptr;
        if (output) return output;
        failures += "no ALSA device (" + failure + (complaint.empty() ? "" : ": " + complaint) + "), ";
    }
    if (!wanted.empty() && wanted != "server" && wanted != "alsa" && wanted != "dummy")
        failures += "QUELLIN_AUDIO=" + wanted + " is not server, alsa or dummy, ";
    return nullptr;
}

}  // namespace platform
