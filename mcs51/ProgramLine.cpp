#include "mcs51/ProgramLine.h"

#include "app/Buffers.h"
#include "mcs51/Assembler.h"
#include "mcs51/Disassembler.h"
#include "mcs51/Tables.h"

namespace zvk {
namespace {

// Assembles the line. A blank line or a refused one is already the whole
// plan; otherwise the plan holds the new instruction's bytes, and only
// those: whatever earlier lines left in the assembler is never used.
LinePlan Assemble(std::string_view line, std::uint16_t address, std::uint8_t& length) {
    const AsmOutput out = AssembleLine(line, address);
    LinePlan plan;
    length = 0;
    if (out.result == AsmBlankLine) return plan;
    if (out.result != AsmOk) {
        plan.outcome = LineOutcome::AsmError;
        plan.message = AsmResultMessage(out.result);
        return plan;
    }
    plan.outcome = LineOutcome::Store;
    length = out.length;
    for (std::uint8_t i = 0; i < out.length; ++i) plan.code[i] = out.code[i];
    return plan;
}

LinePlan StoresNothing(LineOutcome outcome) {
    LinePlan plan;
    plan.outcome = outcome;
    return plan;
}

}  // namespace

std::string InstructionText(std::uint16_t address) {
    std::uint8_t bytes[3];
    CopyFlashOut(address, bytes, 3);
    const DisassemblyLine line = DisassembleInstruction(address, bytes[0], bytes[1], bytes[2]);
    std::string text = line.text.substr(kDisassemblyTextColumn);
    const std::size_t last = text.find_last_not_of(' ');
    text.resize(last == std::string::npos ? 1 : last + 1);
    return text;
}

std::uint8_t StoredInstructionLength(std::uint16_t address) {
    return InstructionLength[FlashRead(address)];
}

LinePlan PlanInstructionEdit(std::string_view line, std::uint16_t address, std::uint8_t oldLength) {
    if (line == InstructionText(address)) return StoresNothing(LineOutcome::Unchanged);
    std::uint8_t length = 0;
    LinePlan plan = Assemble(line, address, length);
    if (plan.outcome != LineOutcome::Store) return plan;
    if (length > oldLength) return StoresNothing(LineOutcome::Longer);
    // The bytes behind a shorter instruction are already 00, NOP.
    plan.count = oldLength;
    plan.nopsAdded = length < oldLength;
    return plan;
}

LinePlan PlanProgramLine(std::string_view line, std::uint16_t address, std::uint16_t lastAddress) {
    if (line == InstructionText(address)) return StoresNothing(LineOutcome::Unchanged);
    std::uint8_t length = 0;
    LinePlan plan = Assemble(line, address, length);
    if (plan.outcome != LineOutcome::Store) return plan;
    // A part of an instruction in the chip is worse than none.
    if (static_cast<std::uint32_t>(address) + length - 1 > lastAddress) {
        return StoresNothing(LineOutcome::DoesNotFit);
    }
    plan.count = length;
    return plan;
}

}  // namespace zvk
