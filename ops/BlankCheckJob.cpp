#include "ops/BlankCheckJob.h"

#include <cstring>

namespace zvk {

BlankCheckJob::BlankCheckJob(const DeviceRangeRequest& run, std::chrono::milliseconds stepBudget)
    : ScanJob(run, stepBudget) {}

void BlankCheckJob::Start() {
    model.progress = {0, count_, 0};
    model.title =
        kind_ == BufferKind::Flash ? "Blank Check Device - Flash" : "Blank Check Device - EEPROM";
    model.status = WithPartName("BlankChecking ", "...");
    model.percentage = "0%";
    model.deviceStart = AddressText(shown_.DeviceStart);
    model.deviceEnd = AddressText(shown_.DeviceEnd);
}

void BlankCheckJob::Expected(std::uint16_t, std::uint16_t count, std::uint8_t* out) {
    std::memset(out, 0xFF, count);
}

std::string BlankCheckJob::FindingLine(std::uint16_t address, std::uint8_t chip, std::uint8_t) {
    return Format(" %04X\t\t%02X\r\n", address, chip);
}

void BlankCheckJob::Finished(bool listed) {
    if (!listed) list_.Replace("BlankCheck OK");
    model.status = "BlankCheck Completed...";
    model.succeeded = !listed;
}

void BlankCheckJob::Stopped() { model.status = "BlankCheck Stopped..."; }

}  // namespace zvk
