#pragma once
// The two memory images (Flash and EEPROM) and their per-byte origin marks.
// Buffer address n is the image of chip address n. Every access goes through
// the bound-checking accessors: reads above the last address give 0xFF, writes
// there are dropped.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "app/AppState.h"

namespace zvk {

// Where a byte's value came from; the hex editors colour it by this.
enum ByteOrigin : std::uint8_t {
    OriginNone = 0,    // allocation, Clear
    OriginFile = 1,    // loaded from a HEX or binary file
    OriginEdited = 2,  // changed inside the program
    OriginDevice = 3,  // read from the chip
};

// Sizes a block, or reports failure. Tests inject a failing one.
using BlockAllocator = std::function<bool(std::vector<std::uint8_t>& block, std::size_t size)>;
bool DefaultBlockAllocator(std::vector<std::uint8_t>& block, std::size_t size);

// Allocates the four blocks and sets both images to 0xFF with no origin. On
// failure shows "Insufficient Memory Available" and returns non-zero; blocks
// allocated before the failure stay allocated.
[[nodiscard]] int AllocateBuffers(const BlockAllocator& allocate = DefaultBlockAllocator);

// Releases the four blocks (shut-down).
void ReleaseBuffers();

[[nodiscard]] std::uint8_t FlashRead(std::uint16_t address);
[[nodiscard]] std::uint8_t EepromRead(std::uint16_t address);
void FlashWrite(std::uint16_t address, std::uint8_t value);
void EepromWrite(std::uint16_t address, std::uint8_t value);

// The buffer and origin helpers for the buffer of the kind given, with the
// same bound rules.
[[nodiscard]] std::uint8_t BufferRead(BufferKind kind, std::uint16_t address);
void BufferWrite(BufferKind kind, std::uint16_t address, std::uint8_t value);
// Sets the origin mark of a byte inside the buffer's last address.
void SetOrigin(BufferKind kind, std::uint16_t address, ByteOrigin origin);
[[nodiscard]] ByteOrigin GetOrigin(BufferKind kind, std::uint16_t address);
[[nodiscard]] std::uint16_t LastAddress(BufferKind kind);

// destination[i] = FlashRead / EepromRead (address + i), i from 0 to count - 1.
void CopyFlashOut(std::uint16_t address, std::uint8_t* destination, std::uint16_t count);
void CopyEepromOut(std::uint16_t address, std::uint8_t* destination, std::uint16_t count);

// Range primitives over the buffer of the kind; the caller has checked the
// range. Every byte written is marked OriginEdited, and the range written is
// announced (app/BufferEvents.h).
void FillBufferRange(BufferKind kind, std::uint16_t start, std::uint16_t end, std::uint8_t value);
void CopyBufferRange(BufferKind kind, std::uint16_t sourceStart, std::uint16_t sourceEnd,
                     std::uint16_t destination);

// Sets the whole buffer of the kind (to its last address) to 0xFF with no
// origin, and announces the clear.
void ClearBuffer(BufferKind kind);

// The sum of the bytes start..end of the buffer, modulo 65536.
[[nodiscard]] std::uint16_t BufferChecksum(BufferKind kind, std::uint16_t start, std::uint16_t end);

// Writers for the editors and code tools; each marks the bytes it writes
// OriginEdited and announces them.

// A byte typed into a hex editor. Returns the byte as read back (FF above the
// buffer's last address, where nothing is written).
std::uint8_t StoreEditedByte(BufferKind kind, std::uint16_t address, std::uint8_t value);

// The hex editor's edited byte: rowCache[index] written at topAddress + index.
// Returns the byte as read back.
std::uint8_t StoreEditedByte(std::uint16_t topAddress, const std::uint8_t* rowCache,
                             std::uint16_t index);
// The assembler's output bytes from offset on, count 1 to 3.
void StoreAssembledCode(std::uint16_t address, const std::uint8_t* output, std::size_t offset,
                        std::size_t count);
// A program line's code block, count 1 to 3.
void StoreProgramLine(std::uint16_t address, const std::uint8_t* block, std::size_t count);

}  // namespace zvk
