// zvk-cli blank-check: Device > Blank Check (or BlankCheck EEPROM) over the
// whole device or --from..--to; lists the bytes that are not FF.

#include "cli/Commands.h"
#include "cli/DeviceSession.h"
#include "ops/BlankCheckJob.h"

namespace zvk::cli {

int RunBlankCheck(Args args) {
    const auto parsed =
        ParseArgs(args, DeviceValueOptions({"--from", "--to"}), DeviceFlagOptions({"--eeprom"}));
    if (!parsed) return 2;
    if (!parsed->positional.empty()) return UsageError("blank-check takes no file");
    if (const auto stop = SetUpSession(*parsed)) return *stop;
    BufferKind kind = BufferKind::Flash;
    if (const auto stop = SelectBufferKind(*parsed, kind)) return *stop;
    DeviceRangeRequest request;
    if (const auto stop = ApplyRangeOptions(*parsed, RangeOperation::BlankCheck, kind, request)) {
        return *stop;
    }
    if (const auto stop = ConnectDevice(*parsed)) return *stop;
    bool blank = false;
    RunRangeRequest(RangeOperation::BlankCheck, request, [&blank](const DeviceRangeRequest& run) {
        BlankCheckJob job(run);
        DriveJob(job, job.model);
        if (!job.model.succeeded) PrintFindings(job.model.list);
        blank = job.model.succeeded;
    });
    return ExitStatus(blank);
}

}  // namespace zvk::cli
