// zvk-cli verify: loads FILE and runs Device > Verify (or Verify EEPROM) over
// the whole device or --from..--to; lists the differences and, with
// --report OUT, stores them as the Verify dialog's "Store to disk" does.

#include "cli/Commands.h"
#include "cli/DeviceSession.h"
#include "ops/VerifyJob.h"

namespace zvk::cli {

int RunVerify(Args args) {
    const auto parsed = ParseArgs(
        args, DeviceValueOptions({"--from", "--to", "--buffer-start", "--load-at", "--report"}),
        DeviceFlagOptions({"--eeprom"}));
    if (!parsed) return 2;
    if (parsed->positional.size() != 1) return UsageError("verify needs one FILE");
    if (const auto stop = SetUpSession(*parsed)) return *stop;
    if (const auto stop = SelectBufferKind(*parsed)) return *stop;
    if (const auto stop = LoadImage(*parsed, parsed->positional[0])) return *stop;
    if (const auto stop = ApplyRangeOptions(*parsed, RangeOperation::Verify)) return *stop;
    if (const auto stop = ConnectDevice(*parsed)) return *stop;
    bool same = false;
    RunOperation(RangeOperation::Verify, [&](const OperationRun& run) {
        VerifyJob job(run);
        DriveJob(job, job.model);
        same = job.model.succeeded;
        if (!job.model.storeEnabled) return;
        PrintFindings(job.model.list);
        if (const auto report = parsed->Value("--report")) {
            StoreVerifyReport(*report, job.model.list);
        }
    });
    return ExitStatus(same);
}

}  // namespace zvk::cli
