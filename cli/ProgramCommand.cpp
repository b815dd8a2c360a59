// zvk-cli program: loads FILE into the Flash (or EEPROM) buffer and runs
// Device > Program over the stretches the image holds (--full: the whole
// device; --from..--to: that range), erasing the chip first and verifying
// after unless --no-erase or --no-verify. The desktop's stored options are
// neither used nor changed.

#include "cli/Commands.h"
#include "cli/DeviceSession.h"
#include "cli/StopSignals.h"
#include "ops/ProgramJob.h"

namespace zvk::cli {

int RunProgram(Args args) {
    const auto parsed = ParseArgs(
        args, DeviceValueOptions({"--from", "--to", "--buffer-start", "--load-at", "--format"}),
        DeviceFlagOptions(
            {"--eeprom", "--erase", "--verify", "--no-erase", "--no-verify", "--full"}));
    if (!parsed) return 2;
    if (parsed->positional.size() != 1) return UsageError("program needs one FILE");
    if (parsed->Has("--erase") && parsed->Has("--no-erase")) {
        return UsageError("--erase and --no-erase cannot be given together");
    }
    if (parsed->Has("--verify") && parsed->Has("--no-verify")) {
        return UsageError("--verify and --no-verify cannot be given together");
    }
    if (const auto stop = SetUpSession(*parsed)) return *stop;
    BufferKind kind = BufferKind::Flash;
    if (const auto stop = SelectBufferKind(*parsed, kind)) return *stop;
    if (const auto stop = LoadImage(*parsed, parsed->positional[0], kind)) return *stop;
    const bool erase = !parsed->Has("--no-erase");
    const bool verify = !parsed->Has("--no-verify");
    if (const auto stop = ConnectDevice(*parsed)) return *stop;
    bool programmed = false;
    std::string title;
    std::string status;
    // After an erase the bytes between the image's stretches are FF on the
    // chip as in the buffer, so whole verify blocks can be written.
    // The whole chip is finished on a first Ctrl+C, SIGTERM or SIGHUP, all
    // its stretches.
    const StopSignals signals;
    bool erased = false;
    const auto stop = RunOverImage(*parsed, RangeOperation::Program, kind,
                                   erase ? kReadBlockSize : 1, [&](const DeviceRangeRequest& run) {
                                       DeviceRangeRequest request = run;
                                       // The chip is erased once, before its first stretch.
                                       request.eraseFirst = erase && !erased;
                                       request.verifyAfter = verify;
                                       erased = true;
                                       ProgramJob job(request);
                                       DriveJob(job, job.model, false, [&job] { job.Abandon(); });
                                       programmed = job.model.succeeded;
                                       title = job.model.title;
                                       status = job.model.status;
                                       return programmed;
                                   });
    if (stop) return *stop;
    if (programmed) ShowMessage(status, title);
    return ExitStatus(programmed);
}

}  // namespace zvk::cli
