#include "sim/PtyUnit.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "sim/SocketControl.h"

namespace zvk::sim {
namespace {

using SteadyTime = std::chrono::steady_clock::time_point;

int g_wakePipe[2] = {-1, -1};
volatile sig_atomic_t g_stop = 0;

void OnStopSignal(int /*signal*/) {
    g_stop = 1;
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(g_wakePipe[1], &byte, 1);
}

bool InstallStopHandlers() {
    if (::pipe(g_wakePipe) != 0) return false;
    for (int fd : g_wakePipe) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    ::sigemptyset(&action.sa_mask);
    return ::sigaction(SIGTERM, &action, nullptr) == 0 &&
           ::sigaction(SIGINT, &action, nullptr) == 0;
}

// The wire's timeline. Each byte takes byteTime on its wire: a byte from the
// host has arrived one byte time after it was read (or after the byte before
// it, whichever is later), and a byte of the unit's answer can leave once the
// command is in and the byte before it has gone, and reaches the host one
// byte time later. Only the answer waits, and it waits for points on this
// timeline rather than for "now plus a byte", so that the lateness of one
// wake-up does not add up over a long answer.
class WirePacer {
  public:
    explicit WirePacer(unsigned baud)
        : byteTime_(baud == 0 ? std::chrono::nanoseconds(0)
                              : std::chrono::nanoseconds(10'000'000'000LL / baud)) {}

    [[nodiscard]] bool Active() const { return byteTime_.count() != 0; }

    // A byte from the host, read from the terminal at readAt.
    void Received(SteadyTime readAt) { received_ = std::max(received_, readAt) + byteTime_; }

    // Waits until the next byte of the answer has crossed the wire. A
    // sleeping process wakes up late, and each exchange of programming would
    // pay that once: so it sleeps only until shortly before the time and
    // spins the rest.
    void Sending() {
        sent_ = std::max(sent_, received_) + byteTime_;
        if (g_stop != 0) return;
        std::this_thread::sleep_until(sent_ - kSpinTime);
        while (std::chrono::steady_clock::now() < sent_ && g_stop == 0) {
        }
    }

  private:
    static constexpr std::chrono::microseconds kSpinTime{200};

    std::chrono::nanoseconds byteTime_;
    SteadyTime received_{};
    SteadyTime sent_{};
};

// Writes everything, waiting for a slow reader; a host that reads nothing
// for a second loses the rest, as on a real line.
void WriteAll(int fd, const std::uint8_t* data, std::size_t count) {
    while (count > 0) {
        const ssize_t n = ::write(fd, data, count);
        if (n > 0) {
            data += n;
            count -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return;
        pollfd out{fd, POLLOUT, 0};
        if (::poll(&out, 1, 1000) == 0) return;
    }
}

bool MakeRaw(int fd) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) return false;
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B38400);
    ::cfsetospeed(&tio, B38400);
    tio.c_cflag |= CLOCAL | CREAD;
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

bool CreateLink(const std::string& path, const char* target) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        // A link left by a unit that was killed is replaced; anything else is
        // not ours to remove.
        if (!S_ISLNK(st.st_mode)) {
            std::fprintf(stderr, "zvk-unit-sim: %s exists and is not a link\n", path.c_str());
            return false;
        }
        ::unlink(path.c_str());
    }
    // A first run on a new account names a folder that is not there yet
    // (~/.config/zvk/COM2, say): it is made, as the programs would make it.
    if (const std::filesystem::path folder = std::filesystem::path(path).parent_path();
        !folder.empty()) {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error) {
            std::fprintf(stderr, "zvk-unit-sim: cannot create the folder %s: %s\n", folder.c_str(),
                         error.message().c_str());
            return false;
        }
    }
    if (::symlink(target, path.c_str()) != 0) {
        std::fprintf(stderr, "zvk-unit-sim: cannot create %s: %s\n", path.c_str(),
                     std::strerror(errno));
        return false;
    }
    return true;
}

void RemoveLink(const std::string& path, const char* target) {
    char buffer[4096];
    const ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer - 1);
    if (n < 0) return;
    buffer[n] = '\0';
    if (std::strcmp(buffer, target) == 0) ::unlink(path.c_str());
}

class Pty {
  public:
    ~Pty() {
        if (slave_ >= 0) ::close(slave_);
        if (master_ >= 0) ::close(master_);
    }
    bool Open() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return false;
        const char* name = ::ptsname(master_);
        if (name == nullptr) return false;
        name_ = name;
        // Our own slave descriptor keeps the terminal up while no host has
        // it open, so the master never reads a hang-up.
        slave_ = ::open(name_.c_str(), O_RDWR | O_NOCTTY);
        if (slave_ < 0 || !MakeRaw(slave_)) return false;
        return ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK) == 0;
    }
    [[nodiscard]] int Master() const { return master_; }
    [[nodiscard]] const std::string& Name() const { return name_; }

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string name_;
};

// Hands every byte the host sent to the unit and sends back its answers.
// Returns false when nothing could be read.
bool Serve(int master, UnitLine& line, WirePacer& pacer) {
    std::uint8_t input[256];
    const ssize_t n = ::read(master, input, sizeof input);
    if (n <= 0) return false;
    const SteadyTime readAt = std::chrono::steady_clock::now();
    std::vector<std::uint8_t> answer;
    for (ssize_t i = 0; i < n; ++i) {
        if (pacer.Active()) pacer.Received(readAt);
        answer.clear();
        line.FromHost(input[i], answer);
        if (!pacer.Active()) {
            WriteAll(master, answer.data(), answer.size());
            continue;
        }
        for (std::uint8_t byte : answer) {
            pacer.Sending();
            WriteAll(master, &byte, 1);
        }
    }
    return true;
}

}  // namespace

int RunPtyUnit(UnitLine& line, const PtyOptions& options) {
    if (!InstallStopHandlers()) {
        std::perror("zvk-unit-sim: signals");
        return 1;
    }
    Pty pty;
    if (!pty.Open()) {
        std::perror("zvk-unit-sim: pseudo-terminal");
        return 1;
    }
    // Made before the link, so that whoever waits for the link finds it too.
    SocketControl control;
    if (!options.SocketControlPath.empty() && !control.Open(options.SocketControlPath)) return 1;
    if (!options.LinkPath.empty() && !CreateLink(options.LinkPath, pty.Name().c_str())) return 1;
    std::printf("zvk-unit-sim: %.*s on %s\n", static_cast<int>(line.Model().Part().PartName.size()),
                line.Model().Part().PartName.data(), pty.Name().c_str());
    std::fflush(stdout);

    // Wake-ups on time, or the paced wire runs slower than the real one.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    WirePacer pacer(options.Baud);
    while (g_stop == 0) {
        pollfd fds[3] = {
            {pty.Master(), POLLIN, 0}, {g_wakePipe[0], POLLIN, 0}, {control.ReadEnd(), POLLIN, 0}};
        if (::poll(fds, control.ReadEnd() >= 0 ? 3 : 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if ((fds[2].revents & POLLIN) != 0) control.Serve(line.Model());
        if ((fds[0].revents & POLLIN) != 0) {
            if (Serve(pty.Master(), line, pacer)) continue;
        }
        if ((fds[0].revents & (POLLHUP | POLLERR)) != 0 || (fds[0].revents & POLLIN) != 0) {
            // Only seen while the terminal is being reset (EIO); wait for it.
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    // Bytes the host wrote just before the stop are still carried out, so
    // that nothing it sent is lost from the chip or the log.
    pollfd in{pty.Master(), POLLIN, 0};
    while (::poll(&in, 1, 50) > 0 && (in.revents & POLLIN) != 0 &&
           Serve(pty.Master(), line, pacer)) {
    }
    if (!options.LinkPath.empty()) RemoveLink(options.LinkPath, pty.Name().c_str());
    return 0;
}

}  // namespace zvk::sim
