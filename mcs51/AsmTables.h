#pragma once
// The one-line assembler's own vocabulary: its mnemonics with the rule that
// reads each one's operands, and the register, indirect, SFR and bit names it
// accepts. Every table is searched in its order by prefix, and the first row
// that matches wins, so a longer word must stand before any word it begins
// with. These are not the disassembler's tables: they also take DP0H and
// DP0L, and their order decides how ambiguous text reads.

#include <array>
#include <cstdint>
#include <string_view>

namespace zvk {

// How the operands of a mnemonic are read; each names one rule of the assembler.
enum class AsmForm : std::uint8_t {
    AbsoluteCall,     // ACALL addr11
    AbsoluteJump,     // AJMP addr11
    Arithmetic,       // ADD, ADDC, SUBB: A,#data / A,direct / A,@Ri / A,Rn
    Logic,            // ANL, ORL, XRL: the arithmetic forms, direct,A, direct,#data, C,bit
    CompareJump,      // CJNE
    ClearComplement,  // CLR, CPL, SETB: A / C / bit
    Accumulator,      // DA, RL, RLC, RR, RRC, SWAP: A
    MultiplyDivide,   // DIV, MUL: AB
    IncDec,           // INC, DEC
    DecrementJump,    // DJNZ
    BitJump,          // JB, JBC, JNB: bit,rel
    ConditionalJump,  // JC, JNC, JZ, JNZ: rel
    ShortJump,        // SJMP rel
    IndirectJump,     // JMP @A+DPTR
    LongJump,         // LCALL, LJMP addr16
    Move,             // MOV
    MoveCode,         // MOVC
    MoveExternal,     // MOVX
    NoOperand,        // NOP, RET, RETI
    Stack,            // POP, PUSH direct
    Exchange,         // XCH
    ExchangeDigit,    // XCHD
};

struct AsmMnemonicRow {
    std::string_view name;
    AsmForm form;
    std::uint8_t opcode;       // the form's base opcode (the accumulator column where it has one)
    std::uint8_t carryOpcode;  // CLR/CPL/SETB C; ANL/ORL C,bit; 0 where there is none
    std::uint8_t otherOpcode;  // CLR/CPL A; ANL/ORL C,/bit; INC DPTR; 0 where there is none
};

// clang-format off
inline constexpr std::array<AsmMnemonicRow, 44> AsmMnemonicTable{{
    {"ACALL", AsmForm::AbsoluteCall,    0x11, 0,    0},
    {"AJMP",  AsmForm::AbsoluteJump,    0x01, 0,    0},
    {"ADDC",  AsmForm::Arithmetic,      0x34, 0,    0},
    {"ADD",   AsmForm::Arithmetic,      0x24, 0,    0},
    {"ANL",   AsmForm::Logic,           0x54, 0x82, 0xB0},
    {"CJNE",  AsmForm::CompareJump,     0xB4, 0,    0},
    {"CLR",   AsmForm::ClearComplement, 0xC2, 0xC3, 0xE4},
    {"CPL",   AsmForm::ClearComplement, 0xB2, 0xB3, 0xF4},
    {"DA",    AsmForm::Accumulator,     0xD4, 0,    0},
    {"DEC",   AsmForm::IncDec,          0x14, 0,    0},
    {"DIV",   AsmForm::MultiplyDivide,  0x84, 0,    0},
    {"DJNZ",  AsmForm::DecrementJump,   0xD4, 0,    0},
    {"INC",   AsmForm::IncDec,          0x04, 0,    0xA3},
    {"JBC",   AsmForm::BitJump,         0x10, 0,    0},
    {"JC",    AsmForm::ConditionalJump, 0x40, 0,    0},
    {"JMP",   AsmForm::IndirectJump,    0x73, 0,    0},
    {"JNB",   AsmForm::BitJump,         0x30, 0,    0},
    {"JNC",   AsmForm::ConditionalJump, 0x50, 0,    0},
    {"JNZ",   AsmForm::ConditionalJump, 0x70, 0,    0},
    {"JZ",    AsmForm::ConditionalJump, 0x60, 0,    0},
    {"LCALL", AsmForm::LongJump,        0x12, 0,    0},
    {"LJMP",  AsmForm::LongJump,        0x02, 0,    0},
    {"MOVC",  AsmForm::MoveCode,        0x83, 0,    0},
    {"MOVX",  AsmForm::MoveExternal,    0xE0, 0,    0},
    {"MOV",   AsmForm::Move,            0xE4, 0,    0},
    {"MUL",   AsmForm::MultiplyDivide,  0xA4, 0,    0},
    {"NOP",   AsmForm::NoOperand,       0x00, 0,    0},
    {"ORL",   AsmForm::Logic,           0x44, 0x72, 0xA0},
    {"POP",   AsmForm::Stack,           0xD0, 0,    0},
    {"PUSH",  AsmForm::Stack,           0xC0, 0,    0},
    {"RETI",  AsmForm::NoOperand,       0x32, 0,    0},
    {"RET",   AsmForm::NoOperand,       0x22, 0,    0},
    {"RLC",   AsmForm::Accumulator,     0x33, 0,    0},
    {"RL",    AsmForm::Accumulator,     0x23, 0,    0},
    {"RRC",   AsmForm::Accumulator,     0x13, 0,    0},
    {"RR",    AsmForm::Accumulator,     0x03, 0,    0},
    {"SETB",  AsmForm::ClearComplement, 0xD2, 0xD3, 0},
    {"SJMP",  AsmForm::ShortJump,       0x80, 0,    0},
    {"SUBB",  AsmForm::Arithmetic,      0x94, 0,    0},
    {"SWAP",  AsmForm::Accumulator,     0xC4, 0,    0},
    {"XCHD",  AsmForm::ExchangeDigit,   0xD4, 0,    0},
    {"XCH",   AsmForm::Exchange,        0xC4, 0,    0},
    {"XRL",   AsmForm::Logic,           0x64, 0,    0},
    {"JB",    AsmForm::BitJump,         0x20, 0,    0},
}};
// clang-format on

// Register operands; a row's index + 4 is the low nibble of the opcode.
// Row 1 holds the place of the direct-address column of the opcode map; its
// text is no operand and the register reader never accepts it.
// clang-format off
inline constexpr std::array<std::string_view, 12> AsmRegisterTable{{
    "A", "#@!", "@R0", "@R1", "R0", "R1", "R2", "R3", "R4", "R5", "R6", "R7",
}};
// clang-format on
inline constexpr std::size_t kAsmAccumulatorRow = 0;
inline constexpr std::size_t kAsmDirectColumnRow = 1;

// Indirect operands of MOVX; a row's index + 1 is the reader's result.
inline constexpr std::array<std::string_view, 3> AsmIndirectTable{{"@R0", "@R1", "@DPTR"}};

struct AsmSymbolRow {
    std::string_view name;
    std::uint8_t address;
};

// SP stands last, so that SPCR, SPDR and SPSR are found by their own rows.
// clang-format off
inline constexpr std::array<AsmSymbolRow, 35> AsmSfrTable{{
    {"ACC", 0xE0},   {"B", 0xF0},      {"DPH", 0x83},   {"DPL", 0x82},    {"DP0H", 0x83},
    {"DP0L", 0x82},  {"DP1H", 0x85},   {"DP1L", 0x84},  {"IE", 0xA8},     {"IP", 0xB8},
    {"P0", 0x80},    {"P1", 0x90},     {"P2", 0xA0},    {"P3", 0xB0},     {"PCON", 0x87},
    {"PSW", 0xD0},   {"SBUF", 0x99},   {"SCON", 0x98},  {"TCON", 0x88},   {"TMOD", 0x89},
    {"TH0", 0x8C},   {"TL0", 0x8A},    {"TH1", 0x8D},   {"TL1", 0x8B},    {"TH2", 0xCD},
    {"TL2", 0xCC},   {"RCAP2H", 0xCB}, {"RCAP2L", 0xCA}, {"T2CON", 0xC8}, {"T2MOD", 0xC9},
    {"SPCR", 0xD5},  {"SPDR", 0x86},   {"SPSR", 0xAA},  {"WMCON", 0x96},  {"SP", 0x81},
}};
// clang-format on

// Only the accumulator, B and the ports have dotted names; every other bit is
// written by its flag name or as two hex digits.
// clang-format off
inline constexpr std::array<AsmSymbolRow, 90> AsmBitTable{{
    {"ACC.0", 0xE0}, {"ACC.1", 0xE1}, {"ACC.2", 0xE2}, {"ACC.3", 0xE3},
    {"ACC.4", 0xE4}, {"ACC.5", 0xE5}, {"ACC.6", 0xE6}, {"ACC.7", 0xE7},
    {"B.0", 0xF0},   {"B.1", 0xF1},   {"B.2", 0xF2},   {"B.3", 0xF3},
    {"B.4", 0xF4},   {"B.5", 0xF5},   {"B.6", 0xF6},   {"B.7", 0xF7},
    {"EX0", 0xA8},   {"ET0", 0xA9},   {"EX1", 0xAA},   {"ET1", 0xAB},   {"ES", 0xAC},  {"EA", 0xAF},
    {"PX0", 0xB8},   {"PT0", 0xB9},   {"PX1", 0xBA},   {"PT1", 0xBB},   {"PS", 0xBC},
    {"P0.0", 0x80},  {"P0.1", 0x81},  {"P0.2", 0x82},  {"P0.3", 0x83},
    {"P0.4", 0x84},  {"P0.5", 0x85},  {"P0.6", 0x86},  {"P0.7", 0x87},
    {"P1.0", 0x90},  {"P1.1", 0x91},  {"P1.2", 0x92},  {"P1.3", 0x93},
    {"P1.4", 0x94},  {"P1.5", 0x95},  {"P1.6", 0x96},  {"P1.7", 0x97},
    {"P2.0", 0xA0},  {"P2.1", 0xA1},  {"P2.2", 0xA2},  {"P2.3", 0xA3},
    {"P2.4", 0xA4},  {"P2.5", 0xA5},  {"P2.6", 0xA6},  {"P2.7", 0xA7},
    {"P3.0", 0xB0},  {"P3.1", 0xB1},  {"P3.2", 0xB2},  {"P3.3", 0xB3},
    {"P3.4", 0xB4},  {"P3.5", 0xB5},  {"P3.6", 0xB6},  {"P3.7", 0xB7},
    {"P", 0xD0},     {"OV", 0xD2},    {"RS0", 0xD3},   {"RS1", 0xD4},
    {"F0", 0xD5},    {"AC", 0xD6},    {"CY", 0xD7},
    {"RI", 0x98},    {"TI", 0x99},    {"RB8", 0x9A},   {"TB8", 0x9B},
    {"REN", 0x9C},   {"SM2", 0x9D},   {"SM1", 0x9E},   {"SM0", 0x9F},
    {"IT0", 0x88},   {"IE0", 0x89},   {"IT1", 0x8A},   {"IE1", 0x8B},
    {"TR0", 0x8C},   {"TF0", 0x8D},   {"TR1", 0x8E},   {"TF1", 0x8F},
    {"CP/RL2", 0xC8}, {"C/T2", 0xC9}, {"TR2", 0xCA},   {"EXEN2", 0xCB},
    {"TCLK", 0xCC},  {"RCLK", 0xCD},  {"EXF2", 0xCE},  {"TF2", 0xCF},
}};
// clang-format on

}  // namespace zvk
