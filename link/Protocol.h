#pragma once
// The exchanges of the programmer protocol. Each works on ProgrammerLink and
// takes the part and mode from AppState; the command bytes come from
// CommandTable.h. A transfer that fails shows the link's message and ends its
// exchange there: nothing more goes to the unit, and the exchange returns
// false. An operation that gets false must stop, without a message of its
// own for the link (LinkFailureWatch tells the two kinds of false apart where
// an exchange has both).

#include <cstdint>

#include "app/AppState.h"
#include "link/SerialTransport.h"

namespace zvk {

// True when the unit answered 0x0D with the acknowledge byte. A port that is
// none, or any other answer, shows "Unable to Access the programmer!"; a port
// that fails shows the link's message.
[[nodiscard]] bool CheckProgrammer(SerialTransport* port);

// True when the part's third signature byte is 0xFF. A signature that does
// not come at all reads as another value.
[[nodiscard]] bool ReadSignature();

// Sends the erase command; the unit's answer is not awaited. False when the
// link failed.
[[nodiscard]] bool SendChipErase();

// Sends the lock commands chosen in lockBits (ProtectionOptions bits) for the
// part's lock class, with the pauses the part needs. True when at least one
// was sent; false also when the link failed, even after some were sent.
bool SendLockBits(std::uint8_t lockBits);

// Announces count data bytes from the address, for the chip's memory of the
// kind. ProgramByte then sends them one by one. False when the link failed.
[[nodiscard]] bool BeginProgramming(BufferKind kind, std::uint16_t deviceAddress,
                                    std::uint16_t count);

// Sends one data byte. True when the unit acknowledged it; false when it
// answered the error byte, when the link failed, or when the unit stayed
// silent for the link's wait bound.
[[nodiscard]] bool ProgramByte(std::uint8_t value);

// Programming that stops before the announced count has gone (a failed or
// unanswered byte, an operation given up) leaves the unit taking every byte
// that follows as data: the next commands would be written into the chip.
// FinishProgramming brings it back: it completes the announced count with
// 0xFF bytes, which program nothing, until the unit has acknowledged them all
// or falls silent, and then checks that the unit answers 0x0D. True when the
// unit is back at its commands (at once when no programming is unfinished);
// false when it could not be brought back, which ReportUnitNotBack says.
// Until then every other exchange tries again before it sends anything, and
// fails with that message when it cannot.
[[nodiscard]] bool FinishProgramming();
[[nodiscard]] bool ProgrammingUnfinished();
// "... Reset the programmer unit!", counted as a failure of the link.
void ReportUnitNotBack();

// Fill the block with count bytes read from the chip. True only when all of
// them came; otherwise the block's bytes are not the chip's. ReadEepromBlock
// reads nothing, and gives false, for a part without EEPROM.
[[nodiscard]] bool ReadFlashBlock(std::uint16_t deviceAddress, std::uint16_t count,
                                  std::uint8_t* block);
[[nodiscard]] bool ReadEepromBlock(std::uint16_t deviceAddress, std::uint16_t count,
                                   std::uint8_t* block);

// The same, straight into the buffer at destination, where the bytes are then
// marked as read from the chip. A block that did not come whole leaves the
// buffer and its marks as they were, and gives false. Bytes past the buffer's
// last address are dropped.
[[nodiscard]] bool ReadFlashToBuffer(std::uint16_t deviceAddress, std::uint16_t count,
                                     std::uint16_t destination);
[[nodiscard]] bool ReadEepromToBuffer(std::uint16_t deviceAddress, std::uint16_t count,
                                      std::uint16_t destination);

// Run before reading, and before the lock commands in SPI mode. False when
// the link failed.
[[nodiscard]] bool PrepareRead();

// Switch serial programming of the FamilyS53 parts on and off. The menu
// offers them only for those parts in Parallel mode. False when the link failed.
[[nodiscard]] bool SerialProgramEnable();
[[nodiscard]] bool SerialProgramDisable();

}  // namespace zvk
