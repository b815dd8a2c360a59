// zvk-cli program: loads FILE into the Flash (or EEPROM) buffer and runs
// Device > Program over the whole device or --from..--to, optionally erasing
// first (--erase) and verifying after (--verify).

#include "cli/Commands.h"
#include "cli/DeviceSession.h"
#include "ops/ProgramJob.h"

namespace zvk::cli {

int RunProgram(Args args) {
    const auto parsed =
        ParseArgs(args, DeviceValueOptions({"--from", "--to", "--buffer-start", "--load-at"}),
                  DeviceFlagOptions({"--eeprom", "--erase", "--verify"}));
    if (!parsed) return 2;
    if (parsed->positional.size() != 1) return UsageError("program needs one FILE");
    if (const auto stop = SetUpSession(*parsed)) return *stop;
    if (const auto stop = SelectBufferKind(*parsed)) return *stop;
    if (const auto stop = LoadImage(*parsed, parsed->positional[0])) return *stop;
    if (const auto stop = ApplyRangeOptions(*parsed, RangeOperation::Program)) return *stop;
    App().OptionFlags &=
        static_cast<std::uint8_t>(~(kOptionEraseBeforeProgram | kOptionVerifyAfterProgram));
    if (parsed->Has("--erase")) App().OptionFlags |= kOptionEraseBeforeProgram;
    if (parsed->Has("--verify")) App().OptionFlags |= kOptionVerifyAfterProgram;
    if (const auto stop = ConnectDevice(*parsed)) return *stop;
    bool programmed = false;
    RunOperation(RangeOperation::Program, [&programmed](const OperationRun& run) {
        ProgramJob job(run);
        DriveJob(job, job.model);
        programmed = job.model.succeeded;
    });
    return ExitStatus(programmed);
}

}  // namespace zvk::cli
