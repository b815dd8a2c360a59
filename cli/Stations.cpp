#include "cli/Stations.h"

#include <cstdio>
#include <string_view>

#include "cli/Args.h"
#ifndef _WIN32
#include "cli/ScopedSignalHandlers.h"
#endif

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <optional>
#endif

namespace zvk::cli {

void ReportStation(int fd, const StationReport& report) {
    std::string line = std::to_string(report.passed) + " " + std::to_string(report.failed) + " ";
    for (const char c : report.status) line += c == '\n' ? ' ' : c;
    line += '\n';
#ifdef _WIN32
    (void)fd;
#else
    // The parent reads it at once; a parent that has gone is no reason to stop.
    (void)!::write(fd, line.data(), line.size());
#endif
}

#ifdef _WIN32

int RunStations(const std::vector<std::string>&, const StationRun&) {
    return UsageError(
        "several ports at once are not available on Windows; run one zvk-cli per port");
}

#else

namespace {

volatile std::sig_atomic_t g_interrupts = 0;
volatile std::sig_atomic_t g_terminate = 0;

void OnSignal(int signal) {
    if (signal == SIGINT) {
        g_interrupts = g_interrupts + 1;
    } else {
        g_terminate = 1;
    }
}

// Forwarded to every station; see OnSignal.
using ParentSignals = ScopedSignalHandlers<3>;

enum Stream { kOut, kErr, kStatus, kStreams };

struct Station {
    std::string port;
    pid_t pid = -1;
    std::array<int, kStreams> fds{-1, -1, -1};
    std::array<std::string, kStreams> pending;
    StationReport report{"starting", 0, 0};
    int exitStatus = -1;
    bool Open() const { return fds[kOut] >= 0 || fds[kErr] >= 0 || fds[kStatus] >= 0; }
};

// The status block on stderr: one line per station, redrawn in place.
class StatusBlock {
  public:
    explicit StatusBlock(const std::vector<Station>& stations)
        : stations_(stations), terminal_(::isatty(STDERR_FILENO) != 0) {}
    [[nodiscard]] bool Terminal() const { return terminal_; }

    void Erase() {
        if (!terminal_ || drawn_ == 0) return;
        std::fprintf(stderr, "\r\033[%zuA\033[J", drawn_);
        std::fflush(stderr);
        drawn_ = 0;
    }
    void Draw() {
        if (!terminal_) return;
        Erase();
        std::size_t width = 0;
        for (const Station& s : stations_) width = std::max(width, s.port.size());
        for (const Station& s : stations_) {
            std::fprintf(stderr, "%-*s  Passed %u, failed %u  %s\033[K\n", static_cast<int>(width),
                         s.port.c_str(), s.report.passed, s.report.failed, s.report.status.c_str());
        }
        std::fflush(stderr);
        drawn_ = stations_.size();
    }

  private:
    const std::vector<Station>& stations_;
    bool terminal_;
    std::size_t drawn_ = 0;
};

bool IsWaitLine(std::string_view line) {
    return line == "Remove the chip..." || line == "Insert a chip...";
}

void CloseStream(Station& s, Stream stream) {
    if (s.fds[stream] >= 0) ::close(s.fds[stream]);
    s.fds[stream] = -1;
}

// Starts the station's child with its three pipes; false when the system
// refused. The parent's ends of the stations started before are closed in
// the child.
bool Spawn(Station& station, const StationRun& run, const std::vector<Station>& started) {
    std::array<std::array<int, 2>, kStreams> pipes{};
    for (auto& p : pipes) {
        if (::pipe2(p.data(), O_CLOEXEC) != 0) return false;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) return false;
    if (pid == 0) {
        ::setpgid(0, 0);
        // A station whose parent is killed stops as on SIGTERM, chip logged.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) ::_exit(1);
        for (const Station& other : started) {
            for (const int fd : other.fds) {
                if (fd >= 0) ::close(fd);
            }
        }
        const int nothing = ::open("/dev/null", O_RDONLY);
        if (nothing >= 0) ::dup2(nothing, STDIN_FILENO);
        ::dup2(pipes[kOut][1], STDOUT_FILENO);
        ::dup2(pipes[kErr][1], STDERR_FILENO);
        for (const auto& p : pipes) ::close(p[0]);
        const int status = run(station.port, pipes[kStatus][1]);
        std::fflush(stdout);
        std::fflush(stderr);
        ::_exit(status);
    }
    for (int i = 0; i < kStreams; ++i) {
        ::close(pipes[i][1]);
        station.fds[i] = pipes[i][0];
    }
    station.pid = pid;
    return true;
}

void Signal(const std::vector<Station>& stations, int signal) {
    for (const Station& s : stations) {
        if (s.pid > 0 && s.exitStatus < 0) ::kill(s.pid, signal);
    }
}

// A line from standard input: which stations to force on to the next chip.
void ForceNext(const std::vector<Station>& stations, std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
    for (std::size_t i = 0; i < stations.size(); ++i) {
        const Station& s = stations[i];
        if (line.empty() || line == s.port || line == std::to_string(i + 1)) {
            if (s.pid > 0 && s.exitStatus < 0) ::kill(s.pid, SIGUSR1);
        }
    }
}

void TakeLine(Station& s, Stream stream, const std::string& line, StatusBlock& block) {
    if (stream == kStatus) {
        unsigned passed = 0;
        unsigned failed = 0;
        int used = 0;
        if (std::sscanf(line.c_str(), "%u %u %n", &passed, &failed, &used) >= 2) {
            s.report = {line.substr(static_cast<std::size_t>(used)), passed, failed};
            block.Draw();
        }
        return;
    }
    if (block.Terminal() && stream == kOut && IsWaitLine(line)) return;
    block.Erase();
    std::FILE* to = stream == kOut ? stdout : stderr;
    std::fprintf(to, "%s: %s\n", s.port.c_str(), line.c_str());
    std::fflush(to);
    block.Draw();
}

// Reads what has come on the stream; at its end the stream is closed.
void Drain(Station& s, Stream stream, StatusBlock& block) {
    char chunk[4096];
    const ssize_t n = ::read(s.fds[stream], chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) return;
    if (n <= 0) {
        if (!s.pending[stream].empty()) TakeLine(s, stream, s.pending[stream], block);
        s.pending[stream].clear();
        CloseStream(s, stream);
        return;
    }
    std::string& pending = s.pending[stream];
    pending.append(chunk, static_cast<std::size_t>(n));
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
        const std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        TakeLine(s, stream, line, block);
    }
}

}  // namespace

int RunStations(const std::vector<std::string>& ports, const StationRun& run) {
    std::vector<Station> stations(ports.size());
    g_interrupts = 0;
    g_terminate = 0;
    const ParentSignals signals(OnSignal, {SIGINT, SIGTERM, SIGHUP});
    for (std::size_t i = 0; i < ports.size(); ++i) {
        stations[i].port = ports[i];
        if (!Spawn(stations[i], run,
                   {stations.begin(), stations.begin() + static_cast<std::ptrdiff_t>(i)})) {
            std::fprintf(stderr, "zvk-cli: cannot start the station for %s: %s\n", ports[i].c_str(),
                         std::strerror(errno));
            stations[i].exitStatus = 1;
            stations[i].report.status = "not started";
        }
    }
    StatusBlock block(stations);
    block.Draw();
    bool keys = true;
    int interruptsPassed = 0;
    bool terminatePassed = false;
    std::string typed;
    while (true) {
        while (interruptsPassed < g_interrupts) {
            Signal(stations, SIGINT);
            ++interruptsPassed;
        }
        if (g_terminate != 0 && !terminatePassed) {
            Signal(stations, SIGTERM);
            terminatePassed = true;
        }
        std::vector<pollfd> fds;
        std::vector<std::pair<std::size_t, Stream> > owners;
        for (std::size_t i = 0; i < stations.size(); ++i) {
            for (int stream = 0; stream < kStreams; ++stream) {
                if (stations[i].fds[stream] < 0) continue;
                fds.push_back({stations[i].fds[stream], POLLIN, 0});
                owners.emplace_back(i, static_cast<Stream>(stream));
            }
        }
        if (fds.empty()) break;
        if (keys) fds.push_back({STDIN_FILENO, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), 200) < 0) continue;
        for (std::size_t k = 0; k < owners.size(); ++k) {
            if (fds[k].revents != 0) Drain(stations[owners[k].first], owners[k].second, block);
        }
        if (keys && fds.back().revents != 0) {
            char chunk[256];
            const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
            if (n <= 0) {
                keys = n < 0 && errno == EINTR;
                continue;
            }
            typed.append(chunk, static_cast<std::size_t>(n));
            for (std::size_t end; (end = typed.find('\n')) != std::string::npos;) {
                ForceNext(stations, std::string_view(typed).substr(0, end));
                typed.erase(0, end + 1);
            }
        }
    }
    int status = 0;
    unsigned passed = 0;
    unsigned failed = 0;
    for (Station& s : stations) {
        if (s.pid > 0) {
            int wait = 0;
            while (::waitpid(s.pid, &wait, 0) < 0 && errno == EINTR) {
            }
            s.exitStatus = WIFEXITED(wait) ? WEXITSTATUS(wait) : 1;
        }
        if (s.exitStatus != 0) status = 1;
        passed += s.report.passed;
        failed += s.report.failed;
    }
    block.Erase();
    for (const Station& s : stations) {
        const unsigned chips = s.report.passed + s.report.failed;
        std::printf("%s: %u chip%s: %u passed, %u failed\n", s.port.c_str(), chips,
                    chips == 1 ? "" : "s", s.report.passed, s.report.failed);
    }
    std::printf("%zu stations, %u chip%s: %u passed, %u failed\n", stations.size(), passed + failed,
                passed + failed == 1 ? "" : "s", passed, failed);
    std::fflush(stdout);
    return status;
}

#endif

}  // namespace zvk::cli
