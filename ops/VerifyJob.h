#pragma once
// Verify: compares a stretch of the chip with the matching stretch of the
// Flash or EEPROM buffer and lists every difference (address, chip byte,
// buffer byte); unlike the verify pass of Program it does not stop at the
// first one. The list can be stored as a text report.

#include <chrono>
#include <string>
#include <string_view>

#include "files/FileSave.h"
#include "ops/ScanJob.h"

namespace zvk {

struct VerifyModel : ScanModel {
    std::string bufferStart;
    bool storeEnabled = false;  // "Store to disk"
};

class VerifyJob final : public ScanJob {
  public:
    explicit VerifyJob(const DeviceRangeRequest& run,
                       std::chrono::milliseconds stepBudget = kStepBudget);

    void Start() override;

    VerifyModel model;

  private:
    void Expected(std::uint16_t offset, std::uint16_t count, std::uint8_t* out) override;
    std::string FindingLine(std::uint16_t address, std::uint8_t chip,
                            std::uint8_t expected) override;
    void Finished(bool listed) override;
    void Stopped() override;
    ScanModel& Model() override { return model; }
};

// The question "Store to disk" asks before writing the report.
inline constexpr SaveFileQuestion kVerifyReportFileQuestion{
    "SaveAs", "txt", {{"Text Files (*.TXT)", "*.txt"}, {"All Files (*.*)", "*.*"}}};

inline constexpr std::string_view kVerifyReportHeader = " Address\tDevice data\tBuffer data\r\n";

// "Store to disk": writes the header line and the list's text to path,
// replacing any file of that name once the whole report is written. On failure
// shows the file's name (without its folder) with caption "Error" and returns
// false; a file of that name then stays as it was.
bool StoreVerifyReport(const std::string& path, std::string_view listText);

}  // namespace zvk
