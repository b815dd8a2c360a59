#include "files/BlockOps.h"

#include <array>
#include <cstdio>

#include "app/AppState.h"
#include "app/Buffers.h"
#include "app/Messages.h"
#include "files/FileJob.h"
#include "files/FileSave.h"

namespace zvk {
namespace {

struct BlockDialogSpec {
    std::string_view flashTitle;
    std::string_view eepromTitle;
    std::string_view acceptLabel;
    std::string_view cancelLabel;
    std::array<DialogFieldSpec, 3> fields;
    std::size_t fieldCount;
};

constexpr BlockDialogSpec kFillDialog{
    "Fill - Flash Buffer", "Fill - EEPROM Buffer", "&Fill", "Cancel",
    {{{1024, "Starting Address", 4}, {1025, "Ending Address", 4}, {1026, "Fill Data", 2}}}, 3};
constexpr BlockDialogSpec kCopyDialog{
    "Copy - Flash Buffer", "Copy - EEPROM Buffer", "&Copy", "&Cancel",
    {{{1005, "&Starting Address", 4},
      {1007, "&Ending Address", 4},
      {1008, "&Destination Address", 4}}},
    3};
constexpr BlockDialogSpec kChecksumDialog{
    "Checksum - Flash Buffer", "Checksum - EEPROM Buffer", "OK", "Cancel",
    {{{1005, "Buffer Starting Address:", 4}, {1007, "Buffer Ending Address:", 4}, {}}}, 2};

FieldDialog MakeBlockDialog(const BlockDialogSpec& spec, const std::uint16_t* values) {
    FieldDialog dialog;
    dialog.title = App().CurrentBufferKind == BufferKind::Flash ? spec.flashTitle
                                                                : spec.eepromTitle;
    dialog.acceptLabel = spec.acceptLabel;
    dialog.cancelLabel = spec.cancelLabel;
    dialog.fields = MakeFields(spec.fields.data(), spec.fieldCount, values);
    return dialog;
}

// Parses the fields in order straight into their remembered values, stopping
// at the first that fails.
bool ParseInto(FieldDialog& dialog, std::uint16_t* const* targets) {
    for (std::size_t i = 0; i < dialog.fields.size(); ++i) {
        if (!ParseDialogField(dialog.fields[i], *targets[i])) return false;
    }
    return true;
}

}  // namespace

BlockSettings& BlockOperationSettings() {
    static BlockSettings settings;
    return settings;
}

void ResetFileOperationSettings() {
    BlockOperationSettings() = BlockSettings{};
    FileSaveSettings() = SaveSettings{};
}

FieldDialog FillDialog() {
    BlockSettings& s = BlockOperationSettings();
    const std::uint16_t values[] = {s.fillStart, s.fillEnd, s.fillData};
    FieldDialog dialog = MakeBlockDialog(kFillDialog, values);
    dialog.accept = [](FieldDialog& d) {
        BlockSettings& b = BlockOperationSettings();
        std::uint16_t* const targets[] = {&b.fillStart, &b.fillEnd, &b.fillData};
        return ParseInto(d, targets);
    };
    return dialog;
}

FieldDialog CopyDialog() {
    BlockSettings& s = BlockOperationSettings();
    const std::uint16_t values[] = {s.copyStart, s.copyEnd, s.copyDestination};
    FieldDialog dialog = MakeBlockDialog(kCopyDialog, values);
    dialog.accept = [](FieldDialog& d) {
        BlockSettings& b = BlockOperationSettings();
        std::uint16_t* const targets[] = {&b.copyStart, &b.copyEnd, &b.copyDestination};
        return ParseInto(d, targets);
    };
    return dialog;
}

FieldDialog ChecksumDialog() {
    BlockSettings& s = BlockOperationSettings();
    const std::uint16_t values[] = {s.checksumStart, s.checksumEnd};
    FieldDialog dialog = MakeBlockDialog(kChecksumDialog, values);
    dialog.accept = [](FieldDialog& d) {
        std::uint16_t start = 0;
        std::uint16_t end = 0;
        std::uint16_t* const targets[] = {&start, &end};
        if (!ParseInto(d, targets)) return false;
        BlockOperationSettings().checksumStart = start;
        BlockOperationSettings().checksumEnd = end;
        return true;
    };
    return dialog;
}

bool CheckBlockRange(std::uint16_t start, std::uint16_t end, std::uint32_t lastWritten) {
    if (start > end) {
        ShowMessage("Starting Address is Greater than Ending Address!", "Address Error",
                    MessageIcon::Stop);
        return false;
    }
    if (end > CurrentLastAddress() || lastWritten > CurrentLastAddress()) {
        ShowMessage("Address out of Range", "Error", MessageIcon::Stop);
        return false;
    }
    return true;
}

std::uint16_t BufferChecksum(BufferKind kind, std::uint16_t start, std::uint16_t end) {
    std::uint16_t sum = 0;
    for (std::uint32_t a = start; a <= end; ++a) {
        sum = static_cast<std::uint16_t>(sum + BufferRead(kind, static_cast<std::uint16_t>(a)));
    }
    return sum;
}

std::string ChecksumText(std::uint16_t sum) {
    char text[24];
    std::snprintf(text, sizeof text, "Check sum = %04X", static_cast<unsigned>(sum));
    return text;
}

std::optional<std::uint16_t> ChecksumRange(std::uint16_t start, std::uint16_t end) {
    if (!CheckBlockRange(start, end, end)) return std::nullopt;
    return BufferChecksum(App().CurrentBufferKind, start, end);
}

void FillCommand(const FieldDialogRunner& runDialog) {
    FieldDialog dialog = FillDialog();
    if (!runDialog(dialog)) return;
    const BlockSettings& s = BlockOperationSettings();
    if (!CheckBlockRange(s.fillStart, s.fillEnd, s.fillEnd)) return;
    FillBufferRange(s.fillStart, s.fillEnd, static_cast<std::uint8_t>(s.fillData));
    ShowMessage("Fill Operation Completed Succesfully.", "Buffer Fill", MessageIcon::Information);
    RefreshAllBufferWindows();
}

void CopyCommand(const FieldDialogRunner& runDialog) {
    FieldDialog dialog = CopyDialog();
    if (!runDialog(dialog)) return;
    const BlockSettings& s = BlockOperationSettings();
    // Computed wide: a destination near 0xFFFF must not wrap past the test.
    const std::uint32_t lastDestination =
        std::uint32_t{s.copyDestination} + (s.copyEnd - s.copyStart);
    if (!CheckBlockRange(s.copyStart, s.copyEnd, lastDestination)) return;
    CopyBufferRange(s.copyStart, s.copyEnd, s.copyDestination);
    ShowMessage("Operation Completed Successfully", "Buffer Copy", MessageIcon::Information);
    RefreshAllBufferWindows();
}

void ChecksumCommand(const FieldDialogRunner& runDialog) {
    FieldDialog dialog = ChecksumDialog();
    if (!runDialog(dialog)) return;
    const BlockSettings& s = BlockOperationSettings();
    if (const auto sum = ChecksumRange(s.checksumStart, s.checksumEnd)) {
        ShowMessage(ChecksumText(*sum), "Checksum", MessageIcon::Information);
    }
}

void ClearCommand() { ClearBuffer(); }

}  // namespace zvk
