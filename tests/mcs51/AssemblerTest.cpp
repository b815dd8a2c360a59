#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mcs51/Assembler.h"

namespace zvk {
namespace {

struct Case {
    const char* line;
    std::uint16_t address;
    AsmResult result;
    std::vector<std::uint8_t> bytes;  // checked after AsmOk only
};

void ExpectCases(const std::vector<Case>& cases) {
    for (const auto& c : cases) {
        const AsmOutput out = AssembleLine(c.line, c.address);
        EXPECT_EQ(static_cast<int>(out.result), static_cast<int>(c.result))
            << '"' << c.line << "\" gave \"" << AsmResultMessage(out.result) << '"';
        if (c.result != AsmOk || out.result != AsmOk) continue;
        EXPECT_EQ(std::vector<std::uint8_t>(out.code.begin(), out.code.begin() + out.length),
                  c.bytes)
            << '"' << c.line << '"';
    }
}

TEST(Assembler, LinesAndMnemonics) {
    ExpectCases({
        {"", 0, AsmBlankLine, {}},
        {" \t  ", 0, AsmBlankLine, {}},
        {"mov a,#12", 0, AsmOk, {0x74, 0x12}},
        {"  \tMoV\tA , #12", 0, AsmOk, {0x74, 0x12}},
        {"DA", 0, AsmIllegalMnemonic, {}},
        {"DA ", 0, AsmMissingOperand, {}},
        {"DA A", 0, AsmOk, {0xD4}},
        {"DA B", 0, AsmIllegalOperand, {}},
        {"MOVE A,#1", 0, AsmIllegalMnemonic, {}},
        {"CALL 0100", 0, AsmIllegalMnemonic, {}},
        {"NOP", 0, AsmOk, {0x00}},
        {"NOP   ", 0, AsmOk, {0x00}},
        {"NOP X", 0, AsmIllegalMnemonic, {}},
        {"RET", 0, AsmOk, {0x22}},
        {"RETI", 0, AsmOk, {0x32}},
        {"RETX", 0, AsmIllegalMnemonic, {}},
        {"JB ACC.0,0100", 0x0100, AsmOk, {0x20, 0xE0, 0xFD}},
        {"JBC CY,0100", 0x0100, AsmOk, {0x10, 0xD7, 0xFD}},
        {"XCHD A,@R1", 0, AsmOk, {0xD7}},
        {"XCHD A,R1", 0, AsmIllegalOperand, {}},
        {"XCH A,R1", 0, AsmOk, {0xC9}},
        {"XCH A,#12", 0, AsmIllegalDataAddress, {}},
        {"SUBB A,@R0", 0, AsmOk, {0x96}},
        {"ADDC A,R7", 0, AsmOk, {0x3F}},
        {"RLC A", 0, AsmOk, {0x33}},
        {"DIV AB", 0, AsmOk, {0x84}},
        {"MUL ABC", 0, AsmIllegalOperand, {}},
        {"JMP @A+DPTR", 0, AsmOk, {0x73}},
        {"JMP @A+DPTRXYZ", 0, AsmOk, {0x73}},
        {"JMP 0100", 0, AsmIllegalOperand, {}},
        {"LCALL 1234", 0, AsmOk, {0x12, 0x12, 0x34}},
        {"LJMP 1", 0, AsmOk, {0x02, 0x00, 0x01}},
        {"LJMP 12345", 0, AsmIllegalCodeAddress, {}},
        {"LJMP 12G4", 0, AsmIllegalCodeAddress, {}},
    });
}

TEST(Assembler, AccumulatorAndDirectOperands) {
    ExpectCases({
        {"ADD A", 0, AsmIllegalOperand, {}},
        {"ADD A,", 0, AsmMissingOperand, {}},
        {"ADD A ,  #12", 0, AsmOk, {0x24, 0x12}},
        {"ADD B,#12", 0, AsmIllegalOperand, {}},
        {"ADD A,ACC", 0, AsmOk, {0x25, 0xE0}},
        {"ANL A,ACC", 0, AsmOk, {0x55, 0xE0}},
        {"ADD A,A", 0, AsmOk, {0x25, 0x0A}},  // a lone A is the number 0A
        {"ADD A,@R2", 0, AsmIllegalOperand, {}},
        {"ADD A,R8", 0, AsmIllegalOperand, {}},
        {"ADD A,RCAP2L", 0, AsmIllegalOperand, {}},
        {"ADD A,DP0L", 0, AsmOk, {0x25, 0x82}},
        {"ADD A,SP", 0, AsmOk, {0x25, 0x81}},
        {"ADD A,SPSR", 0, AsmOk, {0x25, 0xAA}},
        {"ADD A,FF", 0, AsmIllegalDataAddress, {}},  // FF is the failure value
        {"ADD A,FE", 0, AsmOk, {0x25, 0xFE}},
        {"ADD A,7", 0, AsmOk, {0x25, 0x07}},
        {"ADD A,123", 0, AsmIllegalDataAddress, {}},
        {"ADD A,#0FF", 0, AsmIllegalData, {}},
        {"MOV A,#0FF", 0, AsmIllegalData, {}},
        {"ADD A,#", 0, AsmIllegalData, {}},
        {"ADD A,#1G", 0, AsmIllegalData, {}},
        {"INC ACC", 0, AsmOk, {0x04}},
        {"DEC A", 0, AsmOk, {0x14}},
        {"DEC @R1", 0, AsmOk, {0x17}},
        {"INC R5", 0, AsmOk, {0x0D}},
        {"INC DPTR", 0, AsmOk, {0xA3}},
        {"INC DPTRX", 0, AsmIllegalOperand, {}},
        {"INC 7F", 0, AsmOk, {0x05, 0x7F}},
        {"DEC RB", 0, AsmIllegalOperand, {}},
        {"DEC #@!", 0, AsmIllegalDataAddress, {}},  // never the one-byte direct column
        {"PUSH ACC", 0, AsmOk, {0xC0, 0xE0}},
        {"PUSH A", 0, AsmOk, {0xC0, 0xE0}},
        {"POP PSW", 0, AsmOk, {0xD0, 0xD0}},
        {"PUSH B8", 0, AsmIllegalDataAddress, {}},
        {"PUSH IP", 0, AsmOk, {0xC0, 0xB8}},
        {"PUSH P3", 0, AsmOk, {0xC0, 0xB0}},
        {"PUSH B", 0, AsmOk, {0xC0, 0xF0}},
        {"PUSH AB", 0, AsmOk, {0xC0, 0xAB}},
        {"PUSH 30 comment", 0, AsmOk, {0xC0, 0x30}},
        {"ANL ACC,#01", 0, AsmOk, {0x53, 0xE0, 0x01}},
        {"ANL 30,A", 0, AsmOk, {0x52, 0x30}},
        {"ANL 30,B", 0, AsmIllegalDataAddress, {}},
        {"ORL C,/P1.0", 0, AsmOk, {0xA0, 0x90}},
        {"ANL C,/P1.0", 0, AsmOk, {0xB0, 0x90}},
        {"ORL C,ACC.7", 0, AsmOk, {0x72, 0xE7}},
        {"XRL C,P1.0", 0, AsmIllegalDataAddress, {}},
        {"XRL 0C,#5", 0, AsmOk, {0x63, 0x0C, 0x05}},
        {"XRL A,R0", 0, AsmOk, {0x68}},
    });
}

TEST(Assembler, MoveForms) {
    ExpectCases({
        {"MOV 30,31", 0, AsmOk, {0x85, 0x31, 0x30}},
        {"MOV 30,C", 0, AsmOk, {0x92, 0x30}},
        {"MOV C,P1.0", 0, AsmOk, {0xA2, 0x90}},
        {"MOV DPTR,#1234", 0, AsmOk, {0x90, 0x12, 0x34}},
        {"MOV DPTR,#12345", 0, AsmIllegalData, {}},
        {"MOV DPTR,1234", 0, AsmIllegalOperand, {}},
        {"MOV R3,#7", 0, AsmOk, {0x7B, 0x07}},
        {"MOV R3,A", 0, AsmOk, {0xFB}},
        {"MOV R3,TL0", 0, AsmOk, {0xAB, 0x8A}},
        {"MOV @R1,25", 0, AsmOk, {0xA7, 0x25}},
        {"MOV @R0,#80", 0, AsmOk, {0x76, 0x80}},
        {"MOV A,@R1", 0, AsmOk, {0xE7}},
        {"MOV A,R2", 0, AsmOk, {0xEA}},
        {"MOV A,30", 0, AsmOk, {0xE5, 0x30}},
        {"MOV ACC,#01", 0, AsmIllegalOperand, {}},
        {"MOV E0,#01", 0, AsmOk, {0x75, 0xE0, 0x01}},
        {"MOV IP,A", 0, AsmOk, {0xF5, 0xB8}},
        {"MOV B8,A", 0, AsmIllegalOperand, {}},
        {"MOV 30,@R1", 0, AsmOk, {0x87, 0x30}},
        {"MOV 30,R7", 0, AsmOk, {0x8F, 0x30}},
        {"MOV 30,ACC", 0, AsmOk, {0x85, 0xE0, 0x30}},
        {"MOV 30,B8", 0, AsmIllegalOperand, {}},
        {"MOV CY,C", 0, AsmOk, {0x92, 0xD7}},
        {"MOV P1.0,A", 0, AsmIllegalOperand, {}},
        {"MOV 30", 0, AsmIllegalOperand, {}},
        {"MOV 30,", 0, AsmMissingOperand, {}},
        {"MOV RCAP2H,RCAP2L", 0, AsmOk, {0x85, 0xCA, 0xCB}},
        {"MOVC A,@A+PC", 0, AsmOk, {0x83}},
        {"MOVC A,@A+DPTR", 0, AsmOk, {0x93}},
        {"MOVC B,@A+DPTR", 0, AsmIllegalData, {}},
        {"MOVC A,@A+DPTRX", 0, AsmIllegalCodeAddress, {}},
        {"MOVC A,@A+PCX", 0, AsmIllegalOperand, {}},
        {"MOVC A,@DPTR", 0, AsmIllegalData, {}},
        {"MOVX A,@DPTR", 0, AsmOk, {0xE0}},
        {"MOVX A,@R1", 0, AsmOk, {0xE3}},
        {"MOVX @R0,A", 0, AsmOk, {0xF2}},
        {"MOVX @DPTR,A", 0, AsmOk, {0xF0}},
        {"MOVX @DPTR,B", 0, AsmIllegalOperand, {}},
        {"MOVX A,30", 0, AsmIllegalOperand, {}},
    });
}

TEST(Assembler, BitOperands) {
    ExpectCases({
        {"CLR C", 0, AsmOk, {0xC3}},
        {"CLR A", 0, AsmOk, {0xE4}},
        {"CPL A", 0, AsmOk, {0xF4}},
        {"CPL C", 0, AsmOk, {0xB3}},
        {"CLR CY", 0, AsmOk, {0xC2, 0xD7}},
        {"SETB A", 0, AsmIllegalBitAddress, {}},
        {"SETB C", 0, AsmOk, {0xD3}},
        {"SETB 5", 0, AsmIllegalBitAddress, {}},  // numeric bits take two digits
        {"SETB 05", 0, AsmOk, {0xD2, 0x05}},
        {"SETB 005", 0, AsmIllegalBitAddress, {}},
        {"SETB F0", 0, AsmOk, {0xD2, 0xD5}},  // the flag F0, not bit F0
        {"SETB AC", 0, AsmOk, {0xD2, 0xD6}},
        {"SETB EA", 0, AsmOk, {0xD2, 0xAF}},
        {"SETB ACC.7", 0, AsmOk, {0xD2, 0xE7}},
        {"SETB PSW.3", 0, AsmIllegalBitAddress, {}},  // PS matches and W follows
        {"SETB FF", 0, AsmIllegalBitAddress, {}},
        {"SETB B0", 0, AsmOk, {0xD2, 0xB0}},
        {"SETB C/T2", 0, AsmOk, {0xD2, 0xC9}},
        {"CPL P", 0, AsmOk, {0xB2, 0xD0}},
    });
}

TEST(Assembler, CodeAddresses) {
    ExpectCases({
        {"SJMP 0000", 0x0000, AsmOk, {0x80, 0xFE}},
        {"SJMP 0001", 0x0000, AsmIllegalCodeAddress, {}},
        {"SJMP 0082", 0x0000, AsmRelativeTooLong, {}},
        {"SJMP 0081", 0x0000, AsmOk, {0x80, 0x7F}},
        {"SJMP 00810", 0x0000, AsmOk, {0x80, 0x7F}},  // no end check
        {"SJMP 0082", 0x0100, AsmOk, {0x80, 0x80}},
        {"SJMP 0181", 0x0100, AsmOk, {0x80, 0x7F}},
        {"SJMP 0081", 0x0100, AsmRelativeTooLong, {}},
        {"SJMP 0182", 0x0100, AsmRelativeTooLong, {}},
        {"JZ 0103", 0x0100, AsmOk, {0x60, 0x01}},
        {"JZ 0102", 0x0100, AsmOk, {0x60, 0x00}},
        {"JZ 0101", 0x0100, AsmIllegalCodeAddress, {}},
        {"JZ 01030", 0x0100, AsmIllegalCodeAddress, {}},
        {"SJMP FF82", 0x0000, AsmRelativeTooLong, {}},  // no wrap below zero
        {"CJNE A,#05,0110", 0x0100, AsmOk, {0xB4, 0x05, 0x0D}},
        {"CJNE A,#5,0110", 0x0100, AsmIllegalData, {}},
        {"CJNE A,#05 , 0110", 0x0100, AsmOk, {0xB4, 0x05, 0x0D}},
        {"CJNE A,30,0100", 0x0100, AsmOk, {0xB5, 0x30, 0xFD}},
        {"CJNE A,30,0102", 0x0100, AsmIllegalCodeAddress, {}},
        {"CJNE A,30,0101", 0x0100, AsmIllegalCodeAddress, {}},
        {"CJNE A,30,01100", 0x0100, AsmOk, {0xB5, 0x30, 0x0D}},  // no end check
        {"CJNE @R1,#FF,0100", 0x0100, AsmOk, {0xB7, 0xFF, 0xFD}},
        {"CJNE R8,#01,0000", 0x0000, AsmIllegalOperand, {}},
        {"CJNE R2,30,0000", 0x0000, AsmIllegalOperand, {}},
        {"CJNE ACC,#01,0000", 0x0000, AsmIllegalOperand, {}},
        {"CJNE R2,#01", 0x0000, AsmIllegalOperand, {}},
        {"DJNZ R2,0100", 0x0100, AsmOk, {0xDA, 0xFE}},
        {"DJNZ 30,0100", 0x0100, AsmOk, {0xD5, 0x30, 0xFD}},
        {"DJNZ @R0,0100", 0x0100, AsmIllegalOperand, {}},
        {"DJNZ ACC,0100", 0x0100, AsmIllegalOperand, {}},
        {"DJNZ E0,0100", 0x0100, AsmOk, {0xD5, 0xE0, 0xFD}},
        {"AJMP 0400", 0x0200, AsmOk, {0x81, 0x00}},
        {"ACALL 0755", 0x0200, AsmOk, {0xF1, 0x55}},
        {"AJMP 0800", 0x0200, AsmExceeds2K, {}},
        {"AJMP 04G0", 0x0200, AsmImproperHexValue, {}},
        {"ACALL 04G0", 0x0200, AsmIllegalCodeAddress, {}},
        {"AJMP 04000", 0x0200, AsmIllegalCodeAddress, {}},
        {"AJMP 0000", 0x07FE, AsmExceeds2K, {}},
        {"AJMP 0FFF", 0x07FE, AsmOk, {0xE1, 0xFF}},
        {"AJMP 0734", 0xFFFE, AsmOk, {0xE1, 0x34}},  // the next instruction is at 0000
        {"JNB P3.2,0105 wait for the start bit", 0x0100, AsmOk, {0x30, 0xB2, 0x02}},
        {"JNB P3.2,0105X", 0x0100, AsmIllegalCodeAddress, {}},
        {"JBC P3.2,0105X", 0x0100, AsmIllegalCodeAddress, {}},
        {"JB P3.2,0105X", 0x0100, AsmIllegalCodeAddress, {}},
        {"JB P3.2", 0x0100, AsmIllegalOperand, {}},
        {"JB P3.2,", 0x0100, AsmMissingOperand, {}},
    });
}

TEST(Assembler, EveryResultHasItsMessage) {
    EXPECT_EQ(AsmResultMessage(AsmBlankLine), "");
    EXPECT_EQ(AsmResultMessage(AsmIllegalMnemonic), "Illegal mnemonic");
    EXPECT_EQ(AsmResultMessage(AsmMissingOperand), "Missing Operand");
    EXPECT_EQ(AsmResultMessage(AsmImproperHexValue), "Improper Hex value");
    EXPECT_EQ(AsmResultMessage(AsmExceeds2K), "Exceeds 2K Memory");
    EXPECT_EQ(AsmResultMessage(AsmIllegalOperand), "Illegal Operand");
    EXPECT_EQ(AsmResultMessage(AsmIllegalData), "Illegal Data");
    EXPECT_EQ(AsmResultMessage(AsmIllegalDataAddress), "Illegal Data Address");
    EXPECT_EQ(AsmResultMessage(AsmIllegalCodeAddress), "Illegal Code Address");
    EXPECT_EQ(AsmResultMessage(AsmRelativeTooLong), "Relative jump too long");
    EXPECT_EQ(AsmResultMessage(AsmIllegalBitAddress), "Illegal Bit Address");
    EXPECT_EQ(AsmResultMessage(AsmOk), "");
}

// The outputs are copied whatever the result: a caller that ignored the result
// would store what earlier lines left behind.
TEST(Assembler, OutputsKeepWhatEarlierLinesLeft) {
    ASSERT_EQ(AssembleLine("LJMP 1234", 0).result, AsmOk);
    AsmOutput out = AssembleLine("   ", 0);
    EXPECT_EQ(out.result, AsmBlankLine);
    EXPECT_EQ(out.code, (std::array<std::uint8_t, 3>{0x02, 0x12, 0x34}));
    EXPECT_EQ(out.length, 3);

    out = AssembleLine("FOO", 0);
    EXPECT_EQ(out.result, AsmIllegalMnemonic);
    EXPECT_EQ(out.code, (std::array<std::uint8_t, 3>{0x02, 0x12, 0x34}));

    out = AssembleLine("SJMP 0082", 0);  // the form got as far as its opcode
    EXPECT_EQ(out.result, AsmRelativeTooLong);
    EXPECT_EQ(out.code, (std::array<std::uint8_t, 3>{0x80, 0x12, 0x34}));
    EXPECT_EQ(out.length, 3);

    out = AssembleLine("NOP", 0);
    EXPECT_EQ(out.result, AsmOk);
    EXPECT_EQ(out.code[0], 0x00);
    EXPECT_EQ(out.length, 1);
}

TEST(Assembler, LinesLongerThanTheDialogField) {
    const std::string comment(300, 'x');
    const AsmOutput out = AssembleLine("MOV A,#12 " + comment, 0);
    EXPECT_EQ(out.result, AsmOk);
    EXPECT_EQ(out.code[1], 0x12);
    EXPECT_EQ(AssembleLine(std::string("NOP\0garbage", 11), 0).result, AsmOk);
}

TEST(HexText, ValuesAndRefusals) {
    EXPECT_EQ(HexToNumber("0"), 0);
    EXPECT_EQ(HexToNumber("A"), 10);
    EXPECT_EQ(HexToNumber("1F"), 0x1F);
    EXPECT_EQ(HexToNumber("FFFF"), 0xFFFF);
    EXPECT_EQ(HexToNumber("12345"), 0x2345);  // reduced to 16 bits
    EXPECT_EQ(HexToNumber("1g"), 0x10);       // other characters count 0
    EXPECT_TRUE(IsHexText("0123456789ABCDEF"));
    EXPECT_FALSE(IsHexText(""));
    EXPECT_FALSE(IsHexText("ab"));
    EXPECT_FALSE(IsHexText("1 2"));
}

}  // namespace
}  // namespace zvk
