#pragma once
// The virtual programmer unit: a state machine that takes the bytes the host
// sends and gives back the unit's answers, with a virtual chip in its socket.
// It knows every command of the programmer protocol (link/CommandTable.h); the
// chip carries out only the commands of its own family's command sets (both
// the Parallel and the SPI set, and for a FamilyC5x part the set its third
// signature byte selects).
//
// The unit:
// - answers 0x0D with '-';
// - answers 0x14 and every device-check command (0x0E, 0x31, 0x32) with the
//   chip's signature: 0x1E, the device code, the third byte; as many bytes as
//   the command's reply has (2 for 0x0E, else 3);
// - answers a read command with exactly the count bytes asked for;
// - after a begin-programming command, takes the count data bytes that follow
//   and answers each with '-' (programmed) or 'E' (failed); after 'E' it leaves
//   programming, so the host's next byte is a command again. The unit does not
//   read a byte back: programming 0xFF over 0x00 is answered '-', and the
//   host's verify finds the difference;
// - carries out erase, the lock bits, serial-programming enable and disable
//   and PrepareRead without an answer.
// A command of another family's set is taken with its address and count, but
// the chip does not respond to it: reads give 0xFF, data bytes 'E', and erase
// and lock commands change nothing.
//
// The chip behaves like flash:
// - programming a byte stores the old value AND the new one;
// - erase sets Flash and EEPROM to 0xFF and clears the lock bits;
// - lock bits are only ever added. LB1 or any higher bit disables programming
//   (data bytes are answered 'E'); LB2 or LB3 also disables verify: reads then
//   give LockedReadPattern instead of the contents;
// - the parts with EEPROM keep 2048 bytes of it. In the Parallel set it lies at
//   0x2000 on, reached with the Flash commands; the SPI set has its own commands;
// - the FamilyS53 parts answer their SPI set only while serial programming is
//   enabled (0x20 enables it, 0x21 disables it; it starts enabled).
// Addresses past the end of a memory read as 0xFF and cannot be programmed.

#include <cstdint>
#include <optional>
#include <vector>

#include "app/DeviceTable.h"
#include "link/CommandTable.h"

namespace zvk::sim {

// What a verify-locked chip gives for the byte at an address of its memory:
// the low byte of the address XOR A5.
[[nodiscard]] constexpr std::uint8_t LockedReadPattern(std::uint32_t address) {
    return static_cast<std::uint8_t>(address ^ 0xA5);
}

inline constexpr std::size_t kSimEepromSize = 2048;

struct UnitConfig {
    std::uint8_t Part = 15;  // index in DeviceTable; AT89S52
    // The part whose signature the chip gives instead of its own (a wrong chip
    // in the socket).
    std::optional<std::uint8_t> ReportedPart;
    // The third signature byte; by default 0x06 for FamilyS5x, else 0xFF.
    std::optional<std::uint8_t> ThirdSignatureByte;
    bool Silent = false;  // the unit answers nothing and does nothing
    // Once it has sent this many bytes the unit goes silent: an answer is cut
    // there, and from then on the unit answers nothing and does nothing (a
    // unit unplugged or hung in the middle of an operation).
    std::optional<unsigned long> SilentAfter;
    bool NoChip = false;  // the socket is empty: signatures and reads give 0xFF
    // The data byte announced for this address is answered 'E'.
    std::optional<std::uint16_t> FailAt;
};

struct ChipState {
    std::vector<std::uint8_t> Flash;
    std::vector<std::uint8_t> Eeprom;  // empty for parts without EEPROM
    std::uint8_t LockBits = 0;         // bit 0 LB1, bit 1 LB2, bit 2 LB3
    bool SerialProgramming = true;

    [[nodiscard]] bool ProgrammingLocked() const { return LockBits != 0; }
    [[nodiscard]] bool VerifyLocked() const { return LockBits >= 0x02; }
};

class UnitModel {
  public:
    explicit UnitModel(const UnitConfig& config);

    // Takes one byte from the host and appends the unit's answer, if any.
    void Receive(std::uint8_t byte, std::vector<std::uint8_t>& answer);

    // True when the next byte from the host starts a new exchange: a command,
    // or a data byte during programming.
    [[nodiscard]] bool AtExchangeStart() const { return operandsWanted_ == 0; }

    // The socket emptied: the unit then answers as with NoChip, even in the
    // middle of a read or of programming.
    void RemoveChip() { config_.NoChip = true; }
    // A fresh erased chip in the socket, of the given part or else of the
    // part last in it. A chip's own oddities (ReportedPart,
    // ThirdSignatureByte) leave with the chip; the unit's (FailAt, silence)
    // stay.
    void InsertChip(std::optional<std::uint8_t> part = std::nullopt);
    [[nodiscard]] bool ChipPresent() const { return !config_.NoChip; }

    [[nodiscard]] const UnitConfig& Config() const { return config_; }
    [[nodiscard]] const DeviceInfo& Part() const { return DeviceTable[config_.Part]; }
    [[nodiscard]] std::uint8_t ThirdSignatureByte() const;
    [[nodiscard]] ChipState& Chip() { return chip_; }
    [[nodiscard]] const ChipState& Chip() const { return chip_; }

  private:
    enum class Action : std::uint8_t {
        None,
        Erase,
        Read,
        Program,
        ReadEeprom,
        ProgramEeprom,
        Lock,
        SerialEnable,
        SerialDisable,
        PrepareRead,
    };
    struct Decoded {
        Action action = Action::None;
        CommandColumn column{};
        std::uint8_t lockLevel = 0;
        bool chipResponds = false;
    };

    // A new chip of the part, every byte erased and no lock bit set.
    [[nodiscard]] ChipState ErasedChip() const;
    void Serve(std::uint8_t byte, std::vector<std::uint8_t>& answer);
    [[nodiscard]] bool GoneSilent() const;
    [[nodiscard]] Decoded Decode(std::uint8_t command) const;
    [[nodiscard]] bool Accepts(CommandColumn column) const;
    [[nodiscard]] bool IsSpiColumn(CommandColumn column) const;
    void Start(const Decoded& command);
    void Execute(std::vector<std::uint8_t>& answer);
    void ProgramData(std::uint8_t value, std::vector<std::uint8_t>& answer);
    void AnswerSignature(std::size_t length, std::vector<std::uint8_t>& answer) const;
    // The memory and the address in it that an address of a read or program
    // command reaches; nullptr when it reaches none.
    std::vector<std::uint8_t>* Target(const Decoded& command, std::uint32_t wireAddress,
                                      std::uint32_t& address);

    UnitConfig config_;
    ChipState chip_;
    unsigned long sent_ = 0;  // bytes answered so far

    // The command whose address and count are being collected.
    Decoded pending_;
    std::uint8_t operands_[4] = {};
    std::size_t operandsTaken_ = 0;
    std::size_t operandsWanted_ = 0;

    // Programming in progress: data bytes still expected and the next address.
    std::uint32_t dataLeft_ = 0;
    std::uint32_t dataAddress_ = 0;
    Decoded programming_;
};

}  // namespace zvk::sim
