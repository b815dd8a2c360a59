#include "link/Protocol.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <vector>

#include "app/AppState.h"
#include "app/Buffers.h"
#include "app/Busy.h"
#include "app/Clock.h"
#include "app/DeviceTable.h"
#include "app/Messages.h"
#include "link/CommandTable.h"
#include "link/Link.h"

namespace zvk {
namespace {

SerialTransport* Port() { return App().ProgrammerLink; }

bool SpiMode() { return (App().ProgrammingMode & kModeParallel) == 0; }

using ProgrammingStream = UnitProgramming;

ProgrammingStream& Stream() { return App().ProgrammingUnderWay; }

// What finishing the programming sends: a byte that programs nothing into
// flash, and that the unit ignores once it is back at its commands.
constexpr std::uint8_t kFillByte = 0xFF;
// A unit that takes a byte as data answers it at once; one that is back at its
// commands stays silent. Two silences in a row tell the two apart even on a
// line that loses an answer now and then.
constexpr Clock::Duration kFinishAnswerWait{250};
constexpr int kQuietAnswers = 2;
constexpr std::uint32_t kFinishSpareBytes = 4;
constexpr int kFinishProbes = 2;

enum class Answer { Ack, Error, None, PortFailed };

// The unit's answer to one byte, within kFinishAnswerWait; any other byte is
// line noise and skipped.
Answer AwaitAnswer(SerialTransport* port) {
    Clock& clock = CurrentClock();
    const Clock::TimePoint end = clock.Now() + kFinishAnswerWait;
    while (true) {
        const auto left = std::chrono::ceil<Clock::Duration>(end - clock.Now());
        if (left <= Clock::Duration(0)) return Answer::None;
        std::uint8_t byte = 0;
        const std::ptrdiff_t n = port->Read(&byte, 1, left);
        if (n < 0) return Answer::PortFailed;
        if (n == 0) return Answer::None;
        if (byte == kAckByte) return Answer::Ack;
        if (byte == kErrorByte) return Answer::Error;
    }
}

// Sends fill bytes until the unit is surely back at its commands. False when
// the port failed or the unit kept taking bytes past every count it could want.
bool CompleteAnnouncedCount(SerialTransport* port) {
    ProgrammingStream& stream = Stream();
    int quiet = 0;
    for (std::uint32_t sends = stream.left + kFinishSpareBytes; sends > 0; --sends) {
        if (stream.left == 0 && !stream.uncertain) return true;
        if (quiet >= kQuietAnswers) return true;
        if (LinkWriteRaw(port, &kFillByte, 1) != LinkDone) return false;
        switch (AwaitAnswer(port)) {
            case Answer::Ack:
                if (stream.left > 0) --stream.left;
                quiet = 0;
                break;
            case Answer::Error:
                // The unit leaves programming at a byte it could not program.
                return true;
            case Answer::None:
                ++quiet;
                stream.uncertain = true;
                break;
            case Answer::PortFailed:
                return false;
        }
    }
    return quiet >= kQuietAnswers;
}

// Every exchange but ProgramByte starts here: the unit must be at its
// commands, or what follows would be programmed into the chip.
bool StartExchange(SerialTransport* port) {
    if (port != nullptr && Stream().open && !FinishProgramming()) {
        ReportUnitNotBack();
        return false;
    }
    PurgePort(port);
    return true;
}

void ShowUnableToAccess() {
    ShowMessage("Unable to Access the programmer!", "Error", MessageIcon::Stop);
}

// Asks the signature; nullopt when the link failed, else whether its third
// byte is 0xFF. A signature that does not come is not a failure of the link:
// such a part counts as the second kind.
std::optional<bool> SignatureSaysFirstKind() {
    if (!StartExchange(Port())) return std::nullopt;
    std::array<std::uint8_t, 3> block{kReadSignature, 0, 0};
    if (!LinkWrite(Port(), block.data(), 1)) return std::nullopt;
    if (!LinkRead(Port(), block.data(), block.size())) return std::nullopt;
    return block[2] == kC5xFirstKindByte;
}

// The command set of the selected part in the current mode, or null when the
// link failed on the way. Only the exchanges that depend on the kind of a
// FamilyC5x part (erase, lock bits, begin programming) ask its signature;
// reading is the same for both kinds.
const CommandSet* CurrentCommands(bool askSignature) {
    const FamilyCommands& family = CommandsOf(SelectedDeviceInfo().Family);
    if (family.ChosenBySignature && askSignature) {
        const std::optional<bool> firstKind = SignatureSaysFirstKind();
        if (!firstKind) return nullptr;
        if (!*firstKind) return &CommandSetOf(family.SecondKind);
    }
    return &CommandSetOf(SpiMode() ? family.Spi : family.Parallel);
}

// Reading asks no signature, so the command set is always there.
const CommandSet& ReadCommands() { return *CurrentCommands(false); }

const CommandSet& EepromCommands() {
    return CommandSetOf(SpiMode() ? kEepromSpi : kEepromParallel);
}

// False when the link failed; a command the set does not have sends nothing.
bool SendCommand(std::uint8_t command) {
    return command == kNoCommand || LinkWrite(Port(), &command, 1);
}

bool SendAddressed(std::uint8_t command, std::uint16_t address, std::uint16_t count) {
    const std::array<std::uint8_t, 5> block{
        command, static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address),
        static_cast<std::uint8_t>(count >> 8), static_cast<std::uint8_t>(count)};
    return LinkWrite(Port(), block.data(), block.size());
}

bool ReadAddressed(std::uint8_t command, std::uint16_t address, std::uint16_t count,
                   std::uint8_t* block) {
    if (!StartExchange(Port())) return false;
    return SendAddressed(command, address, count) && LinkReadBlock(Port(), block, count);
}

// Parallel mode reaches the EEPROM above the Flash, at 0x2000 on.
std::uint16_t EepromAddress(const CommandSet& commands, std::uint16_t address) {
    return static_cast<std::uint16_t>(address + commands.EepromAddressOffset);
}

// Reads straight into a buffer stretch, through a block of its own, so that
// a read that does not come whole leaves the buffer and its marks untouched,
// and a stretch past the buffer's last address is cut off rather than
// wrapped round to its start. Every byte of a whole block is marked as read
// from the chip.
bool ReadToBuffer(BufferKind kind, std::uint8_t command, std::uint16_t address, std::uint16_t count,
                  std::uint16_t destination) {
    std::vector<std::uint8_t> block(count);
    if (!ReadAddressed(command, address, count, block.data())) return false;
    const std::uint32_t end = std::min<std::uint32_t>(destination + count, 0x10000);
    for (std::uint32_t at = destination; at < end; ++at) {
        BufferWrite(kind, static_cast<std::uint16_t>(at), block[at - destination]);
        SetOrigin(kind, static_cast<std::uint16_t>(at), OriginDevice);
    }
    return true;
}

void Pause(std::uint16_t milliseconds) { CurrentClock().Sleep(Clock::Duration(milliseconds)); }

}  // namespace

bool CheckProgrammer(SerialTransport* port) {
    if (!StartExchange(port)) return false;
    if (port == nullptr) {
        ShowUnableToAccess();
        return false;
    }
    // One block for the command and its answer: a silent unit leaves the
    // command in it, which is not the acknowledge byte.
    std::uint8_t block = kCheckProgrammer;
    if (!LinkWrite(port, &block, 1)) return false;
    LinkResult read;
    {
        // A silent unit costs the whole wait; the message after it does not.
        const BusyScope busy;
        read = LinkReadRaw(port, &block, 1);
    }
    // A port that failed has said nothing yet; a unit that was only slow
    // has had its time-out message.
    if (read == LinkFailed) ReportPortFailure();
    if (read != LinkDone) return false;
    if (block == kAckByte) return true;
    ShowUnableToAccess();
    return false;
}

bool ReadSignature() { return SignatureSaysFirstKind().value_or(false); }

bool SendChipErase() {
    if (!StartExchange(Port())) return false;
    const CommandSet* commands = CurrentCommands(true);
    return commands != nullptr && SendCommand(commands->ChipErase);
}

bool SendLockBits(std::uint8_t lockBits) {
    if (!StartExchange(Port())) return false;
    const DeviceInfo& part = SelectedDeviceInfo();
    const CommandSet* commands = CurrentCommands(true);
    if (commands == nullptr) return false;
    if (commands->PrepareBeforeLocks) {
        if (!PrepareRead()) return false;
        Pause(kPrepareLockPauseMs);
    }
    bool sent = false;
    for (std::size_t level = 0; level < part.LockLevels && level < kLockBitCount; ++level) {
        if ((lockBits & LockOptionBit(part.LockLevels, level)) == 0) continue;
        if (commands->LockBit[level] == kNoCommand) continue;
        if (!SendCommand(commands->LockBit[level])) return false;
        Pause(commands->LockPauseMs[level]);
        sent = true;
    }
    return sent;
}

bool BeginProgramming(BufferKind kind, std::uint16_t deviceAddress, std::uint16_t count) {
    if (!StartExchange(Port())) return false;
    std::uint8_t command = 0;
    std::uint16_t address = deviceAddress;
    if (kind == BufferKind::Eeprom) {
        const CommandSet& commands = EepromCommands();
        command = commands.ProgramEeprom;
        address = EepromAddress(commands, deviceAddress);
    } else {
        const CommandSet* commands = CurrentCommands(true);
        if (commands == nullptr) return false;
        command = commands->ProgramFlash;
    }
    // From here on the unit may take what follows as data, also when the
    // announcement went out only in part.
    Stream() = {count > 0, count, false};
    if (SendAddressed(command, address, count)) return true;
    Stream().uncertain = true;
    return false;
}

bool ProgramByte(std::uint8_t value) {
    ProgrammingStream& stream = Stream();
    // Until an answer comes, the unit may or may not have the byte.
    stream.uncertain = true;
    if (!LinkWrite(Port(), &value, 1)) return false;
    // Bytes other than the two answers are line noise and skipped. A unit
    // that stays silent for the wait bound will not answer any more.
    Clock& clock = CurrentClock();
    const Clock::TimePoint giveUp = clock.Now() + CurrentLinkTimeouts().WaitBound;
    while (true) {
        std::uint8_t reply = 0;
        if (!LinkRead(Port(), &reply, 1)) return false;
        if (reply == kAckByte) {
            stream.uncertain = false;
            if (stream.left > 0) --stream.left;
            if (stream.left == 0) stream.open = false;
            return true;
        }
        if (reply == kErrorByte) {
            // The unit leaves programming at a byte it could not program.
            stream = {};
            return false;
        }
        if (clock.Now() >= giveUp) return false;
    }
}

bool ProgrammingUnfinished() { return Stream().open; }

bool FinishProgramming() {
    ProgrammingStream& stream = Stream();
    if (!stream.open) return true;
    SerialTransport* port = Port();
    if (port == nullptr) return false;
    PurgePort(port);
    if (!CompleteAnnouncedCount(port)) return false;
    // Back at its commands, the unit acknowledges the programmer check.
    for (int probe = 0; probe < kFinishProbes; ++probe) {
        PurgePort(port);
        if (LinkWriteRaw(port, &kCheckProgrammer, 1) != LinkDone) return false;
        if (AwaitAnswer(port) == Answer::Ack) {
            stream = {};
            return true;
        }
    }
    return false;
}

void ReportUnitNotBack() {
    ReportLinkFailure(
        "The programmer unit did not come back from programming that stopped part-way. "
        "Reset the programmer unit!");
}

bool ReadFlashBlock(std::uint16_t deviceAddress, std::uint16_t count, std::uint8_t* block) {
    return ReadAddressed(ReadCommands().ReadFlash, deviceAddress, count, block);
}

bool ReadEepromBlock(std::uint16_t deviceAddress, std::uint16_t count, std::uint8_t* block) {
    if (!SelectedDeviceInfo().HasEeprom) return false;
    const CommandSet& commands = EepromCommands();
    return ReadAddressed(commands.ReadEeprom, EepromAddress(commands, deviceAddress), count, block);
}

bool ReadFlashToBuffer(std::uint16_t deviceAddress, std::uint16_t count,
                       std::uint16_t destination) {
    return ReadToBuffer(BufferKind::Flash, ReadCommands().ReadFlash, deviceAddress, count,
                        destination);
}

bool ReadEepromToBuffer(std::uint16_t deviceAddress, std::uint16_t count,
                        std::uint16_t destination) {
    const CommandSet& commands = EepromCommands();
    return ReadToBuffer(BufferKind::Eeprom, commands.ReadEeprom,
                        EepromAddress(commands, deviceAddress), count, destination);
}

bool PrepareRead() {
    if (!StartExchange(Port())) return false;
    return SendCommand(ReadCommands().PrepareRead);
}

bool SerialProgramEnable() {
    if (!StartExchange(Port())) return false;
    return SendCommand(CommandSetOf(kSerialSwitchSet).SerialProgramEnable);
}

bool SerialProgramDisable() {
    if (!StartExchange(Port())) return false;
    return SendCommand(CommandSetOf(kSerialSwitchSet).SerialProgramDisable);
}

}  // namespace zvk
