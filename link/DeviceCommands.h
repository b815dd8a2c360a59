#pragma once
// The device check that guards every command of the Device menu, and the four
// Device-menu commands that are one exchange with a confirmation message:
// Erase, Protect, Enable Serial Program and Disable Serial Program.

namespace zvk {

// True when the part in the socket is the selected part, or when no check is
// made (SPI mode). Otherwise it has told the user why, and the command must not run.
[[nodiscard]] bool CheckDevice();

void EraseCommand();
void ProtectCommand();
void SerialProgramEnableCommand();
void SerialProgramDisableCommand();

}  // namespace zvk
