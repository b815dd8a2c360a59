#pragma once
// The common walk of Verify and Blank Check: read the chip range block by block
// (16 bytes, a shorter last block), compare every byte with what is expected,
// and list the findings in a FindingList. Neither touches a buffer or the chip.
// A failure of the link ends the walk. The dialog then closes, as Close does,
// unless findings were listed before it: those stay on show and can be
// stored, under a status that says the walk stopped.

#include <chrono>
#include <cstdint>
#include <string>

#include "app/Job.h"
#include "link/Link.h"
#include "ops/JobSupport.h"
#include "ops/OperationRange.h"

namespace zvk {

struct ScanModel : DeviceProgressModel {
    std::string deviceStart;
    std::string deviceEnd;
    std::string list;
    bool cancelled = false;
    // The link ended the walk after findings, which the list keeps.
    bool stopped = false;
};

class ScanJob : public Job {
  public:
    [[nodiscard]] StepResult Step() override;
    // Close: ends the walk at once.
    void Cancel() override;

  protected:
    ScanJob(const DeviceRangeRequest& run, std::chrono::milliseconds stepBudget);

    // What the chip bytes from buffer offset on should be.
    virtual void Expected(std::uint16_t offset, std::uint16_t count, std::uint8_t* out) = 0;
    // The list line of a byte that is not as expected.
    virtual std::string FindingLine(std::uint16_t address, std::uint8_t chip,
                                    std::uint8_t expected) = 0;
    // Writes the outcome once the last block has been compared.
    virtual void Finished(bool listed) = 0;
    // Writes the outcome of a walk that the link ended after findings.
    virtual void Stopped() = 0;
    virtual ScanModel& Model() = 0;

    BufferKind kind_;
    OperationRange shown_;  // the range as the dialog shows it
    std::uint16_t deviceStart_;
    std::uint16_t count_;
    std::uint16_t bufferStart_;
    FindingList list_;

  private:
    StepResult LinkLost();

    LinkFailureWatch link_;
    BlockWalk walk_;
    bool ended_ = false;
    std::chrono::milliseconds stepBudget_;
};

}  // namespace zvk
