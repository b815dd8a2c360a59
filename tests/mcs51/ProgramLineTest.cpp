// Walking back through code to the instruction before an address, and the
// decisions taken on a program line: in place (shrink with NOPs, never grow)
// and when lines are entered one behind the other.

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>

#include "app/AppState.h"
#include "app/Buffers.h"
#include "mcs51/Assembler.h"
#include "mcs51/CodeWalk.h"
#include "mcs51/ProgramLine.h"
#include "mcs51/Tables.h"

namespace zvk {
namespace {

class CodeBuffer : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAppState();
        ASSERT_EQ(AllocateBuffers(), 0);
        App().FlashLastAddress = 0x0FFF;
    }
    void Put(std::uint16_t address, std::initializer_list<std::uint8_t> bytes) {
        for (std::uint8_t b : bytes) FlashWrite(address++, b);
    }
};

using CodeWalk = CodeBuffer;

TEST_F(CodeWalk, StepsBackByExactlyOneInstruction) {
    // 0000 LJMP 0030; 0003-0005 NOP NOP NOP; 0006 MOV A,#05; 0008 ...
    Put(0x0000, {0x02, 0x00, 0x30, 0x00, 0x00, 0x00, 0x74, 0x05, 0x00});
    EXPECT_EQ(FindPreviousInstruction(0x0003, 20), 3);  // behind the LJMP
    EXPECT_EQ(FindPreviousInstruction(0x0006, 20), 1);  // behind the third NOP
    EXPECT_EQ(FindPreviousInstruction(0x0008, 20), 2);  // behind MOV A,#05
    EXPECT_EQ(FindPreviousInstruction(0x0000, 20), 0);
}

TEST_F(CodeWalk, FarIntoTheCodeTheRunStaysInStep) {
    // Three-byte instructions from 0100 on: the walk back finds their starts.
    for (std::uint16_t a = 0x0100; a < 0x0400; a += 3) Put(a, {0x90, 0x12, 0x34});
    EXPECT_EQ(FindPreviousInstruction(0x0301, 25), 3);
    const std::uint16_t start = BacktrackStart(0x0301, 25);
    EXPECT_EQ((start - 0x0100) % 3, 0);
    EXPECT_LT(start, 0x0301);
    EXPECT_GE(start, 0x0301 - 3 * 25);
    EXPECT_EQ(BacktrackStart(0x0002, 25), 0);
}

using ProgramLine = CodeBuffer;

TEST_F(ProgramLine, OffersTheStoredInstructionWithoutTrailingBlanks) {
    EXPECT_EQ(InstructionText(0x0000), "MOV    R7,A");  // an erased buffer
    Put(0x0010, {0x02, 0x00, 0x30});
    EXPECT_EQ(InstructionText(0x0010), "LJMP   0030");
    EXPECT_EQ(StoredInstructionLength(0x0010), 3);
}

TEST_F(ProgramLine, InPlaceAnInstructionMayShrinkButNeverGrow) {
    const LinePlan nop = PlanInstructionEdit("NOP", 0x0000, 3);
    EXPECT_EQ(nop.outcome, LineOutcome::Store);
    EXPECT_TRUE(nop.nopsAdded);
    EXPECT_EQ(nop.count, 3);
    EXPECT_EQ(nop.code, (std::array<std::uint8_t, 3>{0x00, 0x00, 0x00}));

    const LinePlan same = PlanInstructionEdit("ljmp 0123", 0x0000, 3);
    EXPECT_EQ(same.outcome, LineOutcome::Store);
    EXPECT_FALSE(same.nopsAdded);
    EXPECT_EQ(same.code, (std::array<std::uint8_t, 3>{0x02, 0x01, 0x23}));

    EXPECT_EQ(PlanInstructionEdit("MOV A,#5", 0x0000, 1).outcome, LineOutcome::Longer);
    EXPECT_EQ(PlanInstructionEdit("   ", 0x0000, 1).outcome, LineOutcome::Blank);
    const LinePlan wrong = PlanInstructionEdit("FOO", 0x0000, 1);
    EXPECT_EQ(wrong.outcome, LineOutcome::AsmError);
    EXPECT_EQ(wrong.message, "Illegal mnemonic");
}

TEST_F(ProgramLine, EntryNeverUsesBytesOfAnEarlierLine) {
    // A good three-byte line leaves its bytes in the assembler; the failing
    // and the blank lines after it must not hand them on.
    ASSERT_EQ(PlanProgramLine("LJMP 0100", 0x0000, 0x0FFF).outcome, LineOutcome::Store);
    const LinePlan failed = PlanProgramLine("MOV A,#", 0x0003, 0x0FFF);
    EXPECT_EQ(failed.outcome, LineOutcome::AsmError);
    EXPECT_EQ(failed.count, 0);
    const LinePlan blank = PlanProgramLine("", 0x0003, 0x0FFF);
    EXPECT_EQ(blank.outcome, LineOutcome::Blank);
    EXPECT_EQ(blank.count, 0);
}

TEST_F(ProgramLine, EntryRefusesAnInstructionThatRunsPastTheLastAddress) {
    EXPECT_EQ(PlanProgramLine("LJMP 0100", 0x0FFE, 0x0FFF).outcome, LineOutcome::DoesNotFit);
    const LinePlan fits = PlanProgramLine("LJMP 0100", 0x0FFD, 0x0FFF);
    EXPECT_EQ(fits.outcome, LineOutcome::Store);
    EXPECT_EQ(fits.count, 3);
    EXPECT_EQ(PlanProgramLine("NOP", 0x0FFF, 0x0FFF).outcome, LineOutcome::Store);
}

// Stored code whose offered text the assembler reads as other code, or
// refuses. Giving the offered text back must keep the bytes, in place and in
// entry alike; typing the same instruction keeps the assembler's reading.
TEST_F(ProgramLine, TheOfferedLineGivenBackKeepsTheStoredCode) {
    struct Case {
        std::array<std::uint8_t, 3> bytes;
        const char* offered;
    };
    const Case cases[] = {
        {{0xD2, 0xEA, 0x00}, "SETB   EA"},       // read as the flag EA, bit AF
        {{0x05, 0xAC, 0x00}, "INC    AC"},       // read as INC A, then a NOP
        {{0x10, 0xEA, 0x05}, "JBC    EA,0108"},  // three bytes, bit EA
        {{0x92, 0xD6, 0x00}, "MOV    AC,C"},     // refused: AC read as A
        {{0x75, 0xAC, 0x12}, "MOV    AC,#12"},   // refused
        {{0x43, 0xB1, 0x07}, "ORL    B1,#07"},   // refused: B1 begins like B
        {{0x80, 0xFF, 0x00}, "SJMP   0101"},     // target inside its own bytes
        {{0xA5, 0x00, 0x00}, "RESERVED"},        // no mnemonic
    };
    const std::uint16_t address = 0x0100;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offered);
        const std::uint8_t length = InstructionLength[c.bytes[0]];
        for (std::uint8_t i = 0; i < 3; ++i) FlashWrite(address + i, c.bytes[i]);
        ASSERT_EQ(InstructionText(address), c.offered);
        // Each case is one where storing the text would not give the bytes.
        const AsmOutput typed = AssembleLine(c.offered, address);
        EXPECT_FALSE(typed.result == AsmOk && typed.length == length &&
                     std::equal(c.bytes.begin(), c.bytes.begin() + length, typed.code.begin()));

        const LinePlan edit = PlanInstructionEdit(c.offered, address, length);
        EXPECT_EQ(edit.outcome, LineOutcome::Unchanged);
        EXPECT_EQ(edit.count, 0);
        const LinePlan entry = PlanProgramLine(c.offered, address, 0x0FFF);
        EXPECT_EQ(entry.outcome, LineOutcome::Unchanged);
        EXPECT_EQ(entry.count, 0);
    }

    // Typed rather than given back, the same words keep today's reading.
    Put(address, {0xD2, 0xEA});
    const LinePlan spaced = PlanInstructionEdit("SETB EA", address, 2);
    EXPECT_EQ(spaced.outcome, LineOutcome::Store);
    EXPECT_EQ(spaced.code, (std::array<std::uint8_t, 3>{0xD2, 0xAF, 0x00}));
    Put(address, {0x00});
    const LinePlan elsewhere = PlanProgramLine("SETB   EA", address, 0x0FFF);
    EXPECT_EQ(elsewhere.outcome, LineOutcome::Store);
    EXPECT_EQ(elsewhere.code, (std::array<std::uint8_t, 3>{0xD2, 0xAF, 0x00}));
}

}  // namespace
}  // namespace zvk
