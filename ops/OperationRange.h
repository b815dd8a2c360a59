#pragma once
// The four remembered device-operation ranges (Blank Check, Program, Verify,
// Read): the logic of their range dialogs, the range rules, and the runner that
// turns a confirmed range into the (device start, count) a progress job works
// on. The desktop dialog only shows a RangeDialog's model and forwards clicks.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/AppState.h"

namespace zvk {

enum class RangeOperation : std::uint8_t { BlankCheck, Program, Verify, Read };

// The record in AppState that remembers the operation's range.
[[nodiscard]] OperationRange& RangeRecord(RangeOperation operation);

// The range dialog's title for the operation and buffer kind.
[[nodiscard]] std::string_view RangeDialogTitle(RangeOperation operation, BufferKind kind);

// Checks a range against the capacity of the buffer. Returns true when the
// range is rejected, after showing the first failing rule's message.
[[nodiscard]] bool ValidateOperationRange(BufferKind kind, std::uint16_t deviceStart,
                                          std::uint16_t deviceEnd, std::uint16_t bufferStart);

// Everything a range dialog shows.
struct RangeDialogModel {
    std::string title;
    bool fullDevice = false;
    bool fieldsEnabled = true;
    bool hasBufferField = true;  // no buffer field in the Blank Check dialog
    bool focusDeviceStart = false;
    // The field texts; the dialog writes what the user types back into them.
    std::string deviceStart;
    std::string deviceEnd;
    std::string bufferStart;
};

inline constexpr std::size_t kRangeFieldLength = 4;

// One open range dialog. Creating it takes the copy of the record that Cancel
// writes back, and fills the model from the record.
class RangeDialog {
  public:
    explicit RangeDialog(RangeOperation operation);

    // The Full Device box was clicked; the record's flag follows at once.
    void ClickFullDevice(bool checked);
    // OK pressed: true when the dialog ends with OK; false keeps it open (a
    // field that is not hexadecimal, or a range the rules reject).
    [[nodiscard]] bool Ok();
    // Cancel pressed: nothing the dialog changed survives.
    void Cancel();

    RangeDialogModel model;

  private:
    RangeOperation operation_;
    OperationRange saved_;
};

// What a device job works on: the buffer, device start in the high 16 bits
// and count in the low 16 bits of packedStartCount, the buffer address that
// pairs with the device start, the range as the progress dialog shows it, and
// for Program whether to erase first and verify after. Built by RunOperation
// from the remembered range and options, or directly by zvk-cli; the jobs
// read nothing else.
struct DeviceRangeRequest {
    std::uint32_t packedStartCount = 0;
    std::uint16_t bufferStart = 0;
    BufferKind buffer = BufferKind::Flash;
    OperationRange shown = {};
    bool eraseFirst = false;
    bool verifyAfter = false;

    [[nodiscard]] std::uint16_t DeviceStart() const {
        return static_cast<std::uint16_t>(packedStartCount >> 16);
    }
    [[nodiscard]] std::uint16_t Count() const {
        return static_cast<std::uint16_t>(packedStartCount & 0xFFFF);
    }
};

[[nodiscard]] constexpr std::uint32_t PackStartCount(std::uint16_t deviceStart,
                                                     std::uint16_t count) {
    return (static_cast<std::uint32_t>(deviceStart) << 16) | count;
}

// A stretch of device addresses, first to last.
struct AddressStretch {
    std::uint16_t first = 0;
    std::uint16_t last = 0;
    friend bool operator==(const AddressStretch&, const AddressStretch&) = default;
};

// The stretches of the buffer that the last load filled
// (bytes marked OriginFile), within the device's capacity, in address order.
// With a block size above 1 each stretch is widened to whole blocks of that
// size, so that the reads of a verify fall on block bounds, and stretches that
// then meet become one.
[[nodiscard]] std::vector<AddressStretch> LoadedStretches(BufferKind kind,
                                                          std::uint16_t blockSize = 1);

// The request a confirmed range makes for the buffer: the range as it
// stands, or with Full Device the whole device, shown with the values a Full
// Device run writes into the operation's record. Erase and verify are off.
[[nodiscard]] DeviceRangeRequest MakeRangeRequest(RangeOperation operation, BufferKind buffer,
                                                  const OperationRange& range);

using ProgressOpener = std::function<void(const DeviceRangeRequest&)>;

// Runs a request: asks whether the unit answers (false when not), sends the
// read preparation before a Read, and calls openProgress with the request
// (the progress dialog or a command-line loop). False, without opening
// anything, when the unit does not answer or the link fails.
bool RunRangeRequest(RangeOperation operation, const DeviceRangeRequest& request,
                     const ProgressOpener& openProgress);

// The runner of a confirmed range dialog: RunRangeRequest of the request the
// operation's record makes for the buffer of CurrentBufferKind, with erase and
// verify from OptionFlags. Writes back what a Full Device run stores in the
// record; a Full Device Program gets its remembered buffer start back once
// openProgress returns.
bool RunOperation(RangeOperation operation, const ProgressOpener& openProgress);

}  // namespace zvk
