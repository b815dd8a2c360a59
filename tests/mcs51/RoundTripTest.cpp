// Disassembles every opcode over a sweep of operand bytes, assembles the
// instruction text back at the same address and expects the same bytes. The
// only lines that may differ are those where the assembler's documented syntax
// reads the disassembler's text differently; they are listed here, and each
// must really differ, so that a new mismatch or a stale entry fails.

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "mcs51/Assembler.h"
#include "mcs51/Disassembler.h"
#include "mcs51/Tables.h"

namespace zvk {
namespace {

// The accumulator's direct address, and AC, which the disassembler writes
// for the unnamed direct address AC: as a first operand the register reader
// takes both for the accumulator.
bool ReadsAsAccumulator(std::uint8_t direct) { return direct == 0xE0 || direct == 0xAC; }

// Names beginning with R (RCAP2L, RCAP2H), refused where a register source may stand.
bool ReadsAsRegister(std::uint8_t direct) { return SfrName(direct).starts_with("R"); }

bool UnwritableDirect(std::uint8_t direct) {
    // FF is the reader's failure value; B0-BF begin like B, so only the named
    // B0 (P3) and B8 (IP) can be written.
    return direct == 0xFF || (direct >= 0xB0 && direct <= 0xBF && direct != 0xB0 && direct != 0xB8);
}

// Why the assembler refuses, or reads differently, the disassembler's text of
// these bytes; nullptr when the round trip must give the same bytes.
const char* KnownException(std::uint8_t opcode, std::uint8_t b2, std::uint8_t b3) {
    const OperandClass operandClass = OpcodeOperandClass[opcode];
    if (opcode == 0xA5) return "RESERVED is no mnemonic";

    std::vector<std::uint8_t> directs;
    std::optional<std::uint8_t> firstDirect;  // the destination written first
    std::optional<std::uint8_t> bit;
    std::optional<std::uint8_t> offset;
    std::uint8_t length = InstructionLength[opcode];
    switch (operandClass) {
        case OperandClass::Direct:
        case OperandClass::DirectRegister:
        case OperandClass::DirectImmediate:
        case OperandClass::DirectRelative:
            directs = {b2};
            firstDirect = b2;
            break;
        case OperandClass::DirectDirect:
            directs = {b2, b3};
            firstDirect = b3;
            break;
        case OperandClass::Bit:
        case OperandClass::BitCarry:
        case OperandClass::BitRelative:
            bit = b2;
            break;
        default:
            break;
    }
    if (operandClass == OperandClass::Relative) offset = b2;
    if (operandClass == OperandClass::BitRelative ||
        operandClass == OperandClass::ImmediateRelative ||
        operandClass == OperandClass::DirectRelative) {
        offset = b3;
    }

    for (const std::uint8_t direct : directs) {
        if (UnwritableDirect(direct)) return "direct address FF or unnamed B1-BF";
    }
    if (bit == 0xFF) return "bit address FF";
    if (bit == 0xEA) return "unnamed bit EA reads as the flag EA (AF)";
    if (offset && (*offset == 0xFF || (length == 3 && *offset == 0xFE))) {
        return "relative target inside the instruction's own operand bytes";
    }

    // MOV direct,..., DJNZ direct and INC/DEC direct with ACC or AC first.
    const bool accumulatorFirst = opcode == 0xF5 || opcode == 0x75 || opcode == 0x85 ||
                                  (opcode >= 0x86 && opcode <= 0x8F) || opcode == 0xD5 ||
                                  opcode == 0x05 || opcode == 0x15;
    if (accumulatorFirst && firstDirect && ReadsAsAccumulator(*firstDirect)) {
        return "ACC or AC as first operand reads as the accumulator";
    }
    if (opcode == 0x92 && bit && ((*bit >= 0xE0 && *bit <= 0xE7) || *bit == 0xD6)) {
        return "MOV ACC.n,C and MOV AC,C read ACC/AC as the accumulator";
    }
    // The arithmetic group, XCH, MOV A,direct, INC and DEC refuse sources
    // beginning with R.
    const bool registerSource =
        opcode == 0x25 || opcode == 0x35 || opcode == 0x45 || opcode == 0x55 || opcode == 0x65 ||
        opcode == 0x95 || opcode == 0xC5 || opcode == 0xE5 || opcode == 0x05 || opcode == 0x15;
    if (registerSource && ReadsAsRegister(b2)) return "RCAP2L/RCAP2H where a register may stand";
    return nullptr;
}

std::vector<std::pair<std::uint8_t, std::uint8_t>> OperandSweep(std::uint8_t length) {
    static constexpr std::uint8_t kSecond[] = {0x00, 0x01, 0x30, 0x7F, 0x80, 0xAC,
                                               0xB5, 0xE0, 0xEA, 0xFD, 0xFE, 0xFF};
    std::vector<std::pair<std::uint8_t, std::uint8_t>> sweep;
    if (length == 1) return {{0x5A, 0xA5}};
    for (int b = 0; b < 256; ++b) {
        if (length == 2) {
            sweep.emplace_back(static_cast<std::uint8_t>(b), 0x00);
            continue;
        }
        for (const std::uint8_t other : kSecond) {
            sweep.emplace_back(static_cast<std::uint8_t>(b), other);
            sweep.emplace_back(other, static_cast<std::uint8_t>(b));
        }
    }
    return sweep;
}

TEST(RoundTrip, DisassembledTextAssemblesToTheSameBytes) {
    std::vector<std::string> failures;
    std::map<std::string, int> exceptionsSeen;
    int checked = 0;
    // 07FE: the next instruction starts a new 2 KB block.
    for (const std::uint16_t address : {std::uint16_t{0x1234}, std::uint16_t{0x07FE}}) {
        for (int op = 0; op < 256; ++op) {
            const auto opcode = static_cast<std::uint8_t>(op);
            for (const auto& [b2, b3] : OperandSweep(InstructionLength[opcode])) {
                const DisassemblyLine line = DisassembleInstruction(address, opcode, b2, b3);
                const std::string text = line.text.substr(kDisassemblyTextColumn);
                const AsmOutput out = AssembleLine(text, address);
                const std::uint8_t bytes[3] = {opcode, b2, b3};
                bool same = out.result == AsmOk && out.length == line.length;
                for (std::uint8_t i = 0; same && i < line.length; ++i)
                    same = out.code[i] == bytes[i];
                const char* exception = KnownException(opcode, b2, b3);
                ++checked;
                if (exception != nullptr) ++exceptionsSeen[exception];
                if (same == (exception == nullptr)) continue;
                std::ostringstream why;
                why << line.text.substr(0, 26) << "| \""
                    << text.substr(0, text.find_last_not_of(' ') + 1) << "\" gave "
                    << static_cast<int>(out.result) << " " << AsmResultMessage(out.result)
                    << (exception ? std::string(" but is listed as: ") + exception : "");
                failures.push_back(why.str());
            }
        }
    }
    EXPECT_GT(checked, 300000) << "the sweep must cover the operand bytes";
    std::string seen;
    for (const auto& [reason, count] : exceptionsSeen)
        seen += "\n" + std::to_string(count) + "  " + reason;
    EXPECT_EQ(exceptionsSeen.size(), 8u)
        << "every listed exception must occur in the sweep:" << seen;
    EXPECT_TRUE(failures.empty()) << failures.size()
                                  << " mismatches, the first: " << failures.front();
    for (std::size_t i = 0; i < failures.size() && i < 30; ++i) ADD_FAILURE() << failures[i];
}

}  // namespace
}  // namespace zvk
