#include "link/Protocol.h"

#include <algorithm>
#include <array>
#include <vector>

#include "app/AppState.h"
#include "app/Buffers.h"
#include "app/Clock.h"
#include "app/DeviceTable.h"
#include "app/Messages.h"
#include "link/CommandTable.h"
#include "link/Link.h"

namespace zvk {
namespace {

SerialTransport* Port() { return App().ProgrammerLink; }

bool SpiMode() { return (App().ProgrammingMode & kModeParallel) == 0; }

// The command set of the selected part in the current mode. Only the
// exchanges that depend on the kind of a FamilyC5x part (erase, lock bits,
// begin programming) ask its signature; reading is the same for both kinds.
const CommandSet& CurrentCommands(bool askSignature) {
    const FamilyCommands& family = CommandsOf(SelectedDeviceInfo().Family);
    if (family.ChosenBySignature && askSignature && !ReadSignature()) {
        return CommandSetOf(family.SecondKind);
    }
    return CommandSetOf(SpiMode() ? family.Spi : family.Parallel);
}

const CommandSet& EepromCommands() {
    return CommandSetOf(SpiMode() ? kEepromSpi : kEepromParallel);
}

void SendCommand(std::uint8_t command) {
    if (command != kNoCommand) LinkWrite(Port(), &command, 1);
}

void SendAddressed(std::uint8_t command, std::uint16_t address, std::uint16_t count) {
    const std::array<std::uint8_t, 5> block{
        command, static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address),
        static_cast<std::uint8_t>(count >> 8), static_cast<std::uint8_t>(count)};
    LinkWrite(Port(), block.data(), block.size());
}

void ReadAddressed(std::uint8_t command, std::uint16_t address, std::uint16_t count,
                   std::uint8_t* block) {
    PurgePort(Port());
    SendAddressed(command, address, count);
    LinkRead(Port(), block, count);
}

// Parallel mode reaches the EEPROM above the Flash, at 0x2000 on.
std::uint16_t EepromAddress(const CommandSet& commands, std::uint16_t address) {
    return static_cast<std::uint16_t>(address + commands.EepromAddressOffset);
}

// Reads straight into a buffer stretch, through a copy of it, so that bytes
// that do not come keep the buffer's contents and a stretch past the buffer's
// last address is cut off rather than wrapped round to its start. Every byte
// of the stretch is then marked as read from the chip.
void ReadToBuffer(BufferKind kind, std::uint8_t command, std::uint16_t address, std::uint16_t count,
                  std::uint16_t destination) {
    const std::uint32_t end = std::min<std::uint32_t>(destination + count, 0x10000);
    std::vector<std::uint8_t> block(count, 0xFF);
    for (std::uint32_t at = destination; at < end; ++at) {
        block[at - destination] = BufferRead(kind, static_cast<std::uint16_t>(at));
    }
    ReadAddressed(command, address, count, block.data());
    for (std::uint32_t at = destination; at < end; ++at) {
        BufferWrite(kind, static_cast<std::uint16_t>(at), block[at - destination]);
        SetOrigin(kind, static_cast<std::uint16_t>(at), OriginDevice);
    }
}

void Pause(std::uint16_t milliseconds) { CurrentClock().Sleep(Clock::Duration(milliseconds)); }

void ShowUnableToAccess() {
    ShowMessage("Unable to Access the programmer!", "Error", MessageIcon::Stop);
}

}  // namespace

bool CheckProgrammer(SerialTransport* port) {
    PurgePort(port);
    if (port == nullptr) {
        ShowUnableToAccess();
        return false;
    }
    // One block for the command and its answer: a silent unit leaves the
    // command in it, which is not the acknowledge byte.
    std::uint8_t block = kCheckProgrammer;
    LinkWrite(port, &block, 1);
    if (LinkReadRaw(port, &block, 1) != LinkDone) return false;
    if (block == kAckByte) return true;
    ShowUnableToAccess();
    return false;
}

bool ReadSignature() {
    PurgePort(Port());
    std::array<std::uint8_t, 3> block{kReadSignature, 0, 0};
    LinkWrite(Port(), block.data(), 1);
    LinkRead(Port(), block.data(), block.size());
    return block[2] == kC5xFirstKindByte;
}

void SendChipErase() {
    PurgePort(Port());
    SendCommand(CurrentCommands(true).ChipErase);
}

bool SendLockBits() {
    PurgePort(Port());
    const DeviceInfo& part = SelectedDeviceInfo();
    const CommandSet& commands = CurrentCommands(true);
    if (commands.PrepareBeforeLocks) {
        PrepareRead();
        Pause(kPrepareLockPauseMs);
    }
    bool sent = false;
    for (std::size_t level = 0; level < part.LockLevels && level < kLockBitCount; ++level) {
        if ((App().ProtectionOptions & LockOptionBit(part.LockLevels, level)) == 0) continue;
        if (commands.LockBit[level] == kNoCommand) continue;
        SendCommand(commands.LockBit[level]);
        Pause(commands.LockPauseMs[level]);
        sent = true;
    }
    return sent;
}

void BeginProgramming(std::uint16_t deviceAddress, std::uint16_t count) {
    PurgePort(Port());
    if (App().CurrentBufferKind == BufferKind::Eeprom) {
        const CommandSet& commands = EepromCommands();
        SendAddressed(commands.ProgramEeprom, EepromAddress(commands, deviceAddress), count);
        return;
    }
    SendAddressed(CurrentCommands(true).ProgramFlash, deviceAddress, count);
}

bool ProgramByte(std::uint8_t value) {
    LinkWrite(Port(), &value, 1);
    // Bytes other than the two answers are line noise and skipped. A unit
    // that stays silent for the wait bound will not answer any more.
    Clock& clock = CurrentClock();
    const Clock::TimePoint giveUp = clock.Now() + CurrentLinkTimeouts().WaitBound;
    while (true) {
        std::uint8_t reply = 0;
        if (!LinkRead(Port(), &reply, 1)) return false;
        if (reply == kAckByte) return true;
        if (reply == kErrorByte) return false;
        if (clock.Now() >= giveUp) return false;
    }
}

void ReadFlashBlock(std::uint16_t deviceAddress, std::uint16_t count, std::uint8_t* block) {
    ReadAddressed(CurrentCommands(false).ReadFlash, deviceAddress, count, block);
}

void ReadEepromBlock(std::uint16_t deviceAddress, std::uint16_t count, std::uint8_t* block) {
    if (!SelectedDeviceInfo().HasEeprom) return;
    const CommandSet& commands = EepromCommands();
    ReadAddressed(commands.ReadEeprom, EepromAddress(commands, deviceAddress), count, block);
}

void ReadFlashToBuffer(std::uint16_t deviceAddress, std::uint16_t count,
                       std::uint16_t destination) {
    ReadToBuffer(BufferKind::Flash, CurrentCommands(false).ReadFlash, deviceAddress, count,
                 destination);
}

void ReadEepromToBuffer(std::uint16_t deviceAddress, std::uint16_t count,
                        std::uint16_t destination) {
    const CommandSet& commands = EepromCommands();
    ReadToBuffer(BufferKind::Eeprom, commands.ReadEeprom, EepromAddress(commands, deviceAddress),
                 count, destination);
}

void PrepareRead() {
    PurgePort(Port());
    SendCommand(CurrentCommands(false).PrepareRead);
}

void SerialProgramEnable() {
    PurgePort(Port());
    SendCommand(CommandSetOf(kSerialSwitchSet).SerialProgramEnable);
}

void SerialProgramDisable() {
    PurgePort(Port());
    SendCommand(CommandSetOf(kSerialSwitchSet).SerialProgramDisable);
}

}  // namespace zvk
