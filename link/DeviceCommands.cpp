#include "link/DeviceCommands.h"

#include <array>
#include <cstdint>

#include "app/AppState.h"
#include "app/Busy.h"
#include "app/DeviceTable.h"
#include "app/Messages.h"
#include "link/CommandTable.h"
#include "link/Link.h"
#include "link/Protocol.h"

namespace zvk {
namespace {

constexpr int kSignatureTries = 2;

void DeviceError(const char* text) { ShowMessage(text, "ERROR", MessageIcon::Stop); }

}  // namespace

SocketState ProbeSocket(std::array<std::uint8_t, 3>* signatureRead) {
    if (signatureRead != nullptr) signatureRead->fill(0);
    SerialTransport* port = App().ProgrammerLink;
    PurgePort(port);
    if ((App().ProgrammingMode & kModeParallel) == 0) return SocketState::NotChecked;
    if (!CheckProgrammer(port)) return SocketState::Unreachable;

    const DeviceInfo& part = SelectedDeviceInfo();
    std::array<std::uint8_t, 3> signature{};
    {
        const BusyScope busy;
        for (int attempt = 0; attempt < kSignatureTries; ++attempt) {
            // The block starts as the command just sent, so a unit that sends
            // nothing leaves a first byte that is not the manufacturer code.
            signature = {part.CheckCommand, 0, 0};
            // A failure of the link has said so; a second try and "No Device"
            // after it would only add wrong reasons.
            if (!LinkWrite(port, signature.data(), 1)) return SocketState::Unreachable;
            if (!LinkRead(port, signature.data(), part.CheckReplyLength)) {
                return SocketState::Unreachable;
            }
            if (signature[0] == kManufacturerCode) break;
        }
    }
    if (signatureRead != nullptr) *signatureRead = signature;
    if (signature[0] != kManufacturerCode) return SocketState::Empty;
    if (signature[1] != part.DeviceCode ||
        (part.Family == FamilyS5x && signature[2] != kS5xThirdSignatureByte)) {
        return SocketState::WrongPart;
    }
    return SocketState::Expected;
}

void ShowSocketMessage(SocketState state) {
    if (state == SocketState::Empty) DeviceError("Error - No Device in the socket");
    if (state == SocketState::WrongPart) DeviceError("Error - Device Mismatch!");
}

bool CheckDevice() {
    const SocketState state = ProbeSocket();
    ShowSocketMessage(state);
    return state == SocketState::Expected || state == SocketState::NotChecked;
}

void EraseCommand() {
    if (!CheckProgrammer(App().ProgrammerLink)) return;
    // A command that never left says so through the link, not as a success.
    if (!SendChipErase()) return;
    ShowMessage("Chip Erased Sucessfully", "Erase", MessageIcon::Information);
}

void ProtectCommand(std::uint8_t lockBits) {
    const DeviceInfo& part = SelectedDeviceInfo();
    bool chosen = false;
    for (std::size_t level = 0; level < part.LockLevels; ++level) {
        chosen = chosen || (lockBits & LockOptionBit(part.LockLevels, level)) != 0;
    }
    if (!chosen) {
        ShowMessage("Protection option is disabled", "Error", MessageIcon::Stop);
        return;
    }
    if (!CheckProgrammer(App().ProgrammerLink)) return;
    if (SendLockBits(lockBits)) {
        ShowMessage("Chip Protected Sucessfully", "Protect", MessageIcon::Information);
    }
}

void SerialProgramEnableCommand() {
    if (!CheckProgrammer(App().ProgrammerLink)) return;
    if (!SerialProgramEnable()) return;
    ShowMessage("Serial Program Enabled Sucessfully", "Serial Program Enable",
                MessageIcon::Information);
}

void SerialProgramDisableCommand() {
    if (!CheckProgrammer(App().ProgrammerLink)) return;
    if (!SerialProgramDisable()) return;
    ShowMessage("Serial Program Disabled Sucessfully", "Serial Program Disable",
                MessageIcon::Information);
}

}  // namespace zvk
