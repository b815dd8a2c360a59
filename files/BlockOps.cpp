#include "files/BlockOps.h"

#include <array>
#include <cstdio>

#include "app/AppState.h"
#include "app/Buffers.h"
#include "app/Messages.h"
#include "files/FileSave.h"

namespace zvk {
namespace {

using BlockValue = std::uint16_t BlockSettings::*;

struct BlockDialogLayout {
    std::string_view flashTitle;
    std::string_view eepromTitle;
    std::string_view acceptLabel;
    std::string_view cancelLabel;
    std::array<DialogFieldLayout, 3> fields;
    std::array<BlockValue, 3> values;  // the remembered value of each field
    std::size_t fieldCount;
    // Fill and Copy keep each field as it parses; Checksum keeps all or none.
    bool keepEachField;
};

constexpr BlockDialogLayout kFillDialog{
    "Fill - Flash Buffer",
    "Fill - EEPROM Buffer",
    "&Fill",
    "Cancel",
    {{{1024, "Starting Address", 4}, {1025, "Ending Address", 4}, {1026, "Fill Data", 2}}},
    {&BlockSettings::fillStart, &BlockSettings::fillEnd, &BlockSettings::fillData},
    3,
    true};
constexpr BlockDialogLayout kCopyDialog{
    "Copy - Flash Buffer",
    "Copy - EEPROM Buffer",
    "&Copy",
    "&Cancel",
    {{{1005, "&Starting Address", 4},
      {1007, "&Ending Address", 4},
      {1008, "&Destination Address", 4}}},
    {&BlockSettings::copyStart, &BlockSettings::copyEnd, &BlockSettings::copyDestination},
    3,
    true};
constexpr BlockDialogLayout kChecksumDialog{
    "Checksum - Flash Buffer",
    "Checksum - EEPROM Buffer",
    "OK",
    "Cancel",
    {{{1005, "Buffer Starting Address:", 4}, {1007, "Buffer Ending Address:", 4}, {}}},
    {&BlockSettings::checksumStart, &BlockSettings::checksumEnd, nullptr},
    2,
    false};

FieldDialog MakeBlockDialog(const BlockDialogLayout& layout) {
    const BlockSettings& s = BlockOperationSettings();
    std::uint16_t values[3] = {};
    for (std::size_t i = 0; i < layout.fieldCount; ++i) values[i] = s.*layout.values[i];
    FieldDialog dialog;
    dialog.title =
        App().CurrentBufferKind == BufferKind::Flash ? layout.flashTitle : layout.eepromTitle;
    dialog.acceptLabel = layout.acceptLabel;
    dialog.cancelLabel = layout.cancelLabel;
    dialog.fields = MakeFields(layout.fields.data(), layout.fieldCount, values);
    dialog.accept = [&layout](FieldDialog& d) {
        BlockSettings& remembered = BlockOperationSettings();
        BlockSettings parsed = remembered;
        BlockSettings& target = layout.keepEachField ? remembered : parsed;
        for (std::size_t i = 0; i < d.fields.size(); ++i) {
            if (!ParseDialogField(d.fields[i], target.*layout.values[i])) return false;
        }
        remembered = target;
        return true;
    };
    return dialog;
}

}  // namespace

BlockSettings& BlockOperationSettings() {
    static BlockSettings settings;
    return settings;
}

void ResetFileOperationSettings() {
    BlockOperationSettings() = BlockSettings{};
    FileSaveSettings() = SaveMemorySettings{};
}

FieldDialog FillDialog() { return MakeBlockDialog(kFillDialog); }
FieldDialog CopyDialog() { return MakeBlockDialog(kCopyDialog); }
FieldDialog ChecksumDialog() { return MakeBlockDialog(kChecksumDialog); }

bool CheckBlockRange(BufferKind kind, std::uint16_t start, std::uint16_t end,
                     std::uint32_t lastWritten) {
    if (start > end) {
        ShowMessage("Starting Address is Greater than Ending Address!", "Address Error",
                    MessageIcon::Stop);
        return false;
    }
    if (end > LastAddress(kind) || lastWritten > LastAddress(kind)) {
        ShowMessage("Address out of Range", "Error", MessageIcon::Stop);
        return false;
    }
    return true;
}

bool RunBlockRequest(const BlockRequest& r) {
    switch (r.operation) {
        case BlockOperation::Fill:
            if (!CheckBlockRange(r.buffer, r.start, r.end, r.end)) return false;
            FillBufferRange(r.buffer, r.start, r.end, r.value);
            break;
        case BlockOperation::Copy: {
            // Computed wide: a destination near 0xFFFF must not wrap past the test.
            const std::uint32_t lastDestination = std::uint32_t{r.destination} + (r.end - r.start);
            if (!CheckBlockRange(r.buffer, r.start, r.end, lastDestination)) return false;
            CopyBufferRange(r.buffer, r.start, r.end, r.destination);
            break;
        }
        case BlockOperation::Clear:
            ClearBuffer(r.buffer);
            break;
    }
    // Each primitive announces what it wrote: the windows show the new bytes
    // behind the message already.
    return true;
}

std::string ChecksumText(std::uint16_t sum) {
    char text[24];
    std::snprintf(text, sizeof text, "Check sum = %04X", static_cast<unsigned>(sum));
    return text;
}

std::optional<std::uint16_t> ChecksumRange(BufferKind kind, std::uint16_t start,
                                           std::uint16_t end) {
    if (!CheckBlockRange(kind, start, end, end)) return std::nullopt;
    return BufferChecksum(kind, start, end);
}

void FillCommand(const FieldDialogRunner& runDialog) {
    FieldDialog dialog = FillDialog();
    if (!runDialog(dialog)) return;
    const BlockSettings& s = BlockOperationSettings();
    if (!RunBlockRequest({BlockOperation::Fill, App().CurrentBufferKind, s.fillStart, s.fillEnd,
                          static_cast<std::uint8_t>(s.fillData), 0})) {
        return;
    }
    ShowMessage("Fill Operation Completed Succesfully.", "Buffer Fill", MessageIcon::Information);
}

void CopyCommand(const FieldDialogRunner& runDialog) {
    FieldDialog dialog = CopyDialog();
    if (!runDialog(dialog)) return;
    const BlockSettings& s = BlockOperationSettings();
    if (!RunBlockRequest({BlockOperation::Copy, App().CurrentBufferKind, s.copyStart, s.copyEnd, 0,
                          s.copyDestination})) {
        return;
    }
    ShowMessage("Operation Completed Successfully", "Buffer Copy", MessageIcon::Information);
}

void ChecksumCommand(const FieldDialogRunner& runDialog) {
    FieldDialog dialog = ChecksumDialog();
    if (!runDialog(dialog)) return;
    const BlockSettings& s = BlockOperationSettings();
    if (const auto sum = ChecksumRange(App().CurrentBufferKind, s.checksumStart, s.checksumEnd)) {
        ShowMessage(ChecksumText(*sum), "Checksum", MessageIcon::Information);
    }
}

void ClearCommand() { (void)RunBlockRequest({BlockOperation::Clear, App().CurrentBufferKind}); }

}  // namespace zvk
