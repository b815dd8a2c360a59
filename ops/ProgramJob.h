#pragma once
// Program: writes a stretch of the Flash or EEPROM buffer into the chip byte
// by byte, optionally erasing the chip before and comparing it with the buffer
// after, as its request says. The work runs in slices between timer ticks so the
// dialog repaints, but it cannot be stopped: Close stays disabled until the
// job has ended and there is no Cancel. Any failure closes the dialog: a byte
// the unit does not program, or does not answer, with "Programming Failed at",
// a failure of the link with the link's message alone. Either way the unit is
// first brought back from the programming that stopped part-way.

#include <chrono>
#include <cstdint>
#include <string>

#include "app/Job.h"
#include "link/Link.h"
#include "ops/JobSupport.h"
#include "ops/OperationRange.h"

namespace zvk {

struct ProgramModel : DeviceProgressModel {
    bool eraseLabelEnabled = false;
    std::string eraseResult;  // empty until "OK"
    bool verifyLabelEnabled = false;
    std::string verifyResult;  // empty until "OK"
    std::string bytesProgrammed;
    std::string deviceStart;
    std::string deviceEnd;
    std::string bufferStart;
};

class ProgramJob final : public Job {
  public:
    explicit ProgramJob(const DeviceRangeRequest& run,
                        std::chrono::milliseconds stepBudget = kStepBudget);

    void Start() override;
    [[nodiscard]] StepResult Step() override;
    // Programming cannot be stopped half-way: ignored until the job has ended.
    void Cancel() override {}
    // Gives the job up where it is, because the process is ending: the unit
    // is brought back from the programming under way (or the user told to
    // reset it), and the next Step() ends the job as failed.
    void Abandon();

    ProgramModel model;

  private:
    enum class Phase { CheckUnit, Erase, Write, Verify };

    StepResult EraseStep();
    StepResult WriteSlice();
    StepResult VerifySlice();
    StepResult Completed();

    LinkFailureWatch link_;
    BufferKind kind_;
    OperationRange shown_;  // the range as the dialog shows it
    std::uint16_t deviceStart_;
    std::uint16_t count_;
    std::uint16_t bufferStart_;
    std::uint16_t offset_ = 0;  // bytes written
    BlockWalk verifyWalk_;
    bool erase_;
    bool verify_;
    int eraseQuarter_ = 0;
    Phase phase_ = Phase::CheckUnit;
    bool abandoned_ = false;
    std::chrono::milliseconds stepBudget_;
};

}  // namespace zvk
