#include "bench/sound/PlayerProcess.h"

#include "platform/Platform.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>

namespace {

struct Arrival {
    int64_t player;  // the player's time in the line
    int64_t ours;    // when the line arrived
};

// Our clock minus the player's as a line through the smallest difference
// of each second: ours = player + offset + slope * (player - first).
void fitClocks(const std::vector<Arrival>& arrivals, PlayerRun& run, double& offset, double& slope)
{
    const int64_t first = arrivals.front().player;
    std::map<int64_t, double> least;  // per second of the player's time
    for (const Arrival& a : arrivals) {
        const int64_t second = (a.player - first) / static_cast<int64_t>(kTicksPerSecond);
        const auto d = static_cast<double>(a.ours - a.player);
        const auto found = least.find(second);
        if (found == least.end() || d < found->second) least[second] = d;
    }
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const auto& [second, d] : least) {
        const auto x = static_cast<double>(second);
        n += 1;
        sx += x;
        sy += d;
        sxx += x * x;
        sxy += x * d;
    }
    const double spread = n * sxx - sx * sx;
    const double perSecond = spread > 0 ? (n * sxy - sx * sy) / spread : 0;
    offset = (sy - perSecond * sx) / n;
    slope = perSecond / kTicksPerSecond;
    double worst = 0;
    for (const auto& [second, d] : least)
        worst = std::max(worst, std::fabs(d - offset - perSecond * static_cast<double>(second)));
    run.offsetMs = offset / 1e4;
    run.driftPpm = slope * 1e6;
    run.fitMs = worst / 1e4;
}

}  // namespace

bool runPlayer(const std::vector<std::string>& command, PlayerRun& run, std::string& error)
{
    int pipeEnds[2];
    if (command.empty() || pipe(pipeEnds) != 0) {
        error = "no player command, or no pipe";
        return false;
    }
    std::fflush(stdout);
    const pid_t child = fork();
    if (child < 0) {
        error = std::strerror(errno);
        return false;
    }
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        std::vector<char*> argv;
        for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        std::fprintf(stderr, "cannot run %s: %s\n", argv[0], std::strerror(errno));
        _exit(127);
    }
    close(pipeEnds[1]);

    // Every line is stamped with the moment the wait for it ended. Reading
    // stops at the end of the pipe, or once the player has ended and nothing
    // more comes (a server the player started may hold the pipe open).
    std::vector<Arrival> arrivals;
    std::vector<std::pair<int64_t, int64_t>> positions;  // player time, bytes
    int64_t begin = -1, seek = -1;
    std::string pending;
    char buffer[65536];
    int status = 0;
    bool ended = false;
    for (;;) {
        pollfd waiting{pipeEnds[0], POLLIN, 0};
        const int ready = poll(&waiting, 1, 1000);
        const int64_t now = platform::TicksNow();
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) {
            if (waitpid(child, &status, WNOHANG) == child) {
                ended = true;
                break;
            }
            continue;
        }
        const ssize_t got = ready > 0 ? read(pipeEnds[0], buffer, sizeof buffer) : -1;
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        pending.append(buffer, static_cast<size_t>(got));
        size_t start = 0;
        for (size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1) {
            const std::string line = pending.substr(start, end - start);
            int64_t t = 0, p = 0;
            if (std::sscanf(line.c_str(), "at %" SCNd64 " %" SCNd64, &t, &p) == 2) {
                arrivals.push_back({t, now});
                positions.emplace_back(t, p);
            } else if (std::sscanf(line.c_str(), "begin %" SCNd64, &t) == 1) {
                begin = t;
            } else if (std::sscanf(line.c_str(), "seek %" SCNd64, &t) == 1) {
                seek = t;
            } else if (line.rfind("output ", 0) == 0) {
                run.output = line.substr(7);
            } else {
                run.lines += line + "\n";
            }
        }
        pending.erase(0, start);
    }
    close(pipeEnds[0]);
    if (!ended) waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        error = "the player failed (status " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")";
        return false;
    }
    if (arrivals.empty() || begin < 0) {
        error = "the player printed no readings";
        return false;
    }

    double offset = 0, slope = 0;
    fitClocks(arrivals, run, offset, slope);
    const int64_t first = arrivals.front().player;
    const auto ours = [&](int64_t player) {
        return player + static_cast<int64_t>(std::llround(offset + slope * static_cast<double>(player - first)));
    };
    for (const auto& [t, p] : positions) run.log.push_back({ours(t), p});
    run.begin = ours(begin);
    run.seek = seek >= 0 ? ours(seek) : -1;
    return true;
}
