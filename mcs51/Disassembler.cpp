#include "mcs51/Disassembler.h"

#include "mcs51/Tables.h"

namespace zvk {
namespace {

std::string Hex4(std::uint32_t value) { return HexWordText(static_cast<std::uint16_t>(value)); }

// The target of a relative jump: the next instruction's address plus the
// signed offset, wrapped to 16 bits.
std::string RelativeTarget(std::uint16_t address, std::uint8_t length, std::uint8_t offset) {
    return Hex4(address + length + static_cast<std::int8_t>(offset));
}

std::string OperandText(OperandClass operandClass, std::uint16_t address, std::uint8_t opcode,
                        std::uint8_t b2, std::uint8_t b3) {
    switch (operandClass) {
        case OperandClass::None:
            return {};
        case OperandClass::Absolute11:
            return Hex4(((address + 2) & 0xF800) | ((opcode & 0xE0) << 3) | b2);
        case OperandClass::Absolute16:
            return HexByteText(b2) + HexByteText(b3);
        case OperandClass::Immediate:
            return HexByteText(b2);
        case OperandClass::Direct:
            return SfrName(b2);
        case OperandClass::DirectRegister:
            return SfrName(b2) + "," + std::string(RegisterOperandName[opcode & 0x0F]);
        case OperandClass::DirectImmediate:
            return SfrName(b2) + ",#" + HexByteText(b3);
        case OperandClass::DirectDirect:
            return SfrName(b3) + "," + SfrName(b2);
        case OperandClass::Bit:
            return BitName(b2);
        case OperandClass::BitCarry:
            return BitName(b2) + ",C";
        case OperandClass::Relative:
            return RelativeTarget(address, 2, b2);
        case OperandClass::BitRelative:
            return BitName(b2) + "," + RelativeTarget(address, 3, b3);
        case OperandClass::ImmediateRelative:
            return HexByteText(b2) + "," + RelativeTarget(address, 3, b3);
        case OperandClass::DirectRelative:
            return SfrName(b2) + "," + RelativeTarget(address, 3, b3);
    }
    return {};
}

}  // namespace

DisassemblyLine DisassembleInstruction(std::uint32_t address, std::uint8_t opcode, std::uint8_t b2,
                                       std::uint8_t b3) {
    const auto current = static_cast<std::uint16_t>(address & 0xFFFF);
    const OperandClass operandClass = OpcodeOperandClass[opcode];
    const std::uint8_t length = InstructionLength[opcode];
    const std::uint8_t bytes[3] = {opcode, b2, b3};

    std::string line = "  " + Hex4(current) + std::string(9, ' ');
    for (std::uint8_t i = 0; i < length; ++i) {
        if (i > 0) line += ' ';
        line += HexByteText(bytes[i]);
    }
    line.resize(kDisassemblyTextColumn, ' ');
    line += OpcodeTable[opcode];
    line += OperandText(operandClass, current, opcode, b2, b3);
    if (line.size() < kDisassemblyPaddedWidth) line.resize(kDisassemblyPaddedWidth, ' ');
    for (char& c : line) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    line.append(kDisassemblyTrailingBlanks, ' ');
    return {line, static_cast<std::uint32_t>(current) + length, length};
}

}  // namespace zvk
