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
// SIGTERM) gives the chip up at once and records it as aborted. Between
// chips Ctrl+C ends the run at once.

#include <algorithm>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/AppState.h"
#include "app/Messages.h"
#include "cli/Commands.h"
#include "cli/DeviceSession.h"
#include "ops/AutoJob.h"
#include "ops/ProductionJob.h"

namespace zvk::cli {
namespace {

constexpr std::string_view kDefaultSteps = "erase,blank,program,verify";

std::optional<int> ApplyStepsOption(const ParsedArgs& parsed) {
    const std::string steps = parsed.Value("--steps").value_or(std::string(kDefaultSteps));
    App().AutoSequence = 0;
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
        App().AutoSequence |= found->bit;
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

volatile std::sig_atomic_t g_interrupts = 0;
volatile std::sig_atomic_t g_terminate = 0;

void OnInterrupt(int signal) {
    if (signal == SIGINT) {
        g_interrupts = g_interrupts + 1;
    } else {
        g_terminate = 1;
    }
}

// Catches Ctrl+C and SIGTERM while a production run goes on.
class StopSignals {
  public:
    StopSignals() {
        g_interrupts = 0;
        g_terminate = 0;
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGINT, &action, &previousInt_);
        sigaction(SIGTERM, &action, &previousTerm_);
    }
    ~StopSignals() {
        sigaction(SIGINT, &previousInt_, nullptr);
        sigaction(SIGTERM, &previousTerm_, nullptr);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

  private:
    struct sigaction previousInt_ {};
    struct sigaction previousTerm_ {};
};

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
// tally and the wait in place on stderr. Returns the exit status.
int DriveProduction(ProductionJob& job) {
    const ProductionModel& model = job.model;
    StopSignals signals;
    unsigned shownChips = 0;
    SocketWait shownWait = SocketWait::None;
    bool stopping = false;
    StepResult result;
    TerminalLine line;
    job.Start();
    do {
        if (g_terminate != 0 || g_interrupts > 1) {
            job.Abandon();
        } else if (g_interrupts == 1 && !stopping) {
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
        if (!result.finished && result.delay > std::chrono::milliseconds(1)) {
            CurrentClock().Sleep(result.delay);
        }
    } while (!result.finished);
    line.Clear();
    std::printf("%u chip%s: %u passed, %u failed\n", shownChips, shownChips == 1 ? "" : "s",
                model.passed, model.failed);
    std::fflush(stdout);
    return ExitStatus(result.code == 0);
}

}  // namespace

int RunAuto(Args args) {
    const auto parsed = ParseArgs(
        args,
        DeviceValueOptions({"--steps", "--lock", "--load-at", "--count", "--log", "--format"}),
        DeviceFlagOptions({"--repeat"}));
    if (!parsed) return 2;
    if (parsed->positional.size() != 1) return UsageError("auto needs one FILE");
    const bool repeat = parsed->Has("--repeat");
    std::optional<unsigned> count;
    if (const auto stop = ReadCount(*parsed, count)) return *stop;
    if (const auto stop = SetUpSession(*parsed)) return *stop;
    // The mode the session runs in, from --spi or from zvk.dat alike.
    if (repeat && (App().ProgrammingMode & kModeParallel) == 0) {
        return UsageError(
            "--repeat needs Parallel mode: without the device check a new chip "
            "cannot be told from the last one");
    }
    if (const auto stop = ApplyStepsOption(*parsed)) return *stop;
    if (const auto stop = ApplyLockOption(*parsed)) return *stop;
    App().CurrentBufferKind = BufferKind::Flash;
    const std::string& image = parsed->positional[0];
    if (const auto stop = LoadImage(*parsed, image)) return *stop;
    const std::string logPath = parsed->Value("--log").value_or("");
    if (!repeat && logPath.empty()) {
        if (const auto stop = ConnectDevice(*parsed)) return *stop;
        if (!AutoProgramReady()) return 1;
        AutoJob job;
        DriveJob(job, job.model);
        return ExitStatus(job.model.succeeded);
    }

    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(image, error);
    ProductionJob job({.repeat = repeat,
                       .count = count,
                       .firstChipChecked = !repeat,
                       .image = error ? image : absolute.lexically_normal().string(),
                       .logPath = logPath,
                       .wallClock = {}});
    if (!job.OpenLog()) return 1;
    // A production run waits for its first chip rather than failing on an empty socket.
    if (const auto stop = repeat ? OpenDevicePort(*parsed) : ConnectDevice(*parsed)) return *stop;
    if (!AutoProgramReady()) return 1;
    if (!repeat) {
        DriveJob(job, job.model);
        return ExitStatus(job.model.succeeded);
    }
    return DriveProduction(job);
}

}  // namespace zvk::cli
