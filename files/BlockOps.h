#pragma once
// The buffer commands that work on an address range without touching the
// chip: Fill, Copy (overlap allowed), Checksum (a 16-bit wrapping sum) and
// Clear, each on the buffer of CurrentBufferKind. Fill, Copy and Checksum ask
// for their addresses in a FieldDialog whose values are remembered for the
// next use while the program runs. What Fill, Copy and Clear change is a
// BlockRequest, built from those remembered values (or by any other caller).

#include <cstdint>
#include <optional>
#include <string>

#include "app/AppState.h"
#include "files/FieldDialog.h"

namespace zvk {

// Kept for the run of the program, not in the settings file; all 0 at start.
struct BlockSettings {
    std::uint16_t fillStart = 0;
    std::uint16_t fillEnd = 0;
    std::uint16_t fillData = 0;  // only the low byte is written
    std::uint16_t copyStart = 0;
    std::uint16_t copyEnd = 0;
    std::uint16_t copyDestination = 0;
    std::uint16_t checksumStart = 0;
    std::uint16_t checksumEnd = 0;
};
BlockSettings& BlockOperationSettings();

enum class BlockOperation : std::uint8_t { Fill, Copy, Clear };

// One change of a buffer: Fill start..end with value, Copy start..end to
// destination, or Clear the whole buffer (no range).
struct BlockRequest {
    BlockOperation operation = BlockOperation::Fill;
    BufferKind buffer = BufferKind::Flash;
    std::uint16_t start = 0;
    std::uint16_t end = 0;
    std::uint8_t value = 0;
    std::uint16_t destination = 0;
};

// Checks the range of a Fill or Copy (CheckBlockRange), then changes the
// buffer and refreshes the windows that show it. False, with nothing
// changed, after the range message.
bool RunBlockRequest(const BlockRequest& request);

// Puts the remembered block and save values back to their start values.
void ResetFileOperationSettings();

// The dialogs for the buffer of CurrentBufferKind. Fill and Copy keep each
// field in its remembered value as it parses, so fields before a failing one
// keep what was typed; Checksum keeps both only when both parse.
[[nodiscard]] FieldDialog FillDialog();
[[nodiscard]] FieldDialog CopyDialog();
[[nodiscard]] FieldDialog ChecksumDialog();

// The range tests, in order: start above end, then lastWritten (end, or
// Copy's last destination address) above the buffer's last address. False
// after the message.
[[nodiscard]] bool CheckBlockRange(BufferKind kind, std::uint16_t start, std::uint16_t end,
                                   std::uint32_t lastWritten);

// "Check sum = %04X".
[[nodiscard]] std::string ChecksumText(std::uint16_t sum);
// The range tests, then the sum of the buffer.
[[nodiscard]] std::optional<std::uint16_t> ChecksumRange(BufferKind kind, std::uint16_t start,
                                                         std::uint16_t end);

// The four commands; each dialog command does nothing when its dialog is
// cancelled.
void FillCommand(const FieldDialogRunner& runDialog);
void CopyCommand(const FieldDialogRunner& runDialog);
void ChecksumCommand(const FieldDialogRunner& runDialog);
void ClearCommand();

}  // namespace zvk
