#include "tools/capture/Progress.h"

#include <cstdio>
#include <unistd.h>

Progress::Progress(size_t total, bool enabled)
    : total_(total), enabled_(enabled), terminal_(isatty(STDERR_FILENO) != 0), start_(Clock::now()),
      lastShown_(start_)
{
}

void Progress::frameDone(size_t done)
{
    if (!enabled_) return;
    const Clock::time_point now = Clock::now();
    const double sinceShown = std::chrono::duration<double>(now - lastShown_).count();
    if (done < total_ && sinceShown < (terminal_ ? 0.25 : 5.0)) return;
    lastShown_ = now;
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    const double fps = elapsed > 0 ? static_cast<double>(done) / elapsed : 0.0;
    const double left = fps > 0 ? static_cast<double>(total_ - done) / fps : 0.0;
    const int minutes = static_cast<int>(left) / 60;
    const int secs = static_cast<int>(left) % 60;
    std::fprintf(stderr, "%sframe %zu/%zu  %.2f fps  ETA %d:%02d%s", terminal_ ? "\r" : "", done, total_, fps, minutes,
                 secs, terminal_ ? "   " : "\n");
    std::fflush(stderr);
}

void Progress::finish()
{
    if (enabled_ && terminal_) std::fputc('\n', stderr);
}
