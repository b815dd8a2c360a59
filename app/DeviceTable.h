#pragma once
// The compiled-in catalogue of the 18 supported AT89 parts. A row's index is
// what SelectedDevice and zvk.dat store, so rows never move.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace zvk {

// The programmer unit's command set for a part.
enum class DeviceFamily : std::uint8_t { FamilyX051, FamilyC5x, FamilyLV5x, FamilyS53, FamilyS5x };

struct DeviceInfo {
    std::string_view PartName;     // as shown in the status bar and progress texts
    std::string_view DialogLabel;  // the Select Device radio button's text
    std::uint32_t FlashSize;
    bool HasEeprom;
    std::uint8_t DeviceCode;  // second signature byte
    std::uint8_t LockLevels;  // 2: 20-pin parts (LB1, LB2); 3: 40-pin parts (LB1..LB3)
    bool SpiCapable;
    bool SerialProgramSwitch;
    DeviceFamily Family;
    std::uint8_t CheckCommand;      // asks the unit for the signature
    std::uint8_t CheckReplyLength;  // signature bytes that come back

    [[nodiscard]] constexpr std::uint16_t LastAddress() const {
        return static_cast<std::uint16_t>(FlashSize - 1);
    }
};

inline constexpr std::uint8_t kManufacturerCode = 0x1E;  // first signature byte of every part
inline constexpr std::uint8_t kS5xThirdSignatureByte = 0x06;
inline constexpr std::size_t kDeviceCount = 18;
inline constexpr int kFirstDeviceRadioId = 1042;  // Select Device radio button of row 0

using enum DeviceFamily;

// clang-format off
inline constexpr std::array<DeviceInfo, kDeviceCount> DeviceTable{{
    //  PartName      Label       Flash  EEPROM  Code  Locks  SPI    Switch Family      Check  Reply
    {"AT89C1051",  "89C1051",   1024,  false, 0x11, 2, false, false, FamilyX051, 0x0E, 2},
    {"AT89C2051",  "89C2051",   2048,  false, 0x21, 2, false, false, FamilyX051, 0x0E, 2},
    {"AT89C4051",  "89C4051",   4096,  false, 0x41, 2, false, false, FamilyX051, 0x0E, 2},
    {"AT89C51",    "89C51",     4096,  false, 0x51, 3, false, false, FamilyC5x,  0x14, 3},
    {"AT89LV51",   "89LV51",    4096,  false, 0x61, 3, false, false, FamilyLV5x, 0x14, 3},
    {"AT89C52",    "89C52",     8192,  false, 0x52, 3, false, false, FamilyC5x,  0x14, 3},
    {"AT89LV52",   "89LV52",    8192,  false, 0x62, 3, false, false, FamilyLV5x, 0x14, 3},
    {"AT89S53",    "89S53",     12288, false, 0x53, 3, true,  true,  FamilyS53,  0x14, 3},
    {"AT89LS53",   "89LS53",    12288, false, 0x63, 3, true,  true,  FamilyS53,  0x14, 3},
    {"AT89C55",    "89C55",     20480, false, 0x55, 3, false, false, FamilyC5x,  0x14, 3},
    {"AT89LV55",   "89LV55",    20480, false, 0x65, 3, false, false, FamilyLV5x, 0x14, 3},
    {"AT89S8252",  "89S8252",   8192,  true,  0x72, 3, true,  true,  FamilyS53,  0x31, 3},
    {"AT89LS8252", "89LS8252",  8192,  true,  0x82, 3, true,  true,  FamilyS53,  0x31, 3},
    {"AT89C1051U", "89C1051U",  1024,  false, 0x12, 2, false, false, FamilyX051, 0x0E, 2},
    {"AT89S51",    "89S51",     4096,  false, 0x51, 3, true,  false, FamilyS5x,  0x32, 3},
    {"AT89S52",    "89S52",     8192,  false, 0x52, 3, true,  false, FamilyS5x,  0x32, 3},
    {"AT89LS51",   "89LS51",    4096,  false, 0x61, 3, true,  false, FamilyS5x,  0x32, 3},
    {"AT89LS52",   "89LS52",    8192,  false, 0x62, 3, true,  false, FamilyS5x,  0x32, 3},
}};
// clang-format on

// The row of SelectedDevice. LoadSettings and the Select Device dialog keep
// SelectedDevice inside the table.
const DeviceInfo& SelectedDeviceInfo();

// The index of the part whose PartName matches, in any letter case.
std::optional<std::uint8_t> FindDeviceByName(std::string_view partName);

// Stores the index in SelectedDevice and sets FlashLastAddress from its row.
void SelectDevice(std::uint8_t index);

// A part that cannot be programmed over SPI always runs in Parallel mode:
// the mode the part of that index runs in, given the mode chosen.
std::uint8_t ProgrammingModeFor(std::uint8_t part, std::uint8_t mode);
// Applies that rule to SelectedDevice and ProgrammingMode.
void EnforceProgrammingMode();

}  // namespace zvk
