#pragma once
// The progress of a long run on standard error: frame n/N, frames per
// second and the time left. On a terminal one line is rewritten in place;
// otherwise a line is printed every few seconds.
#include <chrono>
#include <cstddef>

class Progress {
public:
    Progress(size_t total, bool enabled);
    void frameDone(size_t done);
    void finish();

private:
    using Clock = std::chrono::steady_clock;
    size_t total_;
    bool enabled_;
    bool terminal_;
    Clock::time_point start_;
    Clock::time_point lastShown_;
};
