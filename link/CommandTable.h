#pragma once
// The programmer unit's command bytes. Each part family has its own command
// set, and the SPI-capable families one set for Parallel and one for SPI mode;
// FamilyC5x parts come in two kinds, told apart by their third signature byte.
// The host looks its commands up here, and the virtual unit decodes with the
// same table.
//
// Wire format, host to unit: a command is one byte; an addressed command is
// five: command, address high, address low, count high, count low. During
// programming each data byte goes alone and the unit answers it.

#include <array>
#include <cstdint>

#include "app/AppState.h"
#include "app/DeviceTable.h"

namespace zvk {

inline constexpr std::uint8_t kNoCommand = 0x00;  // the exchange does not exist in this set

inline constexpr std::uint8_t kCheckProgrammer = 0x0D;
inline constexpr std::uint8_t kReadSignature = 0x14;
inline constexpr std::uint8_t kAckByte = '-';
inline constexpr std::uint8_t kErrorByte = 'E';
inline constexpr std::uint8_t kC5xFirstKindByte = 0xFF;  // third signature byte of the first kind
inline constexpr std::size_t kLockBitCount = 3;

enum class CommandColumn : std::uint8_t {
    X051,
    C5xFirstKind,   // third signature byte 0xFF
    C5xSecondKind,  // any other third signature byte, or none
    LV5x,
    S53Parallel,
    S53Spi,
    S5xParallel,
    S5xSpi,
};
inline constexpr std::size_t kCommandColumnCount = 8;

struct CommandSet {
    std::uint8_t ChipErase;
    std::uint8_t ReadFlash;
    std::uint8_t ProgramFlash;
    std::uint8_t ProgramEeprom;
    std::uint8_t ReadEeprom;
    std::uint16_t EepromAddressOffset;                     // added to EEPROM addresses
    std::array<std::uint8_t, kLockBitCount> LockBit;       // LB1, LB2, LB3
    std::array<std::uint16_t, kLockBitCount> LockPauseMs;  // after each lock command
    bool PrepareBeforeLocks;  // PrepareRead and a pause of kPrepareLockPauseMs first
    std::uint8_t SerialProgramEnable;
    std::uint8_t SerialProgramDisable;
    std::uint8_t PrepareRead;
};

inline constexpr std::uint16_t kPrepareLockPauseMs = 100;

// clang-format off
inline constexpr std::array<CommandSet, kCommandColumnCount> kCommandSets{{
    // Erase ReadF ProgF ProgE ReadE EepromOff  LB1..LB3            pauses ms       prep   SPEn  SPDis Prep
    {0x0F, 0x12, 0x13, 0x00, 0x00, 0x0000, {0x10, 0x11, 0x00}, {25, 25, 0},    false, 0x00, 0x00, 0x00},  // X051
    {0x15, 0x1D, 0x1E, 0x00, 0x00, 0x0000, {0x17, 0x18, 0x19}, {25, 25, 25},   false, 0x00, 0x00, 0x00},  // C5x, 0xFF
    {0x16, 0x1D, 0x1F, 0x00, 0x00, 0x0000, {0x1A, 0x1B, 0x1C}, {25, 25, 25},   false, 0x00, 0x00, 0x00},  // C5x, other
    {0x15, 0x1D, 0x1E, 0x00, 0x00, 0x0000, {0x17, 0x18, 0x19}, {25, 25, 25},   false, 0x00, 0x00, 0x00},  // LV5x
    {0x15, 0x2B, 0x2C, 0x2C, 0x2B, 0x2000, {0x2D, 0x2E, 0x2F}, {25, 25, 25},   false, 0x20, 0x21, 0x00},  // S53 Parallel
    {0x23, 0x24, 0x25, 0x27, 0x26, 0x0000, {0x28, 0x29, 0x2A}, {25, 25, 25},   true,  0x00, 0x00, 0x30},  // S53 SPI
    {0x33, 0x37, 0x38, 0x00, 0x00, 0x0000, {0x34, 0x35, 0x36}, {100, 25, 25},  false, 0x00, 0x00, 0x00},  // S5x Parallel
    {0x3A, 0x3B, 0x3C, 0x00, 0x00, 0x0000, {0x3D, 0x3E, 0x3F}, {25, 25, 25},   true,  0x00, 0x00, 0x00},  // S5x SPI
}};
// clang-format on

// Which command sets a family uses: in Parallel mode, in SPI mode, and for
// FamilyC5x the set of the second kind. A family without SPI names its
// Parallel set for both modes.
struct FamilyCommands {
    CommandColumn Parallel;
    CommandColumn Spi;
    CommandColumn SecondKind;
    bool ChosenBySignature;  // ReadSignature decides between Parallel and SecondKind
};

// Indexed by DeviceFamily.
inline constexpr std::array<FamilyCommands, 5> kFamilyCommands{{
    {CommandColumn::X051, CommandColumn::X051, CommandColumn::X051, false},
    {CommandColumn::C5xFirstKind, CommandColumn::C5xFirstKind, CommandColumn::C5xSecondKind, true},
    {CommandColumn::LV5x, CommandColumn::LV5x, CommandColumn::LV5x, false},
    {CommandColumn::S53Parallel, CommandColumn::S53Spi, CommandColumn::S53Parallel, false},
    {CommandColumn::S5xParallel, CommandColumn::S5xSpi, CommandColumn::S5xParallel, false},
}};

// The only parts with EEPROM belong to FamilyS53; these are their sets.
inline constexpr CommandColumn kEepromParallel = CommandColumn::S53Parallel;
inline constexpr CommandColumn kEepromSpi = CommandColumn::S53Spi;
// Serial programming is switched on and off with the commands of this set,
// the only one that has them.
inline constexpr CommandColumn kSerialSwitchSet = CommandColumn::S53Parallel;

[[nodiscard]] constexpr const FamilyCommands& CommandsOf(DeviceFamily family) {
    return kFamilyCommands[static_cast<std::size_t>(family)];
}

[[nodiscard]] constexpr const CommandSet& CommandSetOf(CommandColumn column) {
    return kCommandSets[static_cast<std::size_t>(column)];
}

// The ProtectionOptions bit of lock level i (0 is LB1): bits 4 and 5 for the
// two-level parts, bits 0 to 2 for the three-level parts.
[[nodiscard]] constexpr std::uint8_t LockOptionBit(std::uint8_t lockLevels, std::size_t level) {
    return static_cast<std::uint8_t>((lockLevels == 2 ? kProtect2Lb1 : kProtect3Lb1) << level);
}

}  // namespace zvk
