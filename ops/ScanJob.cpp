#include "ops/ScanJob.h"

#include <algorithm>

namespace zvk {

ScanJob::ScanJob(const OperationRun& run, std::chrono::milliseconds stepBudget)
    : kind_(App().CurrentBufferKind),
      deviceStart_(run.DeviceStart()),
      count_(run.Count()),
      bufferStart_(run.bufferStart),
      remaining_(run.Count()),
      nextAddress_(run.DeviceStart()),
      total_(run.Count()),
      stepBudget_(stepBudget) {}

StepResult ScanJob::Step() {
    if (ended_) return StepResult::Finish(0);
    ScanModel& model = Model();
    const StepBudget budget(stepBudget_);
    do {
        const auto n = std::min<std::uint16_t>(kReadBlockSize, remaining_);
        std::uint8_t expected[kReadBlockSize];
        std::uint8_t block[kReadBlockSize];
        Expected(offset_, n, expected);
        ReadDeviceBlockExpecting(kind_, nextAddress_, n, block, expected);
        for (std::uint16_t k = 0; k < n; ++k) {
            if (block[k] != expected[k]) {
                list_.Add(FindingLine(static_cast<std::uint16_t>(nextAddress_ + k), block[k],
                                      expected[k]));
            }
        }
        bytesDone_ += n;
        model.progress.position = bytesDone_;
        remaining_ = static_cast<std::uint16_t>(remaining_ - n);
        nextAddress_ = static_cast<std::uint16_t>(nextAddress_ + n);
        offset_ = static_cast<std::uint16_t>(offset_ + n);
        model.percentage = n < kReadBlockSize ? "100%" : PercentText(bytesDone_, total_);
    } while (remaining_ > 0 && !budget.Spent());
    model.list = list_.Text();
    if (remaining_ > 0) return StepResult::Continue();
    ended_ = true;
    Finished(list_.Listed());
    model.list = list_.Text();
    model.staysOpen = true;
    return StepResult::Finish(0);
}

void ScanJob::Cancel() {
    if (ended_) return;
    ended_ = true;
    Model().cancelled = true;
}

}  // namespace zvk
