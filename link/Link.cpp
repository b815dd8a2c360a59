#include "link/Link.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <utility>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "app/AppState.h"
#include "app/Messages.h"
#include "app/ProgramDirectory.h"
#include "app/SettingsLocation.h"

namespace zvk {
namespace {

LinkTimeouts& Timeouts() {
    static LinkTimeouts timeouts;
    return timeouts;
}

TransportFactory& Factory() {
    static TransportFactory factory;
    return factory;
}

// The open port; AppState::ProgrammerLink points at it.
std::unique_ptr<SerialTransport>& OpenPort() {
    static std::unique_ptr<SerialTransport> port;
    return port;
}

// What the open port's name led to when it was opened, and whether a
// transfer on it has failed since.
struct OpenPortState {
    std::optional<std::uint8_t> index;  // none for a port opened by its device name
    std::optional<std::array<std::uint64_t, 3>> device;
    bool failed = false;
};

OpenPortState& PortState() {
    static OpenPortState state;
    return state;
}

// The device a name leads to, following links: its file system and inode,
// and for a device node the device it stands for (a pseudo-terminal's node
// number comes back for the next one that is opened). Nothing when there is
// none, and always nothing on Windows, where COMn is the device itself.
std::optional<std::array<std::uint64_t, 3>> DeviceIdentity(const std::string& name) {
#ifdef _WIN32
    (void)name;
    return std::nullopt;
#else
    struct stat info {};
    if (::stat(name.c_str(), &info) != 0) return std::nullopt;
    return std::array<std::uint64_t, 3>{static_cast<std::uint64_t>(info.st_dev),
                                        static_cast<std::uint64_t>(info.st_ino),
                                        static_cast<std::uint64_t>(info.st_rdev)};
#endif
}

// A transfer's result as the port's own: a port that failed stays in error
// until it is opened again.
LinkResult Noted(SerialTransport* port, LinkResult result) {
    if (result == LinkFailed && port != nullptr && port == App().ProgrammerLink) {
        PortState().failed = true;
    }
    return result;
}

std::uint64_t& Failures() {
    static std::uint64_t failures = 0;
    return failures;
}

constexpr const char* kReadTimedOutText = "Read Time out error in serial communication!";
constexpr const char* kPortFailedText = "Serial port communication error!";

void ReportFailure(const char* text) {
    ++Failures();
    ShowMessage(text, "ERROR", MessageIcon::Stop);
}

// True for a transfer that is done; otherwise shows the link's message for
// its result.
bool Reported(LinkResult result, const char* timedOutText) {
    if (result == LinkDone) return true;
    ReportFailure(result == LinkTimedOut ? timedOutText : kPortFailedText);
    return false;
}

}  // namespace

const LinkTimeouts& CurrentLinkTimeouts() { return Timeouts(); }

ScopedLinkTimeouts::ScopedLinkTimeouts(const LinkTimeouts& timeouts) : previous_(Timeouts()) {
    Timeouts() = timeouts;
}
ScopedLinkTimeouts::~ScopedLinkTimeouts() { Timeouts() = previous_; }

TransportFactory SetTransportFactory(TransportFactory factory) {
    return std::exchange(Factory(), std::move(factory));
}

ResolvedPort ResolvePort(std::uint8_t portIndex) {
    const std::string com = ComName(portIndex);
#ifdef _WIN32
    return {com, PortSource::System};
#else
    // A link that points nowhere (a virtual unit that has gone, an adapter
    // that is unplugged) is still taken, so that the port fails to open
    // instead of silently reaching another port of the same number.
    const auto there = [](const std::string& path) {
        std::error_code ec;
        return std::filesystem::symlink_status(path, ec).type() !=
                   std::filesystem::file_type::not_found &&
               !ec;
    };
    if (std::string local = ProgramDirectoryFile(com); there(local)) {
        return {local, PortSource::ProgramDirectory};
    }
    if (const std::string folder = SettingsDirectory(); !folder.empty()) {
        std::string assigned = (std::filesystem::path(folder) / com).string();
        if (there(assigned)) return {assigned, PortSource::SettingsFolder};
    }
    return {"/dev/ttyS" + std::to_string(portIndex), PortSource::System};
#endif
}

std::string ResolvePortName(std::uint8_t portIndex) { return ResolvePort(portIndex).name; }

std::string ComName(std::uint8_t portIndex) { return "COM" + std::to_string(portIndex + 1); }

std::optional<std::uint8_t> ParseComName(std::string_view name) {
    const auto upper = [](char c) { return std::toupper(static_cast<unsigned char>(c)); };
    if (name.size() != 4 || upper(name[0]) != 'C' || upper(name[1]) != 'O' ||
        upper(name[2]) != 'M' || name[3] < '1' || name[3] > '9') {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(name[3] - '1');
}

namespace {

// The one way a programmer port is opened, by the desktop program and by
// zvk-cli alike.
// What opening a port says when it fails.
enum class OpenFailures : std::uint8_t {
    Quiet,         // the silent reopen before a command
    OpenOnly,      // a COM port: a port that opens but takes no line settings stays silent
    OpenOrConfig,  // a device named in zvk-cli: the run ends here, so it says why
};

SerialTransport* OpenPortNamed(const std::string& name, std::optional<std::uint8_t> portIndex,
                               OpenFailures say) {
    CloseProgrammerPort();
    std::unique_ptr<SerialTransport> port = Factory() ? Factory()() : nullptr;
    const bool opened = port && port->Open(name);
    if (opened) port->Purge();
    // A COM port that opens but does not take the line settings is none
    // without a word of its own, as the desktop program has always done: the
    // status bar then shows the port in error and a device command says
    // "Unable to Access the programmer!". zvk-cli, which ends there, says it.
    const bool configured = opened && port->Configure();
    if (!configured) {
        if (opened) port->Close();
        if (say == OpenFailures::OpenOrConfig || (say == OpenFailures::OpenOnly && !opened)) {
            ShowMessage("Cannot Establish Communication", "Error", MessageIcon::Stop);
        }
        return nullptr;
    }
    LetLineFallQuiet(port.get());
    PortState() = {portIndex, DeviceIdentity(name), false};
    OpenPort() = std::move(port);
    App().ProgrammerLink = OpenPort().get();
    return App().ProgrammerLink;
}

}  // namespace

SerialTransport* OpenProgrammerPort(std::uint8_t portIndex) {
    return OpenPortNamed(ResolvePortName(portIndex), portIndex, OpenFailures::OpenOnly);
}

SerialTransport* OpenProgrammerDevice(const std::string& device) {
    return OpenPortNamed(device, std::nullopt, OpenFailures::OpenOrConfig);
}

void CloseProgrammerPort() {
    if (OpenPort()) OpenPort()->Close();
    OpenPort().reset();
    App().ProgrammerLink = nullptr;
}

bool ProgrammerPortInError() {
    const SerialTransport* port = App().ProgrammerLink;
    // A port that tests or zvk-cli set up themselves is judged only by its
    // transfers.
    if (port != OpenPort().get()) return port == nullptr;
    return port == nullptr || PortState().failed || port->HungUp();
}

bool ProgrammerPortStale(std::uint8_t portIndex) {
    if (ProgrammerPortInError()) return true;
    if (App().ProgrammerLink != OpenPort().get()) return false;
    return PortState().index != portIndex ||
           DeviceIdentity(ResolvePortName(portIndex)) != PortState().device;
}

bool RefreshProgrammerPort(std::uint8_t portIndex) {
    if (!ProgrammerPortStale(portIndex)) return true;
    return OpenPortNamed(ResolvePortName(portIndex), portIndex, OpenFailures::Quiet) != nullptr;
}

void LetLineFallQuiet(SerialTransport* port) {
    if (port == nullptr) return;
    Clock& clock = CurrentClock();
    const Clock::TimePoint giveUp = clock.Now() + kQuietLineBound;
    std::uint8_t sink[64];
    while (true) {
        const auto left = std::chrono::ceil<Clock::Duration>(giveUp - clock.Now());
        if (left <= Clock::Duration(0)) break;
        if (port->Read(sink, sizeof sink, std::min(kQuietLine, left)) <= 0) break;
    }
    port->Purge();
}

void PurgePort(SerialTransport* port) {
    if (port != nullptr) port->Purge();
}

LinkResult LinkWriteRaw(SerialTransport* port, const std::uint8_t* block, std::size_t count) {
    if (port == nullptr) return LinkFailed;
    const std::ptrdiff_t written = port->Write(block, count, CurrentLinkTimeouts().WaitBound);
    if (written < 0) return Noted(port, LinkFailed);
    return static_cast<std::size_t>(written) == count ? LinkDone : LinkTimedOut;
}

LinkResult LinkReadCounted(SerialTransport* port, std::uint8_t* block, std::size_t count,
                           std::size_t& received) {
    using std::chrono::ceil;
    received = 0;
    if (port == nullptr) return LinkFailed;
    const LinkTimeouts& t = CurrentLinkTimeouts();
    Clock& clock = CurrentClock();
    const Clock::TimePoint start = clock.Now();
    const Clock::TimePoint waitEnd = start + t.WaitBound;
    const Clock::TimePoint totalEnd =
        start + t.ReadPerByte * static_cast<Clock::Duration::rep>(count) + t.ReadConstant;
    // Where the port's own time-outs end the read: the total time-out, and
    // after the first byte also the interval time-out.
    Clock::TimePoint portEnd = totalEnd;
    while (received < count) {
        const Clock::TimePoint end = std::min(portEnd, waitEnd);
        const Clock::Duration remaining =
            std::max(Clock::Duration(0), ceil<Clock::Duration>(end - clock.Now()));
        const std::ptrdiff_t n = port->Read(block + received, count - received, remaining);
        if (n < 0) return Noted(port, LinkFailed);
        if (n == 0) {
            // Whichever limit came first ended the read. A tie goes to the
            // port's time-out, which started first.
            if (portEnd <= waitEnd) return LinkDone;
            ShowMessage("Time out error", "ERROR", MessageIcon::Stop);
            return LinkTimedOut;
        }
        received += static_cast<std::size_t>(n);
        portEnd = std::min(totalEnd, clock.Now() + t.ReadInterval);
    }
    return LinkDone;
}

LinkResult LinkReadRaw(SerialTransport* port, std::uint8_t* block, std::size_t count) {
    std::size_t received = 0;
    return LinkReadCounted(port, block, count, received);
}

bool LinkWrite(SerialTransport* port, const std::uint8_t* block, std::size_t count) {
    return Reported(LinkWriteRaw(port, block, count),
                    "Write Time out error in serial communication!");
}

bool LinkRead(SerialTransport* port, std::uint8_t* block, std::size_t count) {
    return Reported(LinkReadRaw(port, block, count), kReadTimedOutText);
}

bool LinkReadBlock(SerialTransport* port, std::uint8_t* block, std::size_t count) {
    std::size_t received = 0;
    if (!Reported(LinkReadCounted(port, block, count, received), kReadTimedOutText)) return false;
    if (received == count) return true;
    ReportFailure(kReadTimedOutText);
    return false;
}

void ReportPortFailure() { ReportFailure(kPortFailedText); }

void ReportLinkFailure(const char* text) { ReportFailure(text); }

std::uint64_t LinkFailureCount() { return Failures(); }

}  // namespace zvk
