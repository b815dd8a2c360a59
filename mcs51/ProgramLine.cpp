#include "mcs51/ProgramLine.h"

#include "app/Buffers.h"
#include "mcs51/Assembler.h"
#include "mcs51/Disassembler.h"
#include "mcs51/Tables.h"

namespace zvk {
namespace {

bool IsAsmError(AsmResult result) { return result != AsmBlankLine && result != AsmOk; }

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
    const AsmOutput out = AssembleLine(line, address);
    LinePlan plan;
    if (out.result == AsmBlankLine) return plan;
    if (IsAsmError(out.result)) {
        plan.outcome = LineOutcome::AsmError;
        plan.message = AsmResultMessage(out.result);
        return plan;
    }
    if (out.length > oldLength) {
        plan.outcome = LineOutcome::Longer;
        return plan;
    }
    plan.outcome = LineOutcome::Store;
    plan.count = oldLength;
    plan.nopsAdded = out.length < oldLength;
    for (std::uint8_t i = 0; i < out.length; ++i) plan.code[i] = out.code[i];
    return plan;
}

LinePlan PlanProgramLine(std::string_view line, std::uint16_t address, std::uint16_t lastAddress) {
    const AsmOutput out = AssembleLine(line, address);
    LinePlan plan;
    if (out.result == AsmBlankLine) return plan;
    if (IsAsmError(out.result)) {
        plan.outcome = LineOutcome::AsmError;
        plan.message = AsmResultMessage(out.result);
        return plan;
    }
    // A part of an instruction in the chip is worse than none.
    if (static_cast<std::uint32_t>(address) + out.length - 1 > lastAddress) {
        plan.outcome = LineOutcome::DoesNotFit;
        return plan;
    }
    plan.outcome = LineOutcome::Store;
    plan.count = out.length;
    for (std::uint8_t i = 0; i < out.length; ++i) plan.code[i] = out.code[i];
    return plan;
}

}  // namespace zvk
