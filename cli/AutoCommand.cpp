// zvk-cli auto: loads FILE into the Flash buffer and runs Device > Auto with
// the steps of --steps (erase, blank, program and verify when not given) and
// the lock levels of --lock for the protect step.
//
// With --repeat it is a production run: chip after chip, waiting for the
// socket to be emptied and filled again between them, until --count chips
// are done or Ctrl+C. --log appends a CSV row for every chip.
//
// Ctrl+C while a chip is under way lets that chip end, so that it is either
// made or failed for a reason, and then ends the run; a second Ctrl+C (or
// SIGTERM, or SIGHUP from a closed terminal) gives the chip up at once and
// records it as aborted. Between chips Ctrl+C ends the run at once. Enter (or
// SIGUSR1) while the run waits for the chip to be taken out takes the chip
// in the socket as the next one. A single chip (no --repeat) is finished on
// the first Ctrl+C, SIGTERM or SIGHUP and given up on the second.
//
// --serial ADDR (--serial-eeprom ADDR) gives every chip the next number of
// --serial-file; several --port run one station per port (cli/Stations.h).

#ifndef _WIN32
#include <poll.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "app/AppState.h"
#include "app/Messages.h"
#include "app/Utf8Path.h"
#include "cli/Commands.h"
#include "cli/DeviceSession.h"
#ifndef _WIN32
#include "cli/ScopedSignalHandlers.h"
#endif
#include "cli/Stations.h"
#include "cli/StopSignals.h"
#include "ops/AutoJob.h"
#include "ops/ProductionJob.h"

namespace zvk::cli {
namespace {

constexpr std::string_view kDefaultSteps = "erase,blank,program,verify";

// The steps of --steps (AutoSequence bits). Returns the exit status to stop
// with, or nullopt.
std::optional<int> ReadStepsOption(const ParsedArgs& parsed, std::uint8_t& chosen) {
    const std::string steps = parsed.Value("--steps").value_or(std::string(kDefaultSteps));
    chosen = 0;
    std::size_t from = 0;
    while (from <= steps.size()) {
        std::size_t comma = steps.find(',', from);
        if (comma == std::string::npos) comma = steps.size();
        const std::string_view name = std::string_view(steps).substr(from, comma - from);
        const auto* found = std::find_if(kAutoSteps.begin(), kAutoSteps.end(),
                                         [name](const AutoStepInfo& s) { return s.name == name; });
        if (found == kAutoSteps.end()) {
            return UsageError("--steps: unknown step '" + std::string(name) +
                              "' (erase, blank, program, verify, protect)");
        }
        chosen |= found->bit;
        from = comma + 1;
    }
    return std::nullopt;
}

// --count N: a whole number of chips from 1.
std::optional<int> ReadCount(const ParsedArgs& parsed, std::optional<unsigned>& count) {
    const auto text = parsed.Value("--count");
    if (!text) return std::nullopt;
    if (!parsed.Has("--repeat")) return UsageError("--count needs --repeat");
    unsigned n = 0;
    const char* last = text->data() + text->size();
    const auto [stop, error] = std::from_chars(text->data(), last, n);
    if (error != std::errc() || stop != last || n == 0 || n > 1'000'000) {
        return UsageError("--count: " + *text + " is not a number of chips");
    }
    count = n;
    return std::nullopt;
}

#ifdef _WIN32
// The console's events, counted by StopSignals as on a single chip; it holds
// Windows off on a closed console until the run has logged its chip. SIGUSR1
// has no counterpart there.
class RunSignals {
  public:
    [[nodiscard]] static int Interrupts() { return StopSignals::Interrupts(); }
    [[nodiscard]] static bool Terminated() { return StopSignals::Terminated(); }
    [[nodiscard]] static bool TakeForceNext() { return false; }

  private:
    StopSignals counting_;
};
#else
volatile std::sig_atomic_t g_interrupts = 0;
volatile std::sig_atomic_t g_terminate = 0;
volatile std::sig_atomic_t g_forceNext = 0;

void OnInterrupt(int signal) {
    if (signal == SIGINT) {
        g_interrupts = g_interrupts + 1;
    } else if (signal == SIGUSR1) {
        g_forceNext = 1;
    } else {
        g_terminate = 1;
    }
}

// Catches Ctrl+C, SIGTERM, SIGHUP and SIGUSR1 while a production run goes on.
// A closed terminal or a dropped ssh session must not kill the run before
// the chip's row is written; nor may a write to the reader that has gone.
class RunSignals {
  public:
    RunSignals() {
        g_interrupts = 0;
        g_terminate = 0;
        g_forceNext = 0;
    }

    [[nodiscard]] static int Interrupts() { return g_interrupts; }
    [[nodiscard]] static bool Terminated() { return g_terminate != 0; }
    // Whether SIGUSR1 has come since the last call.
    [[nodiscard]] static bool TakeForceNext() {
        if (g_forceNext == 0) return false;
        g_forceNext = 0;
        return true;
    }

  private:
    ScopedSignalHandlers<4> handlers_{OnInterrupt, {SIGINT, SIGTERM, SIGHUP, SIGUSR1}};
};
#endif

// Enter on standard input while the run waits. Input that ends (a script's
// /dev/null) is watched no more.
class OperatorKeys {
  public:
    // Waits up to the delay; true when a line came meanwhile.
    bool Wait(std::chrono::milliseconds delay) {
#ifdef _WIN32
        watching_ = false;
#endif
        if (!watching_) {
            CurrentClock().Sleep(delay);
            return false;
        }
        return ReadLine(delay);
    }

  private:
    bool ReadLine(std::chrono::milliseconds delay) {
#ifdef _WIN32
        (void)delay;
        return false;
#else
        pollfd in{STDIN_FILENO, POLLIN, 0};
        if (::poll(&in, 1, static_cast<int>(delay.count())) <= 0) return false;
        char chunk[256];
        const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (n <= 0) {
            watching_ = n < 0 && errno == EINTR;
            return false;
        }
        return std::find(chunk, chunk + n, '\n') != chunk + n;
#endif
    }

    bool watching_ = true;
};

// What a station's line says: waiting for a chip, the chip under way and how
// far it is, or how the last chip ended while it waits to be taken out.
std::string StationStatus(const ProductionModel& model, bool finished) {
    if (finished) return "ended";
    std::string number;
    if (model.serial) number = "#" + std::to_string(*model.serial) + " ";
    switch (model.waiting) {
        case SocketWait::Chip:
            return "waiting for a chip";
        case SocketWait::Removal:
            return number + (model.lastChip && model.lastChip->passed ? "passed" : "failed");
        case SocketWait::None:
            break;
    }
    return number + model.status + " " + model.percentage;
}

void PrintChip(unsigned number, const ProductionRow& row) {
    std::string line = "chip " + std::to_string(number) + ": " + (row.passed ? "pass" : "fail");
    if (!row.passed) {
        if (!row.failedStep.empty()) line += " at " + row.failedStep;
        if (row.failedAddress) line += Format(" %04X", *row.failedAddress);
        if (!row.reason.empty()) line += ": " + row.reason;
    }
    line += Format(" (%.1f s)", static_cast<double>(row.taken.count()) / 1000.0);
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// Steps the run to its end: a line for every chip and, without a terminal,
// for every wait, on stdout; on a terminal the progress of the chip or the
// tally and the wait in place on stderr. A station also tells its parent
// its state through statusFd. Returns the exit status.
int DriveProduction(ProductionJob& job, int statusFd) {
    const ProductionModel& model = job.model;
    const RunSignals signals;
    OperatorKeys keys;
    unsigned shownChips = 0;
    SocketWait shownWait = SocketWait::None;
    std::string shownStatus;
    bool stopping = false;
    StepResult result;
    TerminalLine line;
    job.Start();
    do {
        if (RunSignals::TakeForceNext()) job.ForceNextChip();
        if (RunSignals::Terminated() || RunSignals::Interrupts() > 1) {
            job.Abandon();
        } else if (RunSignals::Interrupts() == 1 && !stopping) {
            stopping = true;
            job.Cancel();
            if (model.stopping) {
                line.Clear();
                std::fputs("zvk-cli: stopping after this chip; Ctrl+C again gives it up\n", stderr);
            }
        }
        result = job.Step();
        const unsigned chips = model.passed + model.failed;
        if (chips > shownChips && model.lastChip) {
            line.Clear();
            shownChips = chips;
            PrintChip(chips, *model.lastChip);
        }
        if (model.waiting != SocketWait::None) {
            line.DrawText(model.status);
            if (!line.Terminal() && model.waiting != shownWait) {
                std::printf("%s\n", std::string(WaitText(model.waiting)).c_str());
                std::fflush(stdout);
            }
        } else if (!result.finished) {
            line.Draw(model);
        }
        shownWait = model.waiting;
        if (statusFd >= 0) {
            const std::string status = StationStatus(model, result.finished);
            if (status != shownStatus) {
                ReportStation(statusFd, StationReport{status, model.passed, model.failed});
                shownStatus = status;
            }
        }
        if (!result.finished && result.delay > std::chrono::milliseconds(1)) {
            if (model.waiting == SocketWait::None) {
                CurrentClock().Sleep(result.delay);
            } else if (keys.Wait(result.delay)) {
                job.ForceNextChip();
            }
        }
    } while (!result.finished);
    line.Clear();
    // A station's parent sums up all stations.
    if (statusFd < 0) {
        std::printf("%u chip%s: %u passed, %u failed\n", shownChips, shownChips == 1 ? "" : "s",
                    model.passed, model.failed);
    }
    std::fflush(stdout);
    return ExitStatus(result.code == 0);
}

// --serial ADDR or --serial-eeprom ADDR with their companions.
std::optional<int> ReadSerialOptions(const ParsedArgs& parsed, bool repeat,
                                     std::optional<SerialPlan>& plan) {
    const bool flash = parsed.Has("--serial");
    const bool eeprom = parsed.Has("--serial-eeprom");
    if (!flash && !eeprom) {
        for (const char* companion : {"--serial-format", "--serial-file", "--serial-start",
                                      "--serial-step", "--serial-overwrite"}) {
            if (parsed.Has(companion)) {
                return UsageError(std::string(companion) + " needs --serial or --serial-eeprom");
            }
        }
        return std::nullopt;
    }
    if (flash && eeprom) return UsageError("--serial and --serial-eeprom cannot be given together");
    if (!repeat) return UsageError("--serial needs --repeat");
    SerialPlan& p = plan.emplace();
    p.buffer = eeprom ? BufferKind::Eeprom : BufferKind::Flash;
    if (!ReadAddressOption(parsed, eeprom ? "--serial-eeprom" : "--serial", p.address)) return 2;
    if (const auto name = parsed.Value("--serial-format")) {
        const auto format = ParseSerialFormat(*name);
        if (!format) {
            return UsageError("--serial-format: unknown format " + *name +
                              " (le8..le64, be8..be64, bcd2..bcd20, dec1..dec20, hex1..hex16)");
        }
        p.format = *format;
    }
    const auto file = parsed.Value("--serial-file");
    if (!file || file->empty()) return UsageError("--serial needs --serial-file FILE");
    p.file = *file;
    for (const auto& [option, value, least] :
         {std::tuple{"--serial-start", &p.start, 0}, std::tuple{"--serial-step", &p.step, 1}}) {
        const auto text = parsed.Value(option);
        if (!text) continue;
        const auto number = ParseSerialNumber(*text);
        if (!number || *number < static_cast<std::uint64_t>(least)) {
            return UsageError(std::string(option) + ": " + *text + " is not a " +
                              (least == 0 ? "whole number" : "whole number from 1"));
        }
        *value = *number;
    }
    p.overwrite = parsed.Has("--serial-overwrite");
    return std::nullopt;
}

// The ports of --port, given once each or as a list: --port A --port B,C.
std::vector<std::string> Ports(const ParsedArgs& parsed) {
    std::vector<std::string> ports;
    const auto given = parsed.allValues.find("--port");
    if (given == parsed.allValues.end()) return ports;
    for (const std::string& value : given->second) {
        std::size_t from = 0;
        while (from <= value.size()) {
            std::size_t comma = value.find(',', from);
            if (comma == std::string::npos) comma = value.size();
            if (comma > from) ports.push_back(value.substr(from, comma - from));
            from = comma + 1;
        }
    }
    return ports;
}

}  // namespace

int RunAuto(Args args) {
    auto parsed =
        ParseArgs(args,
                  DeviceValueOptions({"--steps", "--lock", "--load-at", "--count", "--log",
                                      "--format", "--serial", "--serial-eeprom", "--serial-format",
                                      "--serial-file", "--serial-start", "--serial-step"}),
                  DeviceFlagOptions({"--repeat", "--serial-overwrite"}));
    if (!parsed) return 2;
    if (parsed->positional.size() != 1) return UsageError("auto needs one FILE");
    const bool repeat = parsed->Has("--repeat");
    std::optional<unsigned> count;
    if (const auto stop = ReadCount(*parsed, count)) return *stop;
    std::optional<SerialPlan> serial;
    if (const auto stop = ReadSerialOptions(*parsed, repeat, serial)) return *stop;
    const std::vector<std::string> ports = Ports(*parsed);
    if (ports.size() > 1 && !repeat) return UsageError("several ports need --repeat");
    if (const auto stop = SetUpSession(*parsed)) return *stop;
    // The mode the session runs in, from --spi or from zvk.dat alike.
    if (repeat && (App().ProgrammingMode & kModeParallel) == 0) {
        return UsageError(
            "--repeat needs Parallel mode: without the device check a new chip "
            "cannot be told from the last one");
    }
    // The sequence of the options over the part's Flash; the remembered
    // AutoSequence and ProtectionOptions are neither read nor changed.
    AutoRequest request{.steps = 0, .lockBits = 0, .lastAddress = App().FlashLastAddress};
    if (const auto stop = ReadStepsOption(*parsed, request.steps)) return *stop;
    if (const auto stop = ReadLockOption(*parsed, request.lockBits)) return *stop;
    const std::string& image = parsed->positional[0];
    if (const auto stop = LoadImage(*parsed, image, BufferKind::Flash)) return *stop;
    // What cannot give every chip its number is refused before the first chip.
    if (serial) {
        if (const auto problem = SerialPlanProblem(*serial, request)) return UsageError(*problem);
    }
    const std::string logPath = parsed->Value("--log").value_or("");
    if (!repeat && logPath.empty()) {
        if (const auto stop = ConnectDevice(*parsed)) return *stop;
        if (!AutoProgramReady(request)) return 1;
        AutoJob job(request);
        // Finished on a first Ctrl+C, SIGTERM or SIGHUP, given up on a second.
        DriveJob(job, job.model, true, [&job] { job.Abandon(); });
        return ExitStatus(job.model.succeeded);
    }

    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(PathFromUtf8(image), error);
    const ProductionOptions options{
        .request = request,
        .repeat = repeat,
        .count = count,
        .firstChipChecked = !repeat,
        .image = error ? image : Utf8FromPath(absolute.lexically_normal()),
        .logPath = logPath,
        .serial = serial,
        .station = {},
        .wallClock = {}};
    // One station on one port, in this process or in a child of it.
    const auto station = [&](const std::string& port, int statusFd) {
        ProductionOptions own = options;
        own.station = port.empty() ? ComName(App().PortIndex) : port;
        if (!port.empty()) parsed->values["--port"] = port;
        ProductionJob job(own);
        if (!job.OpenLog()) return 1;
        // A production run waits for its first chip rather than failing on an empty socket.
        if (const auto stop = repeat ? OpenDevicePort(*parsed) : ConnectDevice(*parsed)) {
            return *stop;
        }
        if (!AutoProgramReady(request)) return 1;
        if (!repeat) {
            DriveJob(job, job.model, true, [&job] { job.Abandon(); });
            return ExitStatus(job.model.succeeded);
        }
        return DriveProduction(job, statusFd);
    };
    if (ports.size() <= 1) return station(ports.empty() ? std::string() : ports[0], -1);
    // The log is tried once here, so that a log that cannot be written stops
    // the run before any station starts.
    if (!logPath.empty()) {
        ProductionLog log;
        if (!log.Open(logPath)) {
            ShowLogError(log);
            return 1;
        }
    }
    return RunStations(ports, station);
}

}  // namespace zvk::cli
