#include "ops/ScanJob.h"

namespace zvk {

ScanJob::ScanJob(const DeviceRangeRequest& run, std::chrono::milliseconds stepBudget)
    : kind_(run.buffer),
      shown_(run.shown),
      deviceStart_(run.DeviceStart()),
      count_(run.Count()),
      bufferStart_(run.bufferStart),
      walk_(run.DeviceStart(), run.Count()),
      stepBudget_(stepBudget) {}

StepResult ScanJob::Step() {
    if (ended_) return StepResult::Finish(0);
    ScanModel& model = Model();
    if (link_.Failed()) return LinkLost();
    const StepBudget budget(stepBudget_);
    do {
        const std::uint16_t n = walk_.BlockLength();
        const std::uint16_t address = walk_.NextAddress();
        std::uint8_t expected[kReadBlockSize];
        std::uint8_t block[kReadBlockSize];
        Expected(walk_.Offset(), n, expected);
        if (!ReadDeviceBlock(kind_, address, n, block)) return LinkLost();
        for (std::uint16_t k = 0; k < n; ++k) {
            if (block[k] != expected[k]) {
                list_.Add(
                    FindingLine(static_cast<std::uint16_t>(address + k), block[k], expected[k]));
            }
        }
        walk_.Advance(n, model);
    } while (!walk_.Done() && !budget.Spent());
    model.list = list_.Text();
    if (!walk_.Done()) return StepResult::Continue();
    ended_ = true;
    Finished(list_.Listed());
    model.list = list_.Text();
    model.staysOpen = true;
    return StepResult::Finish(0);
}

StepResult ScanJob::LinkLost() {
    ended_ = true;
    // The blocks compared before the failure are real findings: they stay in
    // the list, which can be stored, under a status that says the walk did
    // not reach its end. With nothing found there is nothing to show.
    if (!list_.Listed()) return StepResult::Finish(0);
    ScanModel& model = Model();
    Stopped();
    model.stopped = true;
    model.list = list_.Text();
    model.staysOpen = true;
    model.succeeded = false;
    return StepResult::Finish(0);
}

void ScanJob::Cancel() {
    if (ended_) return;
    ended_ = true;
    Model().cancelled = true;
}

}  // namespace zvk
