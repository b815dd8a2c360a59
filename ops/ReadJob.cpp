#include "ops/ReadJob.h"

#include <algorithm>

#include "files/FileJob.h"
#include "link/Protocol.h"

namespace zvk {

ReadJob::ReadJob(const OperationRun& run, std::chrono::milliseconds stepBudget)
    : kind_(App().CurrentBufferKind),
      remaining_(run.Count()),
      nextAddress_(run.DeviceStart()),
      bufferStart_(run.bufferStart),
      total_(run.Count()),
      stepBudget_(stepBudget) {}

void ReadJob::Start() {
    model.progress = {0, total_, 0};
    model.status = WithPartName("Reading from %s...");
    model.percentage = "0%";
    model.title = kind_ == BufferKind::Flash ? "Read from Device - Flash" : "Read from Device - EEPROM";
    PrepareRead();
}

StepResult ReadJob::Step() {
    if (ended_) return StepResult::Finish(1);
    const StepBudget budget(stepBudget_);
    do {
        const auto n = std::min<std::uint16_t>(kReadBlockSize, remaining_);
        const auto destination = static_cast<std::uint16_t>(bufferStart_ + offset_);
        if (kind_ == BufferKind::Flash) {
            ReadFlashToBuffer(nextAddress_, n, destination);
        } else {
            ReadEepromToBuffer(nextAddress_, n, destination);
        }
        remaining_ = static_cast<std::uint16_t>(remaining_ - n);
        nextAddress_ = static_cast<std::uint16_t>(nextAddress_ + n);
        offset_ = static_cast<std::uint16_t>(offset_ + n);
        bytesDone_ += n;
        model.progress.position = bytesDone_;
        model.percentage = n < kReadBlockSize ? "100%" : PercentText(bytesDone_, total_);
    } while (remaining_ > 0 && !budget.Spent());
    if (remaining_ > 0) return StepResult::Continue();
    model.succeeded = true;
    return End();
}

void ReadJob::Cancel() {
    if (ended_) return;
    model.cancelled = true;
    (void)End();
}

// Both a finished and a cancelled read end the dialog with 1 and leave the
// bytes read in the buffer, so the windows reload in both cases.
StepResult ReadJob::End() {
    ended_ = true;
    RefreshAllBufferWindows();
    return StepResult::Finish(1);
}

}  // namespace zvk
