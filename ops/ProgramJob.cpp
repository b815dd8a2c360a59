#include "ops/ProgramJob.h"

#include "app/Buffers.h"
#include "link/Protocol.h"

namespace zvk {

ProgramJob::ProgramJob(const DeviceRangeRequest& run, std::chrono::milliseconds stepBudget)
    : kind_(run.buffer),
      shown_(run.shown),
      deviceStart_(run.DeviceStart()),
      count_(run.Count()),
      bufferStart_(run.bufferStart),
      verifyWalk_(run.DeviceStart(), run.Count()),
      erase_(run.eraseFirst),
      verify_(run.verifyAfter),
      stepBudget_(stepBudget) {}

void ProgramJob::Start() {
    model.progress = {0, count_, 0};
    model.status = WithPartName("Writing to ", "...");
    model.percentage = "0%";
    model.closeEnabled = false;
    model.title =
        kind_ == BufferKind::Flash ? "Write to Device - Flash" : "Write to Device - EEPROM";
    model.eraseLabelEnabled = erase_;
    model.verifyLabelEnabled = verify_;
    model.bytesProgrammed = "0";
    model.deviceStart = AddressText(shown_.DeviceStart);
    model.deviceEnd = AddressText(shown_.DeviceEnd);
    model.bufferStart = AddressText(shown_.BufferStart);
}

StepResult ProgramJob::Step() {
    if (abandoned_) return StepResult::Finish(0);
    switch (phase_) {
        case Phase::CheckUnit:
            if (!CheckProgrammer(App().ProgrammerLink)) return StepResult::Finish(0);
            if (erase_) {
                model.status = WithPartName("Erasing  ", "...");
                if (!SendChipErase()) return StepResult::Finish(0);
                phase_ = Phase::Erase;
                return EraseStep();
            }
            break;
        case Phase::Erase:
            if (eraseQuarter_ < 4) return EraseStep();
            model.eraseResult = "OK";
            break;
        case Phase::Write:
            return WriteSlice();
        case Phase::Verify:
            return VerifySlice();
    }
    model.status = WithPartName("Writing to ", "...");
    if (!BeginProgramming(kind_, deviceStart_, count_)) return StepResult::Finish(0);
    phase_ = Phase::Write;
    return WriteSlice();
}

// The unit does not report the end of an erase: the four pauses are the whole
// time it is given, shown as a quarter of the bar each.
StepResult ProgramJob::EraseStep() {
    ++eraseQuarter_;
    model.progress.position = static_cast<std::uint32_t>(count_) * eraseQuarter_ / 4;
    model.percentage = PercentText(static_cast<std::uint32_t>(eraseQuarter_), 4);
    return StepResult::Continue(kEraseStepPause);
}

StepResult ProgramJob::WriteSlice() {
    const StepBudget budget(stepBudget_);
    do {
        if (offset_ >= count_) break;
        const std::uint8_t value =
            BufferRead(kind_, static_cast<std::uint16_t>(bufferStart_ + offset_));
        if (!ProgramByte(value)) {
            const bool linkFailed = link_.Failed();
            const bool unitBack = FinishProgramming();
            if (!linkFailed) {
                ShowFailedAt("Programming", static_cast<std::uint16_t>(deviceStart_ + offset_));
            }
            if (!unitBack) ReportUnitNotBack();
            return StepResult::Finish(0);
        }
        ++offset_;
        model.percentage = PercentText(offset_, count_);
        model.progress.position = offset_;
        model.bytesProgrammed = Format("%u", offset_);
    } while (!budget.Spent());
    if (offset_ < count_) return StepResult::Continue();

    model.percentage = "100%";
    if (!verify_) return Completed();
    model.status = "Verifying...";
    model.progress = {0, count_, 0};
    phase_ = Phase::Verify;
    return StepResult::Continue();
}

StepResult ProgramJob::VerifySlice() {
    const StepBudget budget(stepBudget_);
    do {
        const std::uint16_t n = verifyWalk_.BlockLength();
        const std::uint16_t address = verifyWalk_.NextAddress();
        std::uint8_t expected[kReadBlockSize];
        std::uint8_t block[kReadBlockSize];
        CopyBufferOut(kind_, static_cast<std::uint16_t>(bufferStart_ + verifyWalk_.Offset()),
                      expected, n);
        if (!ReadDeviceBlock(kind_, address, n, block)) return StepResult::Finish(0);
        if (const auto k = FirstDifference(block, expected, n)) {
            ShowFailedAt("Verify", static_cast<std::uint16_t>(address + *k));
            return StepResult::Finish(1);
        }
        verifyWalk_.Advance(n, model);
    } while (!verifyWalk_.Done() && !budget.Spent());
    if (!verifyWalk_.Done()) return StepResult::Continue();
    model.verifyResult = "OK";
    return Completed();
}

void ProgramJob::Abandon() {
    if (abandoned_) return;
    abandoned_ = true;
    if (!FinishProgramming()) ReportUnitNotBack();
}

StepResult ProgramJob::Completed() {
    model.percentage = "100%";
    model.status = "Programming Completed...";
    model.closeEnabled = true;
    model.closeFocused = true;
    model.staysOpen = true;
    model.succeeded = true;
    return StepResult::Finish(0);
}

}  // namespace zvk
