#include "cli/DeviceSession.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "app/Buffers.h"
#include "app/Clock.h"
#include "app/DeviceTable.h"
#include "app/Messages.h"
#include "app/Settings.h"
#include "app/SettingsLocation.h"
#include "app/Utf8Path.h"
#include "cli/ImageIo.h"
#include "cli/ImageOptions.h"
#include "cli/Output.h"
#include "cli/StopSignals.h"
#include "files/ImageFile.h"
#include "link/CommandTable.h"
#include "link/DeviceCommands.h"
#include "link/Link.h"
#ifdef _WIN32
#include "link/Win32SerialTransport.h"
#else
#include "link/PosixSerialTransport.h"
#endif

namespace zvk::cli {
namespace {

// The system's own serial port (termios, Win32), so that the CLI loads no Qt.
std::unique_ptr<SerialTransport> MakePortTransport() {
#ifdef _WIN32
    return MakeWin32SerialTransport();
#else
    return MakePosixSerialTransport();
#endif
}

// The system's reason for the last port that could not be opened, caught as
// "Cannot Establish Communication" is shown, before anything else can change errno.
class PortOpenFailure {
  public:
    PortOpenFailure() {
        previous_ = SetMessagePresenter([this](const Message& m) {
            if (m.text == "Cannot Establish Communication" && error_ == 0) error_ = errno;
            return previous_(m);
        });
    }
    ~PortOpenFailure() { SetMessagePresenter(std::move(previous_)); }
    PortOpenFailure(const PortOpenFailure&) = delete;
    PortOpenFailure& operator=(const PortOpenFailure&) = delete;

    // The second line after "Cannot Establish Communication": the device and why.
    void Explain(const std::string& device) const {
#ifdef _WIN32
        std::fprintf(stderr, "zvk-cli: %s could not be opened\n", device.c_str());
#else
        const bool busy = error_ == EBUSY || error_ == EWOULDBLOCK;
        const std::string reason = busy                              ? "in use by another program"
                                   : error_ == ENOTTY || error_ == 0 ? "not a serial port"
                                                                     : std::strerror(error_);
        std::fprintf(stderr, "zvk-cli: %s: %s\n", device.c_str(), reason.c_str());
        if (error_ == EACCES) {
            std::fputs(
                "zvk-cli: serial ports belong to the 'dialout' group: sudo usermod -aG "
                "dialout $USER, then log in again\n",
                stderr);
        }
#endif
    }

  private:
    MessagePresenter previous_;
    int error_ = 0;
};

// A --port that names no port at all: a COM number the program does not have,
// or a device that is not there.
std::optional<int> CheckPortName(const std::string& port) {
#ifndef _WIN32
    const bool comName = port.size() > 3 && (port[0] == 'C' || port[0] == 'c') &&
                         (port[1] == 'O' || port[1] == 'o') && (port[2] == 'M' || port[2] == 'm') &&
                         std::all_of(port.begin() + 3, port.end(), [](char c) {
                             return std::isdigit(static_cast<unsigned char>(c));
                         });
    if (comName) {
        return UsageError("--port '" + port +
                          "': no such port; COM1 to COM9, or a device such as /dev/ttyUSB0");
    }
    std::error_code ec;
    if (!std::filesystem::exists(port, ec)) {
        return UsageError("--port '" + port + "': no such device");
    }
#else
    (void)port;
#endif
    return std::nullopt;
}

// Set up with the session: whatever a command did, a failed transfer with the
// unit makes it a failed one.
std::optional<LinkFailureWatch>& SessionLinkWatch() {
    static std::optional<LinkFailureWatch> watch;
    return watch;
}

}  // namespace

#ifdef _WIN32
TerminalLine::TerminalLine()
    : terminal_(::_isatty(::_fileno(stderr)) != 0 && CurrentVerbosity() != Verbosity::Quiet) {
#else
TerminalLine::TerminalLine()
    : terminal_(::isatty(::fileno(stderr)) != 0 && CurrentVerbosity() != Verbosity::Quiet) {
#endif
    previous_ = SetMessagePresenter([this](const Message& message) {
        Clear();
        return previous_(message);
    });
}

TerminalLine::~TerminalLine() {
    Clear();
    SetMessagePresenter(std::move(previous_));
}

void TerminalLine::Draw(const DeviceProgressModel& model) {
    const ProgressBar& bar = model.progress;
    const std::uint32_t span = bar.maximum > bar.minimum ? bar.maximum - bar.minimum : 1;
    const std::uint32_t filled =
        std::min<std::uint32_t>(kWidth, (bar.position - bar.minimum) * kWidth / span);
    DrawText("[" + std::string(filled, '#') + std::string(kWidth - filled, '.') + "] " +
             model.percentage + " " + model.status);
}

void TerminalLine::DrawText(const std::string& text) {
    if (!terminal_) return;
    std::string line = "\r\033[K" + text;
    if (line == last_) return;
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    last_ = std::move(line);
}

void TerminalLine::Clear() {
    if (!terminal_ || last_.empty()) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    last_.clear();
}

std::set<std::string_view> DeviceValueOptions(std::set<std::string_view> own) {
    own.insert({"--port", "--part"});
    return own;
}

std::set<std::string_view> DeviceFlagOptions(std::set<std::string_view> own) {
    own.insert({"--spi", "--parallel"});
    return own;
}

std::optional<int> ApplyPartAndModeOptions(const ParsedArgs& parsed) {
    if (!SelectPartOption(parsed, SelectedDeviceInfo().PartName)) return 2;
    const bool spi = parsed.Has("--spi");
    const bool parallel = parsed.Has("--parallel");
    if (spi && parallel) return UsageError("--spi and --parallel cannot be given together");
    if (spi && !SelectedDeviceInfo().SpiCapable) {
        return UsageError(std::string(SelectedDeviceInfo().PartName) +
                          " cannot be programmed over SPI");
    }
    if (spi) App().ProgrammingMode &= static_cast<std::uint8_t>(~kModeParallel);
    if (parallel) App().ProgrammingMode |= kModeParallel;
    // Without either, the mode zvk.dat holds, as the desktop program would
    // run it: a part without SPI runs in Parallel mode whatever was stored.
    EnforceProgrammingMode();
    return std::nullopt;
}

std::optional<int> SetUpSession(const ParsedArgs& parsed) {
    SessionLinkWatch().emplace();
    LoadSettings();
    if (const auto stop = ApplyPartAndModeOptions(parsed)) return stop;
    if (AllocateBuffers() != 0) return 1;
    Detail("settings file: " + SettingsFilePath(kSettingsFileName));
    Detail("part: " + std::string(SelectedDeviceInfo().PartName) + ", " +
           ((App().ProgrammingMode & kModeParallel) != 0 ? "Parallel" : "SPI") + " mode");
    return std::nullopt;
}

std::optional<int> ConnectDevice(const ParsedArgs& parsed) {
    if (const auto stop = OpenDevicePort(parsed)) return stop;
    std::array<std::uint8_t, 3> signature{};
    const SocketState state = ProbeSocket(&signature);
    ShowSocketMessage(state);
    if (state == SocketState::WrongPart) {
        std::string line =
            Format("zvk-cli: the chip's signature is %02X %02X", signature[0], signature[1]);
        if (SelectedDeviceInfo().CheckReplyLength > 2) line += Format(" %02X", signature[2]);
        const auto part = PartOfSignature(signature, SelectedDeviceInfo().CheckReplyLength);
        line += part ? ": " + std::string(DeviceTable[*part].PartName) : ": no part zvk knows";
        std::fprintf(stderr, "%s\n", line.c_str());
    }
    if (state != SocketState::Expected && state != SocketState::NotChecked) return 1;
    return std::nullopt;
}

std::optional<std::uint8_t> PartOfSignature(const std::array<std::uint8_t, 3>& signature,
                                            std::uint8_t length) {
    if (signature[0] != kManufacturerCode) return std::nullopt;
    for (std::uint8_t i = 0; i < kDeviceCount; ++i) {
        const DeviceInfo& part = DeviceTable[i];
        if (part.DeviceCode != signature[1]) continue;
        // AT89S51 and AT89C51 share their code; the S5x parts add a third byte.
        const bool s5x = length > 2 && signature[2] == kS5xThirdSignatureByte;
        if ((part.Family == FamilyS5x) == s5x) return i;
    }
    return std::nullopt;
}

std::optional<int> OpenDevicePort(const ParsedArgs& parsed) {
    SetTransportFactory(MakePortTransport);
    const std::string port = parsed.Value("--port").value_or("");
    const PortOpenFailure failure;
    if (port.empty() || ParseComName(port)) {
        const std::uint8_t index = port.empty() ? App().PortIndex : *ParseComName(port);
        App().PortIndex = index;
        const std::string device = ResolvePortName(index);
        Detail(ComName(index) + " is " + device);
        if (!OpenProgrammerPort(index)) {
            failure.Explain(ComName(index) + " is " + device);
            return 1;
        }
        return std::nullopt;
    }
    if (const auto stop = CheckPortName(port)) return stop;
    // Made absolute: the serial port takes a bare name for one in /dev.
    const std::string device = Utf8FromPath(std::filesystem::absolute(PathFromUtf8(port)));
    Detail("port: " + device);
    if (!OpenProgrammerDevice(device)) {
        failure.Explain(device);
        return 1;
    }
    return std::nullopt;
}

std::optional<int> SelectBufferKind(const ParsedArgs& parsed, BufferKind& kind) {
    kind = BufferKind::Flash;
    if (!parsed.Has("--eeprom")) return std::nullopt;
    if (!SelectedDeviceInfo().HasEeprom) {
        return UsageError(std::string(SelectedDeviceInfo().PartName) + " has no EEPROM");
    }
    kind = BufferKind::Eeprom;
    return std::nullopt;
}

std::optional<int> LoadImage(const ParsedArgs& parsed, const std::string& path, BufferKind kind) {
    std::uint16_t loadAt = 0;
    if (!ReadAddressOption(parsed, kLoadAtOption, loadAt)) return 2;
    std::optional<LoadMode> format;
    if (!ReadFormatOption(parsed, format)) return 2;
    return LoadImageArgument(path, kind, loadAt, format);
}

std::optional<int> RunOverImage(const ParsedArgs& parsed, RangeOperation operation, BufferKind kind,
                                std::uint16_t blockSize,
                                const std::function<bool(const DeviceRangeRequest&)>& run) {
    const bool explicitRange =
        parsed.Has("--from") || parsed.Has("--to") || parsed.Has("--buffer-start");
    if (parsed.Has("--full") && explicitRange) {
        return UsageError("--full and --from/--to/--buffer-start cannot be given together");
    }
    const auto once = [&run](const DeviceRangeRequest& r) { (void)run(r); };
    if (parsed.Has("--full") || explicitRange) {
        DeviceRangeRequest request;
        if (const auto stop = ApplyRangeOptions(parsed, operation, kind, request)) return stop;
        if (!RunRangeRequest(operation, request, once)) return 1;
        return std::nullopt;
    }
    const std::vector<AddressStretch> stretches = LoadedStretches(kind, blockSize);
    if (stretches.empty()) {
        std::fputs("zvk-cli: the image holds no byte for the part in the socket\n", stderr);
        return 1;
    }
    for (const AddressStretch& stretch : stretches) {
        Detail(Format("range: %04X to %04X (from the image)", stretch.first, stretch.last));
    }
    for (const AddressStretch& stretch : stretches) {
        OperationRange range = RangeRecord(operation);
        range.DeviceStart = stretch.first;
        range.DeviceEnd = stretch.last;
        range.BufferStart = stretch.first;
        range.Flags &= static_cast<std::uint8_t>(~kRangeFullDevice);
        bool goOn = false;
        if (!RunRangeRequest(operation, MakeRangeRequest(operation, kind, range),
                             [&](const DeviceRangeRequest& r) { goOn = run(r); })) {
            return 1;
        }
        if (!goOn) break;
    }
    return std::nullopt;
}

std::optional<int> ApplyRangeOptions(const ParsedArgs& parsed, RangeOperation operation,
                                     BufferKind kind, DeviceRangeRequest& request) {
    // The remembered range is where fields the options leave alone come from.
    OperationRange range = RangeRecord(operation);
    if (!parsed.Has("--from") && !parsed.Has("--to") && !parsed.Has("--buffer-start")) {
        range.Flags |= kRangeFullDevice;
        request = MakeRangeRequest(operation, kind, range);
        Detail("range: the whole device");
        return std::nullopt;
    }
    std::uint16_t from = 0;
    std::uint16_t to = LastAddress(kind);
    if (!ReadAddressOption(parsed, "--from", from) || !ReadAddressOption(parsed, "--to", to)) {
        return 2;
    }
    std::uint16_t bufferStart = from;
    if (!ReadAddressOption(parsed, "--buffer-start", bufferStart)) return 2;
    range.DeviceStart = from;
    range.DeviceEnd = to;
    range.BufferStart = bufferStart;
    range.Flags &= static_cast<std::uint8_t>(~kRangeFullDevice);
    const bool hasBuffer = operation != RangeOperation::BlankCheck;
    if (ValidateOperationRange(kind, from, to, hasBuffer ? bufferStart : std::uint16_t{0})) {
        return 1;
    }
    request = MakeRangeRequest(operation, kind, range);
    Detail(Format("range: %04X to %04X", from, to) +
           (hasBuffer ? Format(", buffer from %04X", bufferStart) : std::string()));
    return std::nullopt;
}

std::optional<int> ReadLockOption(const ParsedArgs& parsed, std::uint8_t& lockBits) {
    const DeviceInfo& part = SelectedDeviceInfo();
    lockBits = 0;
    const std::string levels = parsed.Value("--lock").value_or("");
    std::size_t from = 0;
    while (from < levels.size()) {
        std::size_t comma = levels.find(',', from);
        if (comma == std::string::npos) comma = levels.size();
        std::string name = levels.substr(from, comma - from);
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (name.size() != 3 || name.compare(0, 2, "LB") != 0 || name[2] < '1' ||
            name[2] > static_cast<char>('0' + part.LockLevels)) {
            return UsageError("--lock: " + name + " is not a lock level of " +
                              std::string(part.PartName) + " (LB1 to LB" +
                              std::to_string(part.LockLevels) + ")");
        }
        lockBits |= LockOptionBit(part.LockLevels, static_cast<std::size_t>(name[2] - '1'));
        from = comma + 1;
    }
    return std::nullopt;
}

int RunSerialSwitch(Args args, std::string_view name, void (*command)()) {
    const auto parsed = ParseArgs(args, DeviceValueOptions({}), DeviceFlagOptions({}));
    if (!parsed) return 2;
    if (!parsed->positional.empty()) return UsageError(std::string(name) + " takes no arguments");
    if (const auto stop = SetUpSession(*parsed)) return *stop;
    if (!SelectedDeviceInfo().SerialProgramSwitch || (App().ProgrammingMode & kModeParallel) == 0) {
        return UsageError(
            "serial programming is switched only on AT89S53, AT89LS53, AT89S8252 "
            "and AT89LS8252 in Parallel mode");
    }
    MessageWatch watch;
    if (const auto stop = ConnectDevice(*parsed)) return *stop;
    command();
    return ExitStatus(!watch.ErrorShown());
}

int ExitStatus(bool succeeded) {
    const bool linkFailed = SessionLinkWatch() && SessionLinkWatch()->Failed();
    return succeeded && !linkFailed ? 0 : 1;
}

void WaitForErase() {
    for (int quarter = 0; quarter < 4; ++quarter) CurrentClock().Sleep(kEraseStepPause);
}

void PrintFindings(const std::string& list) {
    std::string text;
    for (const char c : list) {
        if (c != '\r') text += c;
    }
    if (!text.empty() && text.back() != '\n') text += '\n';
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

int DriveJob(Job& job, const DeviceProgressModel& model, bool showEnd,
             const std::function<void()>& abandon) {
    StepResult result;
    {
        std::optional<StopSignals> signals;
        if (abandon) signals.emplace();
        // A program of several stretches counts its signals over all of
        // them, and says once that it is finishing.
        bool finishing = StopSignals::Count() > 0;
        bool abandoned = false;
        TerminalLine line;
        Clock& clock = CurrentClock();
        job.Start();
        std::string step = model.status;
        auto stepStart = clock.Now();
        const auto noteStep = [&] {
            const std::chrono::duration<double> took = clock.Now() - stepStart;
            // The status a job starts with may last only until its first step.
            if (took < std::chrono::milliseconds(1)) return;
            Detail(Format("%s: %s %.2f s", model.title.c_str(), step.c_str(), took.count()));
        };
        do {
            if (signals && !abandoned && StopSignals::Count() > 1) {
                abandoned = true;
                line.Clear();
                std::fputs("zvk-cli: giving the chip up part-way\n", stderr);
                abandon();
            } else if (signals && !finishing && StopSignals::Count() == 1) {
                finishing = true;
                line.Clear();
                std::fputs("zvk-cli: finishing this chip first; Ctrl+C again gives it up\n",
                           stderr);
            }
            result = job.Step();
            if (model.status != step) {
                noteStep();
                step = model.status;
                stepStart = clock.Now();
            }
            line.Draw(model);
            // The 1 ms re-arm only lets a dialog's event loop run; real pauses
            // (the erase time, the pause after a step) are kept.
            if (!result.finished && result.delay > std::chrono::milliseconds(1)) {
                CurrentClock().Sleep(result.delay);
            }
        } while (!result.finished);
        if (!model.staysOpen) noteStep();
    }
    if (model.staysOpen && showEnd) ShowMessage(model.status, model.title);
    return result.code;
}

}  // namespace zvk::cli
