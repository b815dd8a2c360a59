#include "ops/OperationRange.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "app/Buffers.h"
#include "app/HexField.h"
#include "app/Messages.h"
#include "link/Protocol.h"

namespace zvk {
namespace {

// What a Full Device run stores in the operation's record: the fields it sets
// (device start 0, device end the capacity limit, buffer start 0), and whether
// the buffer start is only borrowed for the run.
struct FullDeviceWriteBack {
    bool deviceStart;
    bool deviceEnd;
    bool bufferStart;
    bool restoreBufferStart;
};

struct RangeDialogRow {
    OperationRange AppState::*record;
    std::string_view flashTitle;
    std::string_view eepromTitle;
    bool hasBufferField;
    FullDeviceWriteBack fullDevice;
    bool prepareRead;  // the runner prepares the unit for reading first
};

// Indexed by RangeOperation.
constexpr std::array<RangeDialogRow, 4> kRangeDialogs{{
    {&AppState::BlankCheckRange,
     "Blank Check - Flash",
     "Blank Check - EEPROM",
     false,
     {true, true, false, false},
     false},
    {&AppState::ProgramRange,
     "Program - Flash",
     "Program - EEPROM",
     true,
     {true, true, true, true},
     false},
    {&AppState::VerifyRange,
     "Verify - Flash",
     "Verify - EEPROM",
     true,
     {false, true, true, false},
     false},
    {&AppState::ReadRange,
     "Read - Flash",
     "Read - EEPROM",
     true,
     {false, false, false, false},
     true},
}};

const RangeDialogRow& Row(RangeOperation operation) {
    return kRangeDialogs[static_cast<std::size_t>(operation)];
}

std::string FieldText(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

// Reads a field as the edit control would hand it over: at most four characters.
bool ParseField(std::string& text, std::uint16_t& value) {
    if (text.size() > kRangeFieldLength) text.resize(kRangeFieldLength);
    return ParseHexField(text, value);
}

}  // namespace

OperationRange& RangeRecord(RangeOperation operation) { return App().*(Row(operation).record); }

std::string_view RangeDialogTitle(RangeOperation operation, BufferKind kind) {
    return kind == BufferKind::Flash ? Row(operation).flashTitle : Row(operation).eepromTitle;
}

bool ValidateOperationRange(BufferKind kind, std::uint16_t deviceStart, std::uint16_t deviceEnd,
                            std::uint16_t bufferStart) {
    const std::uint16_t last = LastAddress(kind);
    const std::int32_t bufferEnd = static_cast<std::int32_t>(deviceEnd) -
                                   static_cast<std::int32_t>(deviceStart) +
                                   static_cast<std::int32_t>(bufferStart);
    const struct {
        bool holds;
        std::string_view message;
    } rules[] = {
        {deviceStart > deviceEnd, "Device Ending Address is Less than Device Starting Address!"},
        {deviceStart > last, "Device Starting Address is Greater than Maximum Capacity!"},
        {deviceEnd > last, "Device Ending Address is Greater than Maximum Capacity!"},
        {bufferStart > last, "Buffer Starting Address is Greater than Maximum Capacity!"},
        {bufferEnd > static_cast<std::int32_t>(last), "Illegal Buffer Starting Address!"},
    };
    for (const auto& rule : rules) {
        if (rule.holds) {
            ShowMessage(rule.message, "Error", MessageIcon::Stop, MessageButtons::Ok);
            return true;
        }
    }
    return false;
}

RangeDialog::RangeDialog(RangeOperation operation)
    : operation_(operation), saved_(RangeRecord(operation)) {
    const OperationRange& record = RangeRecord(operation);
    model.title = std::string(RangeDialogTitle(operation, App().CurrentBufferKind));
    model.hasBufferField = Row(operation).hasBufferField;
    model.deviceStart = FieldText(record.DeviceStart);
    model.deviceEnd = FieldText(record.DeviceEnd);
    if (model.hasBufferField) model.bufferStart = FieldText(record.BufferStart);
    model.fullDevice = (record.Flags & kRangeFullDevice) != 0;
    model.fieldsEnabled = !model.fullDevice;
    model.focusDeviceStart = !model.fullDevice;
}

void RangeDialog::ClickFullDevice(bool checked) {
    OperationRange& record = RangeRecord(operation_);
    if (checked) {
        record.Flags |= kRangeFullDevice;
    } else {
        record.Flags &= static_cast<std::uint8_t>(~kRangeFullDevice);
    }
    model.fullDevice = checked;
    model.fieldsEnabled = !checked;
}

bool RangeDialog::Ok() {
    OperationRange& record = RangeRecord(operation_);
    if (record.Flags & kRangeFullDevice) return true;
    if (!ParseField(model.deviceStart, record.DeviceStart)) return false;
    if (!ParseField(model.deviceEnd, record.DeviceEnd)) return false;
    if (model.hasBufferField && !ParseField(model.bufferStart, record.BufferStart)) return false;
    const std::uint16_t bufferStart = model.hasBufferField ? record.BufferStart : 0;
    return !ValidateOperationRange(App().CurrentBufferKind, record.DeviceStart, record.DeviceEnd,
                                   bufferStart);
}

void RangeDialog::Cancel() { RangeRecord(operation_) = saved_; }

std::vector<AddressStretch> LoadedStretches(BufferKind kind, std::uint16_t blockSize) {
    const std::uint32_t last = LastAddress(kind);
    const std::uint32_t block = blockSize == 0 ? 1 : blockSize;
    std::vector<AddressStretch> stretches;
    std::uint32_t address = 0;
    while (address <= last) {
        if (GetOrigin(kind, static_cast<std::uint16_t>(address)) != OriginFile) {
            ++address;
            continue;
        }
        std::uint32_t end = address;
        while (end + 1 <= last &&
               GetOrigin(kind, static_cast<std::uint16_t>(end + 1)) == OriginFile) {
            ++end;
        }
        const std::uint32_t first = address / block * block;
        const std::uint32_t widened = std::min(last, (end / block + 1) * block - 1);
        if (!stretches.empty() && first <= std::uint32_t{stretches.back().last} + 1) {
            stretches.back().last = static_cast<std::uint16_t>(widened);
        } else {
            stretches.push_back(
                {static_cast<std::uint16_t>(first), static_cast<std::uint16_t>(widened)});
        }
        address = end + 1;
    }
    return stretches;
}

DeviceRangeRequest MakeRangeRequest(RangeOperation operation, BufferKind buffer,
                                    const OperationRange& range) {
    const RangeDialogRow& row = Row(operation);
    DeviceRangeRequest request;
    request.buffer = buffer;
    request.shown = range;
    if ((range.Flags & kRangeFullDevice) != 0) {
        const std::uint16_t last = LastAddress(buffer);
        request.packedStartCount = PackStartCount(0, static_cast<std::uint16_t>(last + 1));
        if (row.fullDevice.deviceStart) request.shown.DeviceStart = 0;
        if (row.fullDevice.deviceEnd) request.shown.DeviceEnd = last;
        if (row.fullDevice.bufferStart) request.shown.BufferStart = 0;
    } else {
        const auto count = static_cast<std::uint16_t>(range.DeviceEnd - range.DeviceStart + 1);
        request.packedStartCount = PackStartCount(range.DeviceStart, count);
        request.bufferStart = row.hasBufferField ? range.BufferStart : std::uint16_t{0};
    }
    return request;
}

bool RunRangeRequest(RangeOperation operation, const DeviceRangeRequest& request,
                     const ProgressOpener& openProgress) {
    if (!CheckProgrammer(App().ProgrammerLink)) return false;
    // A failure of the link has said so; the operation does not start.
    if (Row(operation).prepareRead && !PrepareRead()) return false;
    openProgress(request);
    return true;
}

bool RunOperation(RangeOperation operation, const ProgressOpener& openProgress) {
    OperationRange& record = RangeRecord(operation);
    const OperationRange kept = record;
    DeviceRangeRequest request = MakeRangeRequest(operation, App().CurrentBufferKind, record);
    request.eraseFirst = (App().OptionFlags & kOptionEraseBeforeProgram) != 0;
    request.verifyAfter = (App().OptionFlags & kOptionVerifyAfterProgram) != 0;
    return RunRangeRequest(operation, request, [&](const DeviceRangeRequest& r) {
        // What a Full Device run shows is what the record keeps.
        record = r.shown;
        openProgress(r);
        if ((kept.Flags & kRangeFullDevice) != 0 && Row(operation).fullDevice.restoreBufferStart) {
            record.BufferStart = kept.BufferStart;
        }
    });
}

}  // namespace zvk
