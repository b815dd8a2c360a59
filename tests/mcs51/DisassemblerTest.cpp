#include <gtest/gtest.h>

#include <string>

#include "mcs51/Disassembler.h"

namespace zvk {
namespace {

std::string InstructionText(const DisassemblyLine& line) {
    std::string text = line.text.substr(kDisassemblyTextColumn);
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

TEST(Disassembler, FirstLineOfAProgramInItsColumns) {
    const DisassemblyLine line = DisassembleInstruction(0x0000, 0x02, 0x00, 0x30);
    EXPECT_EQ(line.text, "  0000         02 00 30    LJMP   0030 " + std::string(18, ' '));
    EXPECT_EQ(line.text.size(), 57u);
    EXPECT_EQ(line.nextAddress, 0x0003u);
    EXPECT_EQ(line.length, 3);
}

TEST(Disassembler, NopLineIsPaddedTo57Columns) {
    const DisassemblyLine line = DisassembleInstruction(0x0100, 0x00, 0x00, 0x00);
    EXPECT_EQ(line.text, "  0100         00          NOP" + std::string(57 - 30, ' '));
    EXPECT_EQ(line.nextAddress, 0x0101u);
}

TEST(Disassembler, LongTextGetsOnlyTheTrailingBlanks) {
    // 27 + "MOV    RCAP2H,RCAP2L" (20) + 18: the longest line there is.
    const DisassemblyLine longest = DisassembleInstruction(0x1234, 0x85, 0xCA, 0xCB);
    EXPECT_EQ(longest.text,
              "  1234         85 CA CB    MOV    RCAP2H,RCAP2L" + std::string(18, ' '));
    EXPECT_EQ(longest.text.size(), 65u);
    const DisassemblyLine cjne = DisassembleInstruction(0x0100, 0xBE, 0x0D, 0x02);
    EXPECT_EQ(cjne.text, "  0100         BE 0D 02    CJNE   R6,#0D,0105" + std::string(18, ' '));
}

TEST(Disassembler, AddressIsTakenModulo64K) {
    const DisassemblyLine line = DisassembleInstruction(0x1FFFF, 0x74, 0xAB, 0x00);
    EXPECT_EQ(line.text.substr(0, 6), "  FFFF");
    EXPECT_EQ(line.nextAddress, 0x10001u);
}

TEST(Disassembler, InstructionTexts) {
    const struct {
        std::uint16_t address;
        std::uint8_t opcode, b2, b3;
        const char* text;
        std::uint8_t length;
    } cases[] = {
        {0x0030, 0x75, 0x89, 0x21, "MOV    TMOD,#21", 3},
        {0x0033, 0x85, 0x82, 0x30, "MOV    30,DPL", 3},  // destination first
        {0x0038, 0x30, 0x98, 0xFD, "JNB    RI,0038", 3},
        {0x003B, 0xB4, 0x0D, 0x02, "CJNE   A,#0D,0040", 3},
        {0x0041, 0x11, 0x23, 0x00, "ACALL  0023", 2},
        {0x004C, 0x86, 0x20, 0x00, "MOV    20,@R0", 2},
        {0x0046, 0xA5, 0x12, 0x34, "RESERVED", 1},
        {0x0048, 0x80, 0xFE, 0x00, "SJMP   0048", 2},
        {0x0000, 0x80, 0x80, 0x00, "SJMP   FF82", 2},  // wraps below zero
        {0x0000, 0x80, 0x7F, 0x00, "SJMP   0081", 2},
        {0xFFF0, 0x80, 0x7F, 0x00, "SJMP   0071", 2},  // wraps above FFFF
        {0x003E, 0xD5, 0x30, 0xF0, "DJNZ   30,0031", 3},
        {0x0100, 0xD5, 0x30, 0x80, "DJNZ   30,0083", 3},  // another page
        {0x0700, 0x61, 0x10, 0x00, "AJMP   0310", 2},
        {0x0000, 0xF1, 0xFF, 0x00, "ACALL  07FF", 2},
        {0x07FE, 0x01, 0x00, 0x00, "AJMP   0800", 2},  // block of the next instruction
        {0xFFFE, 0xE1, 0x34, 0x00, "AJMP   0734", 2},
        {0x0000, 0xF5, 0x45, 0x00, "MOV    45,A", 2},
        {0x0000, 0x42, 0xE0, 0x00, "ORL    ACC,A", 2},
        {0x0000, 0x92, 0xB3, 0x00, "MOV    P3.3,C", 2},
        {0x0000, 0xC2, 0x20, 0x00, "CLR    20", 2},
        {0x0000, 0xB2, 0xAD, 0x00, "CPL    AD", 2},
        {0x0000, 0xA0, 0xD1, 0x00, "ORL    C,/D1", 2},
        {0x0000, 0x90, 0xAB, 0xCD, "MOV    DPTR,#ABCD", 3},
        {0x0000, 0x53, 0xF0, 0xFE, "ANL    B,#FE", 3},
        {0x0000, 0xA8, 0x8E, 0x00, "MOV    R0,8E", 2},
        {0x0000, 0xE5, 0x84, 0x00, "MOV    A,DP1L", 2},
        {0x0200, 0x10, 0xD7, 0x80, "JBC    CY,0183", 3},
        {0x0000, 0xD6, 0x00, 0x00, "XCHD   A,@R0", 1},
        {0x0000, 0xF3, 0x00, 0x00, "MOVX   @R1,A", 1},
        {0x0000, 0x73, 0x00, 0x00, "JMP    @A+DPTR", 1},
        {0x0000, 0x32, 0x00, 0x00, "RETI", 1},
        {0x0000, 0xFF, 0x00, 0x00, "MOV    R7,A", 1},
    };
    for (const auto& c : cases) {
        const DisassemblyLine line = DisassembleInstruction(c.address, c.opcode, c.b2, c.b3);
        EXPECT_EQ(InstructionText(line), c.text);
        EXPECT_EQ(line.length, c.length) << c.text;
        EXPECT_EQ(line.nextAddress, c.address + c.length) << c.text;
    }
}

// Every opcode with a few operand bytes: the layout holds whatever the bytes.
TEST(Disassembler, EveryLineKeepsItsColumns) {
    for (int opcode = 0; opcode < 256; ++opcode) {
        for (const std::uint8_t operand : {0x00, 0x5A, 0xAF, 0xFF}) {
            const auto line =
                DisassembleInstruction(0xABCD, static_cast<std::uint8_t>(opcode), operand, operand);
            SCOPED_TRACE(line.text);
            ASSERT_GE(line.text.size(), 57u);
            EXPECT_EQ(line.text.substr(0, 15), "  ABCD         ");
            EXPECT_EQ(line.text.substr(line.text.size() - 18), std::string(18, ' '));
            const std::size_t textEnd = line.text.size() - 18;
            EXPECT_TRUE(textEnd == 39 || line.text[textEnd - 1] != ' ')
                << "padding to 39 columns only";
            EXPECT_NE(line.text[27], ' ');
            for (const char c : line.text) EXPECT_FALSE(c >= 'a' && c <= 'z');
            const std::string bytes = line.text.substr(15, 12);
            EXPECT_EQ(bytes.find_last_not_of(' ') + 1, 3u * line.length - 1);
        }
    }
}

}  // namespace
}  // namespace zvk
