#pragma once
// The device check that guards every command of the Device menu, and the four
// Device-menu commands that are one exchange with a confirmation message:
// Erase, Protect, Enable Serial Program and Disable Serial Program.

#include <array>
#include <cstdint>

namespace zvk {

// What the device check found in the socket.
enum class SocketState {
    Expected,     // the selected part
    Empty,        // no chip answers with the manufacturer code
    WrongPart,    // a chip of another part
    Unreachable,  // the unit did not answer, or the link failed: that has been said
    NotChecked,   // SPI mode reads no signature
};

// The device check's exchanges without the socket's own messages, so that a
// production run can poll the socket quietly. Only what ends any use of the
// unit (Unreachable) has shown its message, once. The signature read, when
// asked for, goes into signature (zeros when none was read).
[[nodiscard]] SocketState ProbeSocket(std::array<std::uint8_t, 3>* signature = nullptr);

// The device check's message for what it found: "Error - No Device in the
// socket" or "Error - Device Mismatch!"; nothing for the other states.
void ShowSocketMessage(SocketState state);

// True when the part in the socket is the selected part, or when no check is
// made (SPI mode). Otherwise it has told the user why, and the command must not run.
[[nodiscard]] bool CheckDevice();

void EraseCommand();
// Device > Protect with the lock bits (ProtectionOptions bits) to set.
void ProtectCommand(std::uint8_t lockBits);
void SerialProgramEnableCommand();
void SerialProgramDisableCommand();

}  // namespace zvk
