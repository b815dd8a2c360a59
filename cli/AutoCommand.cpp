// zvk-cli auto: loads FILE into the Flash buffer and runs Device > Auto with
// the steps of --steps (erase, blank, program and verify when not given) and
// the lock levels of --lock for the protect step.

#include <algorithm>
#include <array>
#include <string>

#include "cli/Commands.h"
#include "cli/DeviceSession.h"
#include "ops/AutoJob.h"

namespace zvk::cli {
namespace {

struct StepName {
    std::string_view name;
    AutoStep step;
};
constexpr std::array<StepName, kAutoStepCount> kStepNames{{
    {"erase", AutoStep::Erase},
    {"blank", AutoStep::BlankCheck},
    {"program", AutoStep::Program},
    {"verify", AutoStep::Verify},
    {"protect", AutoStep::Protect},
}};
constexpr std::string_view kDefaultSteps = "erase,blank,program,verify";

std::optional<int> ApplyStepsOption(const ParsedArgs& parsed) {
    const std::string steps = parsed.Value("--steps").value_or(std::string(kDefaultSteps));
    App().AutoSequence = 0;
    std::size_t from = 0;
    while (from <= steps.size()) {
        std::size_t comma = steps.find(',', from);
        if (comma == std::string::npos) comma = steps.size();
        const std::string_view name = std::string_view(steps).substr(from, comma - from);
        const auto* found = std::find_if(kStepNames.begin(), kStepNames.end(),
                                         [name](const StepName& s) { return s.name == name; });
        if (found == kStepNames.end()) {
            return UsageError("--steps: unknown step '" + std::string(name) +
                              "' (erase, blank, program, verify, protect)");
        }
        App().AutoSequence |= kAutoSteps[static_cast<std::size_t>(found->step)].bit;
        from = comma + 1;
    }
    return std::nullopt;
}

}  // namespace

int RunAuto(Args args) {
    const auto parsed = ParseArgs(args, DeviceValueOptions({"--steps", "--lock", "--load-at"}),
                                  DeviceFlagOptions({}));
    if (!parsed) return 2;
    if (parsed->positional.size() != 1) return UsageError("auto needs one FILE");
    if (const auto stop = SetUpSession(*parsed)) return *stop;
    if (const auto stop = ApplyStepsOption(*parsed)) return *stop;
    if (const auto stop = ApplyLockOption(*parsed)) return *stop;
    App().CurrentBufferKind = BufferKind::Flash;
    if (const auto stop = LoadImage(*parsed, parsed->positional[0])) return *stop;
    if (const auto stop = ConnectDevice(*parsed)) return *stop;
    if (!AutoProgramReady()) return 1;
    AutoJob job;
    DriveJob(job, job.model);
    return ExitStatus(job.model.succeeded);
}

}  // namespace zvk::cli
