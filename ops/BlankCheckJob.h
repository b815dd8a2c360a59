#pragma once
// Blank Check: reads a stretch of the chip's Flash or EEPROM and lists every
// byte that is not in the erased state FF, with its address and value.

#include <chrono>

#include "ops/ScanJob.h"

namespace zvk {

using BlankCheckModel = ScanModel;

class BlankCheckJob final : public ScanJob {
  public:
    explicit BlankCheckJob(const DeviceRangeRequest& run,
                           std::chrono::milliseconds stepBudget = kStepBudget);

    void Start() override;

    BlankCheckModel model;

  private:
    void Expected(std::uint16_t offset, std::uint16_t count, std::uint8_t* out) override;
    std::string FindingLine(std::uint16_t address, std::uint8_t chip,
                            std::uint8_t expected) override;
    void Finished(bool listed) override;
    void Stopped() override;
    ScanModel& Model() override { return model; }
};

}  // namespace zvk
