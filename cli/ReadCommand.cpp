// zvk-cli read: Device > Read (or Read EEPROM) over the whole device or
// --from..--to, then saves what was read to OUT, as Intel HEX when its name
// ends in .hex, .ihx or .ihex and as binary otherwise. Each byte keeps its chip address.

#include "cli/Commands.h"
#include "cli/DeviceSession.h"
#include "files/FileLoad.h"
#include "files/ImageFile.h"
#include "ops/ReadJob.h"

namespace zvk::cli {

int RunRead(Args args) {
    const auto parsed =
        ParseArgs(args, DeviceValueOptions({"--from", "--to"}), DeviceFlagOptions({"--eeprom"}));
    if (!parsed) return 2;
    if (parsed->positional.size() != 1) return UsageError("read needs one OUT file");
    if (const auto stop = SetUpSession(*parsed)) return *stop;
    if (const auto stop = SelectBufferKind(*parsed)) return *stop;
    if (const auto stop = ApplyRangeOptions(*parsed, RangeOperation::Read)) return *stop;
    if (const auto stop = ConnectDevice(*parsed)) return *stop;
    bool read = false;
    std::uint16_t first = 0;
    std::uint16_t last = 0;
    RunOperation(RangeOperation::Read, [&](const OperationRun& run) {
        ReadJob job(run);
        DriveJob(job, job.model);
        read = job.model.succeeded;
        first = run.bufferStart;
        last = static_cast<std::uint16_t>(run.bufferStart + run.Count() - 1);
    });
    // After a failure of the link the file stays as it was: what came is not
    // the whole chip.
    if (ExitStatus(read) != 0) return 1;
    const std::string& out = parsed->positional[0];
    return ExitStatus(SaveImageFile(out, App().CurrentBufferKind, first, last, IsHexFileName(out)));
}

}  // namespace zvk::cli
