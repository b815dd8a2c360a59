#include "link/Win32SerialTransport.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdint>

#include "app/Utf8Path.h"

namespace zvk {
namespace {

using SteadyTime = std::chrono::steady_clock::time_point;

// Milliseconds left until the deadline, at least 1 while any is left, and
// never MAXDWORD, which the time-outs read as "no limit".
DWORD MillisecondsUntil(SteadyTime deadline) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return static_cast<DWORD>(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, 600'000));
}

class Win32SerialTransport final : public SerialTransport {
  public:
    Win32SerialTransport() = default;
    ~Win32SerialTransport() override { Close(); }
    Win32SerialTransport(const Win32SerialTransport&) = delete;
    Win32SerialTransport& operator=(const Win32SerialTransport&) = delete;

    bool Open(const std::string& name) override {
        Close();
        // No sharing: a second open, by us or another program, is refused
        // while we hold it.
        const HANDLE port =
            ::CreateFileW(WideFromUtf8(Win32DeviceName(name)).c_str(), GENERIC_READ | GENERIC_WRITE,
                          0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (port == INVALID_HANDLE_VALUE) return false;
        // A file or a pipe opened by mistake has no line to set.
        if (::GetFileType(port) != FILE_TYPE_CHAR) {
            ::CloseHandle(port);
            return false;
        }
        port_ = port;
        timeoutsSet_ = false;
        return true;
    }

    bool Configure() override {
        if (port_ == INVALID_HANDLE_VALUE) return false;
        // The queue sizes are a wish the driver may round or ignore.
        ::SetupComm(port_, 1024, 1024);
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (!::GetCommState(port_, &dcb)) return false;
        dcb.BaudRate = 38400;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        dcb.fParity = FALSE;
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDtrControl = DTR_CONTROL_DISABLE;
        dcb.fRtsControl = RTS_CONTROL_DISABLE;
        dcb.fDsrSensitivity = FALSE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.fErrorChar = FALSE;
        dcb.fNull = FALSE;
        dcb.fAbortOnError = FALSE;
        if (!::SetCommState(port_, &dcb)) return false;
        // A driver that takes the call yet cannot do the line the unit speaks
        // must not pass for one that can.
        DCB applied{};
        applied.DCBlength = sizeof applied;
        if (!::GetCommState(port_, &applied) || applied.BaudRate != 38400 ||
            applied.ByteSize != 8 || applied.Parity != NOPARITY || applied.StopBits != ONESTOPBIT) {
            return false;
        }
        // Lines a three-wire adapter does not have cannot be switched; the
        // unit does not need them.
        ::EscapeCommFunction(port_, CLRDTR);
        ::EscapeCommFunction(port_, CLRRTS);
        return true;
    }

    // Only the input side: the driver may still be sending the bytes of the
    // last write, a command the unit must get.
    void Purge() override {
        if (port_ != INVALID_HANDLE_VALUE) ::PurgeComm(port_, PURGE_RXABORT | PURGE_RXCLEAR);
    }

    std::ptrdiff_t Write(const std::uint8_t* data, std::size_t count,
                         Clock::Duration timeout) override {
        if (port_ == INVALID_HANDLE_VALUE) return -1;
        if (count == 0) return 0;
        const SteadyTime deadline = std::chrono::steady_clock::now() + timeout;
        // The driver stops taking bytes at the write time-out; what it has
        // not taken by then is never handed to it.
        if (!SetTimeouts(kReadReturnsAtOnce, MillisecondsUntil(deadline))) return -1;
        DWORD written = 0;
        if (!::WriteFile(port_, data, static_cast<DWORD>(count), &written, nullptr)) return -1;
        return static_cast<std::ptrdiff_t>(written);
    }

    // Two forms of read that Windows and Wine both honour alike: one that
    // returns at once with what has come, and one that waits for a single
    // byte at most until the deadline. ({MAXDWORD, MAXDWORD, n}, Windows'
    // own "wait for the first byte", waits the whole n under Wine even with
    // bytes waiting, which would make every answer as slow as its time-out.)
    std::ptrdiff_t Read(std::uint8_t* data, std::size_t count, Clock::Duration timeout) override {
        if (port_ == INVALID_HANDLE_VALUE) return -1;
        if (count == 0) return 0;
        const SteadyTime deadline = std::chrono::steady_clock::now() + timeout;
        const std::ptrdiff_t waiting = ReadAtOnce(data, count);
        if (waiting != 0) return waiting;
        for (;;) {
            const DWORD left = MillisecondsUntil(deadline);
            if (left == 0) return 0;
            if (!SetTimeouts(ReadTimeouts{0, left}, 0)) return -1;
            DWORD n = 0;
            if (!::ReadFile(port_, data, 1, &n, nullptr)) return -1;
            if (n == 1) {
                const std::ptrdiff_t more = count > 1 ? ReadAtOnce(data + 1, count - 1) : 0;
                return more < 0 ? -1 : 1 + more;
            }
            // A time-out the driver cut short goes on to the deadline.
        }
    }

    void Close() override {
        if (port_ == INVALID_HANDLE_VALUE) return;
        ::CloseHandle(port_);
        port_ = INVALID_HANDLE_VALUE;
    }

  private:
    struct ReadTimeouts {
        DWORD interval;
        DWORD total;
    };
    static constexpr ReadTimeouts kReadReturnsAtOnce{MAXDWORD, 0};

    // What has come, without waiting: 0 when nothing is there, -1 when the
    // port failed.
    std::ptrdiff_t ReadAtOnce(std::uint8_t* data, std::size_t count) {
        if (!SetTimeouts(kReadReturnsAtOnce, 0)) return -1;
        DWORD n = 0;
        if (!::ReadFile(port_, data, static_cast<DWORD>(count), &n, nullptr)) return -1;
        return static_cast<std::ptrdiff_t>(n);
    }

    // Sets the port's time-outs; the call is skipped when they are already so.
    bool SetTimeouts(ReadTimeouts read, DWORD writeTotal) {
        COMMTIMEOUTS wanted{};
        wanted.ReadIntervalTimeout = read.interval;
        wanted.ReadTotalTimeoutMultiplier = 0;
        wanted.ReadTotalTimeoutConstant = read.total;
        wanted.WriteTotalTimeoutMultiplier = 0;
        // 0 would mean "no limit": a write always has one.
        wanted.WriteTotalTimeoutConstant = std::max<DWORD>(writeTotal, 1);
        if (timeoutsSet_ && wanted.ReadIntervalTimeout == timeouts_.ReadIntervalTimeout &&
            wanted.ReadTotalTimeoutConstant == timeouts_.ReadTotalTimeoutConstant &&
            wanted.WriteTotalTimeoutConstant == timeouts_.WriteTotalTimeoutConstant) {
            return true;
        }
        if (!::SetCommTimeouts(port_, &wanted)) return false;
        timeouts_ = wanted;
        timeoutsSet_ = true;
        return true;
    }

    HANDLE port_ = INVALID_HANDLE_VALUE;
    COMMTIMEOUTS timeouts_{};
    bool timeoutsSet_ = false;
};

}  // namespace

std::string Win32DeviceName(const std::string& name) {
    if (name.starts_with("\\\\")) return name;
    if (name.size() > 3 && (name[0] == 'C' || name[0] == 'c') &&
        (name[1] == 'O' || name[1] == 'o') && (name[2] == 'M' || name[2] == 'm')) {
        return "\\\\.\\" + name;
    }
    return name;
}

std::unique_ptr<SerialTransport> MakeWin32SerialTransport() {
    return std::make_unique<Win32SerialTransport>();
}

}  // namespace zvk
