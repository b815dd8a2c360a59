#pragma once
// The one-line help of each command: the status text shown in status pane 0
// while its menu item is under the mouse, and the tool tip of its toolbar
// button. A command without an entry has empty texts.

#include <string_view>

#include "ui/CommandIds.h"

namespace zvk::ui {

struct HelpText {
    CommandId id;
    std::string_view status;
    std::string_view toolTip;
};

// Status texts are at most 127 characters and tool tips at most 79, as the
// status pane and the tips were sized for them.
inline constexpr std::size_t kMaxStatusText = 127;
inline constexpr std::size_t kMaxToolTip = 79;

// clang-format off
inline constexpr HelpText kHelpTexts[] = {
    {CommandId::LoadFlash,            "Load File from disk to Flash Buffer.", "Load to Flash Buffer"},
    {CommandId::LoadEeprom,           "Load File from disk to EEPROM Buffer.", "Load to EEPROM Buffer"},
    {CommandId::SaveFlash,            "Store Flash Buffer Contents to disk.", "Save Flash Buffer"},
    {CommandId::SaveEeprom,           "Store EEPROM Buffer Contents to disk.", "Save EEPROM Buffer"},
    {CommandId::Exit,                 "Quit Programmer", ""},
    {CommandId::EditFlash,            "Open/Edit Flash Buffer ", "Edit Flash Buffer"},
    {CommandId::LocateFlash,          "Set the starting address of Flash buffer", "Set Flash Buffer Address"},
    {CommandId::ClearFlash,           "Clear Flash Buffer Contents", "Clear Flash Buffer"},
    {CommandId::FillFlash,            "Fill Flash buffer with fixed data", "Fill Flash Buffer"},
    {CommandId::CopyFlash,            "Copy one block of data in Flash buffer to another area", "Copy Flash Buffer"},
    {CommandId::ChecksumFlash,        "Calculate Checksum of a block in Flash Buffer", "Check sum"},
    {CommandId::EditEeprom,           "Open/Edit EEPROM Buffer ", "Edit EEPROM Buffer"},
    {CommandId::LocateEeprom,         "Set the starting address of EEPROM buffer", "Set Flash EEPROM Address"},
    {CommandId::ClearEeprom,          "Clear EEPROM Buffer Contents", "Clear EEPROM Buffer"},
    {CommandId::FillEeprom,           "Fill EEPROM buffer with fixed data", "Fill EEPROM Buffer"},
    {CommandId::CopyEeprom,           "Copy one block of data in EEPROM buffer to another area", "Copy EEPROM Buffer"},
    {CommandId::ChecksumEeprom,       "Calculate Checksum of a block in EEPROM Buffer", "Check sum"},
    {CommandId::Disassembly,          "Open Disassemble window for Flash buffer", "Disassemble Window"},
    {CommandId::EnterProgram,         "Enter program to Flash buffer", "Enter Program"},
    {CommandId::SelectDevice,         "Select device from the list", " Select Device"},
    {CommandId::Auto,                 "Start Auto programming sequence", " Auto Programming"},
    {CommandId::Erase,                "Erase the device", "Erase"},
    {CommandId::BlankCheck,           "Blank check the flash area of device", " Blank Check - Flash"},
    {CommandId::Program,              "Program the flash area of device", "Program Flash"},
    {CommandId::Read,                 "Read the flash contents from device", "Read Flash"},
    {CommandId::Verify,               "Verify the flash contents with buffer", "Verify Flash"},
    {CommandId::Protect,              "Protect the device", "Protect Device"},
    {CommandId::SerialProgramEnable,  "Enable SPI programming", ""},
    {CommandId::SerialProgramDisable, "Disable SPI programming", ""},
    {CommandId::BlankCheckEeprom,     "Blank check the EEPROM area of device", " Blank Check - EEPROM"},
    {CommandId::ProgramEeprom,        "Program the EEPROM area of device", "Program Flash"},
    {CommandId::ReadEeprom,           "Read the EEPROM contents from device", "Read Flash"},
    {CommandId::VerifyEeprom,         "Verify the EEPROM contents with buffer", "Verify Flash"},
    {CommandId::SerialPort,           "Select Serial port for communication", ""},
    {CommandId::Options,              "Set buffer clearing options", ""},
    {CommandId::AutoProgrammingMode,  "Set auto programming sequence", ""},
    {CommandId::Protection,           "Set the protection levels", ""},
    {CommandId::Cascade,              "Arrange Windows as overlapping tiles", "Cascade"},
    {CommandId::TileHorizontally,     "Arrange Windows as horizontal, non overlapping tiles", "Tile Horizontally"},
    {CommandId::TileVertically,       "Arrange Windows as vertical, non overlapping tiles", "Tile Vertically"},
    {CommandId::ArrangeIcons,         "Arrange the minimized windows in order", ""},
    {CommandId::CloseAll,             "Close all windows", "Close All Windows"},
    {CommandId::About,                "Display the software information", "About"},
    {CommandId::ReloadFile,           "Load the last loaded file from disk again to its buffer.", "Reload File"},
    {CommandId::Undo,                 "Undo the last change to this window's buffer", ""},
    {CommandId::Redo,                 "Redo the last change undone in this window's buffer", ""},
};
// clang-format on

// The status text of a command; empty for one without an entry (or 0, the
// id a closing menu reports).
[[nodiscard]] constexpr std::string_view MenuHelpText(int id) {
    for (const HelpText& entry : kHelpTexts) {
        if (static_cast<int>(entry.id) == id) return entry.status.substr(0, kMaxStatusText);
    }
    return {};
}

// The tool tip of a toolbar button's command; empty without an entry.
[[nodiscard]] constexpr std::string_view ToolTipText(int id) {
    for (const HelpText& entry : kHelpTexts) {
        if (static_cast<int>(entry.id) == id) return entry.toolTip.substr(0, kMaxToolTip);
    }
    return {};
}

}  // namespace zvk::ui
