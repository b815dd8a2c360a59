// zvk-cli verify: loads FILE and runs Device > Verify (or Verify EEPROM) over
// the stretches the image holds (--full: the whole device; --from..--to: that
// range); lists the differences and, with --report OUT, stores them as the
// Verify dialog's "Store to disk" does. A verify that finds no difference
// stores the heading alone, so that no earlier run's list is left behind.

#include "cli/Commands.h"
#include "cli/DeviceSession.h"
#include "ops/VerifyJob.h"

namespace zvk::cli {

int RunVerify(Args args) {
    const auto parsed = ParseArgs(args,
                                  DeviceValueOptions({"--from", "--to", "--buffer-start",
                                                      "--load-at", "--report", "--format"}),
                                  DeviceFlagOptions({"--eeprom", "--full"}));
    if (!parsed) return 2;
    if (parsed->positional.size() != 1) return UsageError("verify needs one FILE");
    if (const auto stop = SetUpSession(*parsed)) return *stop;
    BufferKind kind = BufferKind::Flash;
    if (const auto stop = SelectBufferKind(*parsed, kind)) return *stop;
    if (const auto stop = LoadImage(*parsed, parsed->positional[0], kind)) return *stop;
    if (const auto stop = ConnectDevice(*parsed)) return *stop;
    bool same = true;
    bool compared = true;
    std::string findings;
    std::string title;
    std::string stoppedStatus;
    // The bytes between the image's stretches are not compared: without an
    // erase they keep whatever the chip held.
    const auto stop =
        RunOverImage(*parsed, RangeOperation::Verify, kind, 1, [&](const DeviceRangeRequest& run) {
            VerifyJob job(run);
            DriveJob(job, job.model, false);
            title = job.model.title;
            if (job.model.storeEnabled) {
                PrintFindings(job.model.list);
                findings += job.model.list;
            }
            same = same && job.model.succeeded;
            // Cut short by the link, the list is all there is: no further
            // stretch, and no word of a completed verification.
            if (job.model.stopped) stoppedStatus = job.model.status;
            compared = !job.model.stopped && (job.model.succeeded || job.model.storeEnabled);
            return compared;
        });
    if (stop) return *stop;
    if (compared) {
        ShowMessage(same ? "Verification Completed - OK" : "Verification Completed - Error", title);
    } else if (!stoppedStatus.empty()) {
        ShowMessage(stoppedStatus, title);
    }
    // Differences found before a failure of the link are worth keeping too.
    if (const auto report = parsed->Value("--report"); report && (compared || !findings.empty())) {
        if (!StoreVerifyReport(*report, findings)) return 1;
    }
    return ExitStatus(same);
}

}  // namespace zvk::cli
