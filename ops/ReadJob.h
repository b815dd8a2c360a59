#pragma once
// Read: copies a stretch of the chip's Flash or EEPROM into the matching
// buffer, marking each byte as read from the chip. Cancel keeps what has been
// read; either way the open buffer windows are told to reload at the end. A
// failure of the link ends the read as a Cancel does, but as failed: the
// blocks that came whole stay, the one that did not leaves its bytes and
// their marks as they were.

#include <chrono>
#include <cstdint>

#include "app/Job.h"
#include "link/Link.h"
#include "ops/JobSupport.h"
#include "ops/OperationRange.h"

namespace zvk {

struct ReadModel : DeviceProgressModel {
    bool cancelled = false;
};

class ReadJob final : public Job {
  public:
    explicit ReadJob(const DeviceRangeRequest& run,
                     std::chrono::milliseconds stepBudget = kStepBudget);

    void Start() override;
    [[nodiscard]] StepResult Step() override;
    void Cancel() override;

    ReadModel model;

  private:
    StepResult End();

    LinkFailureWatch link_;
    BufferKind kind_;
    BlockWalk walk_;
    std::uint16_t bufferStart_;
    std::uint16_t count_;
    bool ended_ = false;
    std::chrono::milliseconds stepBudget_;
};

}  // namespace zvk
