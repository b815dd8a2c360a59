#include "ops/ReadJob.h"

#include <algorithm>

#include "app/BufferEvents.h"
#include "link/Protocol.h"

namespace zvk {

ReadJob::ReadJob(const DeviceRangeRequest& run, std::chrono::milliseconds stepBudget)
    : kind_(run.buffer),
      walk_(run.DeviceStart(), run.Count()),
      bufferStart_(run.bufferStart),
      count_(run.Count()),
      stepBudget_(stepBudget) {}

void ReadJob::Start() {
    model.progress = {0, count_, 0};
    model.status = WithPartName("Reading from ", "...");
    model.percentage = "0%";
    model.title =
        kind_ == BufferKind::Flash ? "Read from Device - Flash" : "Read from Device - EEPROM";
    // A failure here ends the job at its first step.
    (void)PrepareRead();
}

StepResult ReadJob::Step() {
    if (ended_) return StepResult::Finish(1);
    if (link_.Failed()) return End();
    const StepBudget budget(stepBudget_);
    do {
        const std::uint16_t n = walk_.BlockLength();
        const auto destination = static_cast<std::uint16_t>(bufferStart_ + walk_.Offset());
        const bool whole = kind_ == BufferKind::Flash
                               ? ReadFlashToBuffer(walk_.NextAddress(), n, destination)
                               : ReadEepromToBuffer(walk_.NextAddress(), n, destination);
        if (!whole) return End();
        walk_.Advance(n, model);
    } while (!walk_.Done() && !budget.Spent());
    if (!walk_.Done()) return StepResult::Continue();
    model.succeeded = true;
    return End();
}

void ReadJob::Cancel() {
    if (ended_) return;
    model.cancelled = true;
    (void)End();
}

// Both a finished and a cancelled read end the dialog with 1 and leave the
// bytes read in the buffer: the whole blocks read so far are announced in
// both cases.
StepResult ReadJob::End() {
    ended_ = true;
    if (const std::uint32_t read = walk_.Offset(); read > 0) {
        const std::uint32_t last = std::min<std::uint32_t>(bufferStart_ + read - 1, 0xFFFF);
        AnnounceBufferChange(kind_, bufferStart_, static_cast<std::uint16_t>(last));
    }
    return StepResult::Finish(1);
}

}  // namespace zvk
