#pragma once
// Records what the sound server's default sink plays (its monitor), with the
// time at which each recorded frame left the sink.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;

class MonitorRecorder {
public:
    MonitorRecorder() = default;
    ~MonitorRecorder();
    MonitorRecorder(const MonitorRecorder&) = delete;
    MonitorRecorder& operator=(const MonitorRecorder&) = delete;

    // Connects and starts recording; false (and `error`) when it cannot.
    bool start(std::string& error);
    void stop();

    // Mono samples (left and right averaged) at 44100 Hz, from the start.
    std::vector<int16_t> samples() const;

    // The time (platform ticks) at which recorded frame `index` left the
    // sink: the server's latency figure for the monitor at each read, fitted
    // over the reads within a second of the frame.
    double heardTicks(int64_t index) const;

private:
    static void onRead(pa_stream* stream, size_t bytes, void* self);
    static void onState(void* self);

    struct Anchor {
        int64_t index;
        double offsetTicks;  // heard time minus index / rate
    };

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    mutable std::mutex lock_;
    std::vector<int16_t> mono_;
    std::vector<Anchor> anchors_;
};
