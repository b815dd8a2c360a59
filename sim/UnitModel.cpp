#include "sim/UnitModel.h"

#include <algorithm>
#include <array>

namespace zvk::sim {
namespace {

constexpr std::size_t kSignatureLength = 3;
constexpr std::uint8_t kErasedByte = 0xFF;

}  // namespace

UnitModel::UnitModel(const UnitConfig& config) : config_(config), chip_(ErasedChip()) {}

ChipState UnitModel::ErasedChip() const {
    ChipState chip;
    chip.Flash.assign(Part().FlashSize, kErasedByte);
    if (Part().HasEeprom) chip.Eeprom.assign(kSimEepromSize, kErasedByte);
    return chip;
}

void UnitModel::InsertChip(std::optional<std::uint8_t> part) {
    if (part) config_.Part = *part;
    config_.ReportedPart.reset();
    config_.ThirdSignatureByte.reset();
    config_.NoChip = false;
    chip_ = ErasedChip();
}

std::uint8_t UnitModel::ThirdSignatureByte() const {
    if (config_.ThirdSignatureByte) return *config_.ThirdSignatureByte;
    const DeviceInfo& reported = DeviceTable[config_.ReportedPart.value_or(config_.Part)];
    return reported.Family == FamilyS5x ? kS5xThirdSignatureByte : kC5xFirstKindByte;
}

bool UnitModel::Accepts(CommandColumn column) const {
    const FamilyCommands& family = CommandsOf(Part().Family);
    if (family.ChosenBySignature) {
        return column ==
               (ThirdSignatureByte() == kC5xFirstKindByte ? family.Parallel : family.SecondKind);
    }
    return column == family.Parallel || column == family.Spi;
}

bool UnitModel::IsSpiColumn(CommandColumn column) const {
    const FamilyCommands& family = CommandsOf(Part().Family);
    return family.Spi != family.Parallel && column == family.Spi;
}

UnitModel::Decoded UnitModel::Decode(std::uint8_t command) const {
    // A command's meaning is the same in every set that has it; the set only
    // tells whether this chip responds to it.
    struct Meaning {
        std::uint8_t CommandSet::*command;
        Action action;
    };
    // A Parallel FamilyS53 set reads and programs its EEPROM with its Flash
    // commands, so the Flash meanings come first.
    static constexpr Meaning kMeanings[] = {
        {&CommandSet::ReadFlash, Action::Read},
        {&CommandSet::ProgramFlash, Action::Program},
        {&CommandSet::ReadEeprom, Action::ReadEeprom},
        {&CommandSet::ProgramEeprom, Action::ProgramEeprom},
        {&CommandSet::ChipErase, Action::Erase},
        {&CommandSet::SerialProgramEnable, Action::SerialEnable},
        {&CommandSet::SerialProgramDisable, Action::SerialDisable},
        {&CommandSet::PrepareRead, Action::PrepareRead},
    };
    const auto find = [command](const CommandSet& set, Decoded& d) {
        if (command == kNoCommand) return false;
        for (const Meaning& meaning : kMeanings) {
            if (command == set.*meaning.command) {
                d.action = meaning.action;
                return true;
            }
        }
        for (std::uint8_t level = 0; level < kLockBitCount; ++level) {
            if (command == set.LockBit[level]) {
                d.action = Action::Lock;
                d.lockLevel = level;
                return true;
            }
        }
        return false;
    };
    Decoded foreign;
    for (std::size_t c = 0; c < kCommandColumnCount; ++c) {
        const auto column = static_cast<CommandColumn>(c);
        Decoded d;
        d.column = column;
        if (!find(kCommandSets[c], d)) continue;
        if (Accepts(column)) {
            d.chipResponds = !config_.NoChip && (!IsSpiColumn(column) || chip_.SerialProgramming);
            return d;
        }
        if (foreign.action == Action::None) foreign = d;
    }
    return foreign;
}

bool UnitModel::GoneSilent() const {
    return config_.Silent || (config_.SilentAfter && sent_ >= *config_.SilentAfter);
}

void UnitModel::Receive(std::uint8_t byte, std::vector<std::uint8_t>& answer) {
    if (GoneSilent()) return;
    const std::size_t before = answer.size();
    Serve(byte, answer);
    if (config_.SilentAfter) {
        answer.resize(
            std::min<std::size_t>(answer.size(), before + (*config_.SilentAfter - sent_)));
    }
    sent_ += answer.size() - before;
}

void UnitModel::Serve(std::uint8_t byte, std::vector<std::uint8_t>& answer) {
    if (operandsWanted_ > 0) {
        operands_[operandsTaken_++] = byte;
        if (operandsTaken_ == operandsWanted_) Execute(answer);
        return;
    }
    if (dataLeft_ > 0) {
        ProgramData(byte, answer);
        return;
    }
    if (byte == kCheckProgrammer) {
        answer.push_back(kAckByte);
        return;
    }
    if (byte == kReadSignature) {
        AnswerSignature(kSignatureLength, answer);
        return;
    }
    for (const DeviceInfo& part : DeviceTable) {
        if (byte == part.CheckCommand) {
            AnswerSignature(part.CheckReplyLength, answer);
            return;
        }
    }
    Start(Decode(byte));
}

void UnitModel::AnswerSignature(std::size_t length, std::vector<std::uint8_t>& answer) const {
    const DeviceInfo& reported = DeviceTable[config_.ReportedPart.value_or(config_.Part)];
    const std::array<std::uint8_t, kSignatureLength> signature{
        kManufacturerCode, reported.DeviceCode, ThirdSignatureByte()};
    for (std::size_t i = 0; i < length && i < signature.size(); ++i) {
        answer.push_back(config_.NoChip ? kErasedByte : signature[i]);
    }
}

void UnitModel::Start(const Decoded& command) {
    switch (command.action) {
        case Action::Read:
        case Action::Program:
        case Action::ReadEeprom:
        case Action::ProgramEeprom:
            pending_ = command;
            operandsTaken_ = 0;
            operandsWanted_ = 4;
            return;
        default:
            break;
    }
    if (!command.chipResponds) return;
    switch (command.action) {
        case Action::Erase:
            chip_.Flash.assign(chip_.Flash.size(), kErasedByte);
            chip_.Eeprom.assign(chip_.Eeprom.size(), kErasedByte);
            chip_.LockBits = 0;
            break;
        case Action::Lock:
            chip_.LockBits |= static_cast<std::uint8_t>(1U << command.lockLevel);
            break;
        case Action::SerialEnable:
            chip_.SerialProgramming = true;
            break;
        case Action::SerialDisable:
            chip_.SerialProgramming = false;
            break;
        default:
            break;
    }
}

std::vector<std::uint8_t>* UnitModel::Target(const Decoded& command, std::uint32_t wireAddress,
                                             std::uint32_t& address) {
    const std::uint16_t eepromOffset = CommandSetOf(command.column).EepromAddressOffset;
    bool eeprom = command.action == Action::ReadEeprom || command.action == Action::ProgramEeprom;
    address = wireAddress;
    if (!eeprom && eepromOffset != 0 && Part().HasEeprom && wireAddress >= eepromOffset) {
        eeprom = true;
        address = wireAddress - eepromOffset;
    }
    std::vector<std::uint8_t>& memory = eeprom ? chip_.Eeprom : chip_.Flash;
    return address < memory.size() ? &memory : nullptr;
}

void UnitModel::Execute(std::vector<std::uint8_t>& answer) {
    operandsWanted_ = 0;
    const std::uint32_t address = (std::uint32_t{operands_[0]} << 8) | operands_[1];
    const std::uint32_t count = (std::uint32_t{operands_[2]} << 8) | operands_[3];
    if (pending_.action == Action::Program || pending_.action == Action::ProgramEeprom) {
        programming_ = pending_;
        dataAddress_ = address;
        dataLeft_ = count;
        return;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t at = 0;
        const std::vector<std::uint8_t>* memory = pending_.chipResponds && ChipPresent()
                                                      ? Target(pending_, (address + i) & 0xFFFF, at)
                                                      : nullptr;
        if (memory == nullptr) {
            answer.push_back(kErasedByte);
        } else {
            answer.push_back(chip_.VerifyLocked() ? LockedReadPattern(at) : (*memory)[at]);
        }
    }
}

void UnitModel::ProgramData(std::uint8_t value, std::vector<std::uint8_t>& answer) {
    const std::uint32_t wireAddress = dataAddress_++ & 0xFFFF;
    --dataLeft_;
    std::uint32_t at = 0;
    std::vector<std::uint8_t>* memory = programming_.chipResponds && ChipPresent()
                                            ? Target(programming_, wireAddress, at)
                                            : nullptr;
    const bool fails = memory == nullptr || chip_.ProgrammingLocked() ||
                       (config_.FailAt && *config_.FailAt == wireAddress);
    if (fails) {
        answer.push_back(kErrorByte);
        dataLeft_ = 0;
        return;
    }
    (*memory)[at] &= value;
    answer.push_back(kAckByte);
}

}  // namespace zvk::sim
