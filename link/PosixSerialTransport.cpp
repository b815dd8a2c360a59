#include "link/PosixSerialTransport.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <mutex>

#ifdef __linux__
#include <linux/serial.h>
#endif

namespace zvk {
namespace {

using SteadyTime = std::chrono::steady_clock::time_point;

// The exclusive mark and the line settings belong to the terminal, not to our
// descriptor, and outlive a process that dies holding it whenever another
// process keeps the terminal open (the virtual unit does, and so does the
// shell of a terminal that a stale link leads to): every later open would be
// turned away, and a shell would be left raw. So the ports this process has
// marked are recorded, with the mode each had before we set ours, where a
// signal handler can reach them, and a Ctrl+C or a kill puts them back on the
// way out.
struct MarkedPort {
    std::atomic<int> fd{-1};
    termios mode{};  // written before fd is published
};
std::array<MarkedPort, 4> g_markedPorts;

void ClearMarksAndDie(int signal) {
    for (auto& port : g_markedPorts) {
        const int fd = port.fd.exchange(-1);
        if (fd < 0) continue;
        ::tcsetattr(fd, TCSANOW, &port.mode);
        ::ioctl(fd, TIOCNXCL);
    }
    // The handler was installed to reset itself: this ends the process the
    // way the signal would have without us.
    ::raise(signal);
}

// Only where the signal would end the process anyway: a program's own
// handler is left alone.
void ClearMarksOnFatalSignals() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
            struct sigaction current {};
            if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) {
                continue;
            }
            struct sigaction action {};
            action.sa_handler = ClearMarksAndDie;
            action.sa_flags = SA_RESETHAND;
            ::sigemptyset(&action.sa_mask);
            ::sigaction(signal, &action, nullptr);
        }
    });
}

void RecordMark(int fd, const termios& mode) {
    for (auto& port : g_markedPorts) {
        if (port.fd.load() >= 0) continue;
        port.mode = mode;
        int none = -1;
        if (port.fd.compare_exchange_strong(none, fd)) return;
    }
}

void ForgetMark(int fd) {
    for (auto& port : g_markedPorts) {
        int held = fd;
        port.fd.compare_exchange_strong(held, -1);
    }
}

class PosixSerialTransport final : public SerialTransport {
  public:
    PosixSerialTransport() = default;
    ~PosixSerialTransport() override { Close(); }
    PosixSerialTransport(const PosixSerialTransport&) = delete;
    PosixSerialTransport& operator=(const PosixSerialTransport&) = delete;

    bool Open(const std::string& name) override {
        Close();
        // Non-blocking, so that opening a modem line does not wait for its
        // carrier, and it stays so: every wait goes through poll with its
        // deadline, and a write to a line that has stopped taking bytes
        // cannot hang. Never our controlling terminal.
        const int fd = ::open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return false;
        if (!TakeExclusively(fd)) {
            ::close(fd);
            return false;
        }
        // The mode it is put back in when it closes: a port may turn out to
        // be someone's terminal.
        if (::tcgetattr(fd, &savedMode_) != 0) {
            ::ioctl(fd, TIOCNXCL);
            ::close(fd);
            return false;
        }
        fd_ = fd;
        ClearMarksOnFatalSignals();
        RecordMark(fd_, savedMode_);
        return true;
    }

    bool Configure() override {
        if (fd_ < 0) return false;
        termios tio{};
        if (::tcgetattr(fd_, &tio) != 0) return false;
        ::cfmakeraw(&tio);
        tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
        tio.c_cflag |= CS8 | CLOCAL | CREAD;
        tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
        // A read returns what has come; with nothing there it says "try
        // again", which tells an empty line from one that has hung up.
        tio.c_cc[VMIN] = 1;
        tio.c_cc[VTIME] = 0;
        if (::cfsetispeed(&tio, B38400) != 0 || ::cfsetospeed(&tio, B38400) != 0 ||
            ::tcsetattr(fd_, TCSANOW, &tio) != 0) {
            return false;
        }
        // tcsetattr succeeds when any of the settings took; a driver that
        // cannot do the line the unit speaks must not pass for one that can.
        termios applied{};
        if (::tcgetattr(fd_, &applied) != 0 || ::cfgetospeed(&applied) != B38400 ||
            ::cfgetispeed(&applied) != B38400 || (applied.c_cflag & CSIZE) != CS8 ||
            (applied.c_cflag & (PARENB | CSTOPB)) != 0) {
            return false;
        }
        // Lines a pseudo-terminal or a three-wire adapter does not have cannot
        // be switched; the unit does not need them.
        const int lines = TIOCM_DTR | TIOCM_RTS;
        ::ioctl(fd_, TIOCMBIC, &lines);
        RequestLowLatency(fd_);
        return true;
    }

    // Only the input side: the driver may still be sending the bytes of the
    // last write, a command the unit must get, and clearing the output queue
    // would cut it off.
    void Purge() override {
        if (fd_ >= 0) ::tcflush(fd_, TCIFLUSH);
    }

    std::ptrdiff_t Write(const std::uint8_t* data, std::size_t count,
                         Clock::Duration timeout) override {
        if (fd_ < 0) return -1;
        const SteadyTime deadline = std::chrono::steady_clock::now() + timeout;
        std::size_t sent = 0;
        // Bytes the driver has not taken by the deadline are never handed to
        // it, so none of them can go out later in another exchange.
        while (sent < count) {
            const ssize_t n = ::write(fd_, data + sent, count - sent);
            if (n > 0) {
                sent += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return -1;
            const int ready = WaitFor(POLLOUT, deadline);
            if (ready < 0) return -1;
            if (ready == 0) break;
        }
        return static_cast<std::ptrdiff_t>(sent);
    }

    std::ptrdiff_t Read(std::uint8_t* data, std::size_t count, Clock::Duration timeout) override {
        if (fd_ < 0) return -1;
        if (count == 0) return 0;
        const SteadyTime deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            const ssize_t n = ::read(fd_, data, count);
            if (n > 0) return static_cast<std::ptrdiff_t>(n);
            // End of file on a terminal: the line has hung up (the adapter
            // was pulled, the virtual unit has gone).
            if (n == 0) return -1;
            if (errno == EINTR) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) return -1;
            const int ready = WaitFor(POLLIN, deadline);
            if (ready <= 0) return ready;
        }
    }

    void Close() override {
        if (fd_ < 0) return;
        ForgetMark(fd_);
        ::tcsetattr(fd_, TCSANOW, &savedMode_);
        ::ioctl(fd_, TIOCNXCL);
        ::close(fd_);
        fd_ = -1;
    }

    bool HungUp() const override { return TtyHungUp(fd_); }

  private:
    // Takes the port for this program alone, as the desktop program's serial
    // port does: TIOCEXCL turns away every later open but root's, and the
    // flock and the look at the exclusive mark turn away root as well, be it
    // another zvk-cli or a program that marked the port before us.
    static bool TakeExclusively(int fd) {
        if (::isatty(fd) == 0) return false;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return false;
#ifdef TIOCGEXCL
        int exclusive = 0;
        if (::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0) return false;
#endif
        return ::ioctl(fd, TIOCEXCL) == 0;
    }

    // Waits until the port is ready for `events` or the deadline has passed:
    // 1 when ready, 0 at the deadline, -1 when the port failed.
    int WaitFor(short events, SteadyTime deadline) const {
        for (;;) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            const int milliseconds = static_cast<int>(
                std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, 60'000));
            pollfd port{fd_, events, 0};
            const int n = ::poll(&port, 1, milliseconds);
            if (n < 0) {
                if (errno == EINTR) continue;
                return -1;
            }
            if (n == 0) {
                if (std::chrono::steady_clock::now() >= deadline) return 0;
                continue;
            }
            // A hang-up comes with POLLIN too; the read that follows sees it.
            if ((port.revents & events) != 0) return 1;
            return -1;
        }
    }

    int fd_ = -1;
    termios savedMode_{};
};

}  // namespace

void RequestLowLatency(int fd) {
#ifdef __linux__
    serial_struct serial{};
    if (fd >= 0 && ::ioctl(fd, TIOCGSERIAL, &serial) == 0) {
        serial.flags |= ASYNC_LOW_LATENCY;
        ::ioctl(fd, TIOCSSERIAL, &serial);
    }
#else
    (void)fd;
#endif
}

bool TtyHungUp(int fd) {
    if (fd < 0) return false;
    pollfd port{fd, 0, 0};
    return ::poll(&port, 1, 0) > 0 && (port.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

std::unique_ptr<SerialTransport> MakePosixSerialTransport() {
    return std::make_unique<PosixSerialTransport>();
}

}  // namespace zvk
