#include "ops/VerifyJob.h"

#include <filesystem>

#include "app/Messages.h"
#include "app/SafeFile.h"
#include "app/Utf8Path.h"
#include "link/Protocol.h"

namespace zvk {

VerifyJob::VerifyJob(const DeviceRangeRequest& run, std::chrono::milliseconds stepBudget)
    : ScanJob(run, stepBudget) {}

void VerifyJob::Start() {
    model.progress = {0, count_, 0};
    model.status = WithPartName("Verifying with ", "...");
    model.percentage = "0%";
    model.storeEnabled = false;
    model.deviceStart = AddressText(deviceStart_);
    model.deviceEnd = AddressText(static_cast<std::uint16_t>(deviceStart_ + count_ - 1));
    model.bufferStart = AddressText(shown_.BufferStart);
    model.title = kind_ == BufferKind::Flash ? "Verify Device - Flash" : "Verify Device - EEPROM";
    // A failure here ends the job at its first step.
    (void)PrepareRead();
}

void VerifyJob::Expected(std::uint16_t offset, std::uint16_t count, std::uint8_t* out) {
    CopyBufferOut(kind_, static_cast<std::uint16_t>(bufferStart_ + offset), out, count);
}

std::string VerifyJob::FindingLine(std::uint16_t address, std::uint8_t chip,
                                   std::uint8_t expected) {
    return Format(" %04X\t\t%02X\t\t%02X\r\n", address, chip, expected);
}

void VerifyJob::Finished(bool listed) {
    if (listed) {
        model.status = "Verification Completed - Error";
        model.storeEnabled = true;
    } else {
        list_.Replace("Verification OK");
        model.status = "Verification Completed - OK";
        model.succeeded = true;
    }
}

void VerifyJob::Stopped() {
    model.status = "Verification Stopped - Error";
    model.storeEnabled = true;
}

bool StoreVerifyReport(const std::string& path, std::string_view listText) {
    // A report that did not reach the disk in full is a failed one, and it
    // leaves an older report of that name as it was.
    SafeFile file;
    const bool written =
        file.Open(path) && file.Write(kVerifyReportHeader) && file.Write(listText) && file.Commit();
    if (!written) {
        ShowMessage(Utf8FromPath(PathFromUtf8(path).filename()), "Error", MessageIcon::Stop);
    }
    return written;
}

}  // namespace zvk
