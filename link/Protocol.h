#pragma once
// The exchanges of the programmer protocol. Each works on ProgrammerLink and
// takes the part and mode from AppState; the command bytes come from
// CommandTable.h. Apart from CheckProgrammer, none reports a failure of the
// link itself: a failed transfer has shown the link's message, and the
// exchange goes on with whatever its reply block holds. Callers judge success
// only by the results below.

#include <cstdint>

#include "link/SerialTransport.h"

namespace zvk {

// True when the unit answered 0x0D with the acknowledge byte. A port that is
// none, or any other answer, shows "Unable to Access the programmer!".
[[nodiscard]] bool CheckProgrammer(SerialTransport* port);

// True when the part's third signature byte is 0xFF.
[[nodiscard]] bool ReadSignature();

// Sends the erase command; the unit's answer is not awaited.
void SendChipErase();

// Sends the lock commands chosen in ProtectionOptions for the part's lock
// class, with the pauses the part needs. True when at least one was sent.
bool SendLockBits();

// Announces count data bytes from the address, for the buffer of
// CurrentBufferKind. ProgramByte then sends them one by one.
void BeginProgramming(std::uint16_t deviceAddress, std::uint16_t count);

// Sends one data byte. True when the unit acknowledged it; false when it
// answered the error byte, when the link failed, or when the unit stayed
// silent for the link's wait bound.
[[nodiscard]] bool ProgramByte(std::uint8_t value);

// Fill the block with count bytes read from the chip. ReadEepromBlock does
// nothing for a part without EEPROM.
void ReadFlashBlock(std::uint16_t deviceAddress, std::uint16_t count, std::uint8_t* block);
void ReadEepromBlock(std::uint16_t deviceAddress, std::uint16_t count, std::uint8_t* block);

// The same, straight into the buffer at destination; the bytes there are then
// marked as read from the chip, whether or not they came. Bytes past the
// buffer's last address are dropped.
void ReadFlashToBuffer(std::uint16_t deviceAddress, std::uint16_t count, std::uint16_t destination);
void ReadEepromToBuffer(std::uint16_t deviceAddress, std::uint16_t count,
                        std::uint16_t destination);

// Run before reading, and before the lock commands in SPI mode.
void PrepareRead();

// Switch serial programming of the FamilyS53 parts on and off. The menu
// offers them only for those parts in Parallel mode.
void SerialProgramEnable();
void SerialProgramDisable();

}  // namespace zvk
