#pragma once
// The fixed 8051 vocabulary with which code is shown: the text and length of
// every opcode, the operand class that says what the disassembler appends to
// that text, the names of the special-function registers and of the
// addressable bits, and the keyword colours of the disassembly view. The
// assembler keeps its own, different name tables (mcs51/AsmTables.h).

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zvk {

// What follows the opcode text of an instruction, and so its length.
enum class OperandClass : std::uint8_t {
    None,               // nothing
    Absolute11,         // AJMP, ACALL: target inside the next instruction's 2 KB block
    Absolute16,         // LJMP, LCALL, MOV DPTR: two bytes, high first
    Immediate,          // #data
    Direct,             // direct address
    DirectRegister,     // direct address, then A or a register
    DirectImmediate,    // direct address, #data
    DirectDirect,       // MOV direct,direct: the destination is the third byte
    Bit,                // bit address
    BitCarry,           // MOV bit,C
    Relative,           // rel
    BitRelative,        // bit, rel
    ImmediateRelative,  // #data, rel
    DirectRelative,     // direct, rel
};

// Instruction length of each operand class, in the order of the enumeration.
// clang-format off
inline constexpr std::array<std::uint8_t, 14> kOperandClassLength{
    1, 2, 3, 2, 2, 2, 3, 3, 2, 2, 2, 3, 3, 3};
// clang-format on

[[nodiscard]] constexpr std::uint8_t OperandClassLength(OperandClass operandClass) {
    return kOperandClassLength[static_cast<std::size_t>(operandClass)];
}

// The mnemonic, padded to 7 columns, and the fixed part of the operands, up to
// where the disassembler appends the variable operand text.
// clang-format off
inline constexpr std::array<std::string_view, 256> OpcodeTable{{
    "NOP",  // 00
    "AJMP   ",  // 01
    "LJMP   ",  // 02
    "RR     A",  // 03
    "INC    A",  // 04
    "INC    ",  // 05
    "INC    @R0",  // 06
    "INC    @R1",  // 07
    "INC    R0",  // 08
    "INC    R1",  // 09
    "INC    R2",  // 0A
    "INC    R3",  // 0B
    "INC    R4",  // 0C
    "INC    R5",  // 0D
    "INC    R6",  // 0E
    "INC    R7",  // 0F
    "JBC    ",  // 10
    "ACALL  ",  // 11
    "LCALL  ",  // 12
    "RRC    A",  // 13
    "DEC    A",  // 14
    "DEC    ",  // 15
    "DEC    @R0",  // 16
    "DEC    @R1",  // 17
    "DEC    R0",  // 18
    "DEC    R1",  // 19
    "DEC    R2",  // 1A
    "DEC    R3",  // 1B
    "DEC    R4",  // 1C
    "DEC    R5",  // 1D
    "DEC    R6",  // 1E
    "DEC    R7",  // 1F
    "JB     ",  // 20
    "AJMP   ",  // 21
    "RET    ",  // 22
    "RL     A",  // 23
    "ADD    A,#",  // 24
    "ADD    A,",  // 25
    "ADD    A,@R0",  // 26
    "ADD    A,@R1",  // 27
    "ADD    A,R0",  // 28
    "ADD    A,R1",  // 29
    "ADD    A,R2",  // 2A
    "ADD    A,R3",  // 2B
    "ADD    A,R4",  // 2C
    "ADD    A,R5",  // 2D
    "ADD    A,R6",  // 2E
    "ADD    A,R7",  // 2F
    "JNB    ",  // 30
    "ACALL  ",  // 31
    "RETI   ",  // 32
    "RLC    A",  // 33
    "ADDC   A,#",  // 34
    "ADDC   A,",  // 35
    "ADDC   A,@R0",  // 36
    "ADDC   A,@R1",  // 37
    "ADDC   A,R0",  // 38
    "ADDC   A,R1",  // 39
    "ADDC   A,R2",  // 3A
    "ADDC   A,R3",  // 3B
    "ADDC   A,R4",  // 3C
    "ADDC   A,R5",  // 3D
    "ADDC   A,R6",  // 3E
    "ADDC   A,R7",  // 3F
    "JC     ",  // 40
    "AJMP   ",  // 41
    "ORL    ",  // 42
    "ORL    ",  // 43
    "ORL    A,#",  // 44
    "ORL    A,",  // 45
    "ORL    A,@R0",  // 46
    "ORL    A,@R1",  // 47
    "ORL    A,R0",  // 48
    "ORL    A,R1",  // 49
    "ORL    A,R2",  // 4A
    "ORL    A,R3",  // 4B
    "ORL    A,R4",  // 4C
    "ORL    A,R5",  // 4D
    "ORL    A,R6",  // 4E
    "ORL    A,R7",  // 4F
    "JNC    ",  // 50
    "ACALL  ",  // 51
    "ANL    ",  // 52
    "ANL    ",  // 53
    "ANL    A,#",  // 54
    "ANL    A,",  // 55
    "ANL    A,@R0",  // 56
    "ANL    A,@R1",  // 57
    "ANL    A,R0",  // 58
    "ANL    A,R1",  // 59
    "ANL    A,R2",  // 5A
    "ANL    A,R3",  // 5B
    "ANL    A,R4",  // 5C
    "ANL    A,R5",  // 5D
    "ANL    A,R6",  // 5E
    "ANL    A,R7",  // 5F
    "JZ     ",  // 60
    "AJMP   ",  // 61
    "XRL    ",  // 62
    "XRL    ",  // 63
    "XRL    A,#",  // 64
    "XRL    A,",  // 65
    "XRL    A,@R0",  // 66
    "XRL    A,@R1",  // 67
    "XRL    A,R0",  // 68
    "XRL    A,R1",  // 69
    "XRL    A,R2",  // 6A
    "XRL    A,R3",  // 6B
    "XRL    A,R4",  // 6C
    "XRL    A,R5",  // 6D
    "XRL    A,R6",  // 6E
    "XRL    A,R7",  // 6F
    "JNZ    ",  // 70
    "ACALL  ",  // 71
    "ORL    C,",  // 72
    "JMP    @A+DPTR",  // 73
    "MOV    A,#",  // 74
    "MOV    ",  // 75
    "MOV    @R0,#",  // 76
    "MOV    @R1,#",  // 77
    "MOV    R0,#",  // 78
    "MOV    R1,#",  // 79
    "MOV    R2,#",  // 7A
    "MOV    R3,#",  // 7B
    "MOV    R4,#",  // 7C
    "MOV    R5,#",  // 7D
    "MOV    R6,#",  // 7E
    "MOV    R7,#",  // 7F
    "SJMP   ",  // 80
    "AJMP   ",  // 81
    "ANL    C,",  // 82
    "MOVC   A,@A+PC",  // 83
    "DIV    AB",  // 84
    "MOV    ",  // 85
    "MOV    ",  // 86
    "MOV    ",  // 87
    "MOV    ",  // 88
    "MOV    ",  // 89
    "MOV    ",  // 8A
    "MOV    ",  // 8B
    "MOV    ",  // 8C
    "MOV    ",  // 8D
    "MOV    ",  // 8E
    "MOV    ",  // 8F
    "MOV    DPTR,#",  // 90
    "ACALL  ",  // 91
    "MOV    ",  // 92
    "MOVC   A,@A+DPTR",  // 93
    "SUBB   A,#",  // 94
    "SUBB   A,",  // 95
    "SUBB   A,@R0",  // 96
    "SUBB   A,@R1",  // 97
    "SUBB   A,R0",  // 98
    "SUBB   A,R1",  // 99
    "SUBB   A,R2",  // 9A
    "SUBB   A,R3",  // 9B
    "SUBB   A,R4",  // 9C
    "SUBB   A,R5",  // 9D
    "SUBB   A,R6",  // 9E
    "SUBB   A,R7",  // 9F
    "ORL    C,/",  // A0
    "AJMP   ",  // A1
    "MOV    C,",  // A2
    "INC    DPTR",  // A3
    "MUL    AB",  // A4
    "RESERVED",  // A5
    "MOV    @R0,",  // A6
    "MOV    @R1,",  // A7
    "MOV    R0,",  // A8
    "MOV    R1,",  // A9
    "MOV    R2,",  // AA
    "MOV    R3,",  // AB
    "MOV    R4,",  // AC
    "MOV    R5,",  // AD
    "MOV    R6,",  // AE
    "MOV    R7,",  // AF
    "ANL    C,/",  // B0
    "ACALL  ",  // B1
    "CPL    ",  // B2
    "CPL    C",  // B3
    "CJNE   A,#",  // B4
    "CJNE   A,",  // B5
    "CJNE   @R0,#",  // B6
    "CJNE   @R1,#",  // B7
    "CJNE   R0,#",  // B8
    "CJNE   R1,#",  // B9
    "CJNE   R2,#",  // BA
    "CJNE   R3,#",  // BB
    "CJNE   R4,#",  // BC
    "CJNE   R5,#",  // BD
    "CJNE   R6,#",  // BE
    "CJNE   R7,#",  // BF
    "PUSH   ",  // C0
    "AJMP   ",  // C1
    "CLR    ",  // C2
    "CLR    C",  // C3
    "SWAP   A",  // C4
    "XCH    A,",  // C5
    "XCH    A,@R0",  // C6
    "XCH    A,@R1",  // C7
    "XCH    A,R0",  // C8
    "XCH    A,R1",  // C9
    "XCH    A,R2",  // CA
    "XCH    A,R3",  // CB
    "XCH    A,R4",  // CC
    "XCH    A,R5",  // CD
    "XCH    A,R6",  // CE
    "XCH    A,R7",  // CF
    "POP    ",  // D0
    "ACALL  ",  // D1
    "SETB   ",  // D2
    "SETB   C",  // D3
    "DA     A",  // D4
    "DJNZ   ",  // D5
    "XCHD   A,@R0",  // D6
    "XCHD   A,@R1",  // D7
    "DJNZ   R0,",  // D8
    "DJNZ   R1,",  // D9
    "DJNZ   R2,",  // DA
    "DJNZ   R3,",  // DB
    "DJNZ   R4,",  // DC
    "DJNZ   R5,",  // DD
    "DJNZ   R6,",  // DE
    "DJNZ   R7,",  // DF
    "MOVX   A,@DPTR",  // E0
    "AJMP   ",  // E1
    "MOVX   A,@R0",  // E2
    "MOVX   A,@R1",  // E3
    "CLR    A",  // E4
    "MOV    A,",  // E5
    "MOV    A,@R0",  // E6
    "MOV    A,@R1",  // E7
    "MOV    A,R0",  // E8
    "MOV    A,R1",  // E9
    "MOV    A,R2",  // EA
    "MOV    A,R3",  // EB
    "MOV    A,R4",  // EC
    "MOV    A,R5",  // ED
    "MOV    A,R6",  // EE
    "MOV    A,R7",  // EF
    "MOVX   @DPTR,A",  // F0
    "ACALL  ",  // F1
    "MOVX   @R0,A",  // F2
    "MOVX   @R1,A",  // F3
    "CPL    A",  // F4
    "MOV    ",  // F5
    "MOV    @R0,A",  // F6
    "MOV    @R1,A",  // F7
    "MOV    R0,A",  // F8
    "MOV    R1,A",  // F9
    "MOV    R2,A",  // FA
    "MOV    R3,A",  // FB
    "MOV    R4,A",  // FC
    "MOV    R5,A",  // FD
    "MOV    R6,A",  // FE
    "MOV    R7,A",  // FF
}};
// clang-format on

// Length in bytes of the instruction each opcode starts; 0xA5 counts as one.
// clang-format off
inline constexpr std::array<std::uint8_t, 256> InstructionLength{{
    1, 2, 3, 1, 1, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 00
    3, 2, 3, 1, 1, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 10
    3, 2, 1, 1, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 20
    3, 2, 1, 1, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 30
    2, 2, 2, 3, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 40
    2, 2, 2, 3, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 50
    2, 2, 2, 3, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 60
    2, 2, 2, 1, 2, 3, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2,  // 70
    2, 2, 2, 1, 1, 3, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2,  // 80
    3, 2, 2, 1, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 90
    2, 2, 2, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2,  // A0
    2, 2, 2, 1, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3,  // B0
    2, 2, 2, 1, 1, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // C0
    2, 2, 2, 1, 1, 3, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2,  // D0
    1, 2, 1, 1, 1, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // E0
    1, 2, 1, 1, 1, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // F0
}};
// clang-format on

namespace operand_class_short {
inline constexpr OperandClass Non = OperandClass::None;
inline constexpr OperandClass A11 = OperandClass::Absolute11;
inline constexpr OperandClass A16 = OperandClass::Absolute16;
inline constexpr OperandClass Imm = OperandClass::Immediate;
inline constexpr OperandClass Dir = OperandClass::Direct;
inline constexpr OperandClass DRg = OperandClass::DirectRegister;
inline constexpr OperandClass DIm = OperandClass::DirectImmediate;
inline constexpr OperandClass DDi = OperandClass::DirectDirect;
inline constexpr OperandClass Bit = OperandClass::Bit;
inline constexpr OperandClass BtC = OperandClass::BitCarry;
inline constexpr OperandClass Rel = OperandClass::Relative;
inline constexpr OperandClass BRl = OperandClass::BitRelative;
inline constexpr OperandClass IRl = OperandClass::ImmediateRelative;
inline constexpr OperandClass DRl = OperandClass::DirectRelative;
}  // namespace operand_class_short

// The operand class of each opcode, laid out as the 8051 opcode map (row: high
// nibble, column: low nibble).
// clang-format off
inline constexpr std::array<OperandClass, 256> OpcodeOperandClass = [] {
    using namespace operand_class_short;
    return std::array<OperandClass, 256>{{
        Non, A11, A16, Non, Non, Dir, Non, Non, Non, Non, Non, Non, Non, Non, Non, Non,  // 00
        BRl, A11, A16, Non, Non, Dir, Non, Non, Non, Non, Non, Non, Non, Non, Non, Non,  // 10
        BRl, A11, Non, Non, Imm, Dir, Non, Non, Non, Non, Non, Non, Non, Non, Non, Non,  // 20
        BRl, A11, Non, Non, Imm, Dir, Non, Non, Non, Non, Non, Non, Non, Non, Non, Non,  // 30
        Rel, A11, DRg, DIm, Imm, Dir, Non, Non, Non, Non, Non, Non, Non, Non, Non, Non,  // 40
        Rel, A11, DRg, DIm, Imm, Dir, Non, Non, Non, Non, Non, Non, Non, Non, Non, Non,  // 50
        Rel, A11, DRg, DIm, Imm, Dir, Non, Non, Non, Non, Non, Non, Non, Non, Non, Non,  // 60
        Rel, A11, Bit, Non, Imm, DIm, Imm, Imm, Imm, Imm, Imm, Imm, Imm, Imm, Imm, Imm,  // 70
        Rel, A11, Bit, Non, Non, DDi, DRg, DRg, DRg, DRg, DRg, DRg, DRg, DRg, DRg, DRg,  // 80
        A16, A11, BtC, Non, Imm, Dir, Non, Non, Non, Non, Non, Non, Non, Non, Non, Non,  // 90
        Bit, A11, Bit, Non, Non, Non, Dir, Dir, Dir, Dir, Dir, Dir, Dir, Dir, Dir, Dir,  // A0
        Bit, A11, Bit, Non, IRl, DRl, IRl, IRl, IRl, IRl, IRl, IRl, IRl, IRl, IRl, IRl,  // B0
        Dir, A11, Bit, Non, Non, Dir, Non, Non, Non, Non, Non, Non, Non, Non, Non, Non,  // C0
        Dir, A11, Bit, Non, Non, DRl, Non, Non, Rel, Rel, Rel, Rel, Rel, Rel, Rel, Rel,  // D0
        Non, A11, Non, Non, Non, Dir, Non, Non, Non, Non, Non, Non, Non, Non, Non, Non,  // E0
        Non, A11, Non, Non, Non, DRg, Non, Non, Non, Non, Non, Non, Non, Non, Non, Non,  // F0
    }};
}();
// clang-format on

struct SfrRow {
    std::uint8_t address;
    std::string_view name;
};

// Names of the special-function registers by direct address, the same for
// every part (a part without Timer 2 or SPI still shows those names).
// clang-format off
inline constexpr std::array<SfrRow, 33> SfrNameTable{{
    {0x80, "P0"},     {0x81, "SP"},     {0x82, "DPL"},    {0x83, "DPH"},   {0x84, "DP1L"},
    {0x85, "DP1H"},   {0x86, "SPDR"},   {0x87, "PCON"},   {0x88, "TCON"},  {0x89, "TMOD"},
    {0x8A, "TL0"},    {0x8B, "TL1"},    {0x8C, "TH0"},    {0x8D, "TH1"},   {0x90, "P1"},
    {0x96, "WMCON"},  {0x98, "SCON"},   {0x99, "SBUF"},   {0xA0, "P2"},    {0xA8, "IE"},
    {0xAA, "SPSR"},   {0xB0, "P3"},     {0xB8, "IP"},     {0xC8, "T2CON"}, {0xC9, "T2MOD"},
    {0xCA, "RCAP2L"}, {0xCB, "RCAP2H"}, {0xCC, "TL2"},    {0xCD, "TH2"},   {0xD0, "PSW"},
    {0xD5, "SPCR"},   {0xE0, "ACC"},    {0xF0, "B"},
}};
// clang-format on

struct BitRow {
    std::uint8_t bitAddress;
    std::string_view name;
};

// Names of the addressable bits by bit address. The bit-addressable RAM
// (00-7F) and the unused bits of the SFRs have none.
// clang-format off
inline constexpr std::array<BitRow, 90> BitNameTable{{
    {0x80, "P0.0"}, {0x81, "P0.1"}, {0x82, "P0.2"}, {0x83, "P0.3"},
    {0x84, "P0.4"}, {0x85, "P0.5"}, {0x86, "P0.6"}, {0x87, "P0.7"},
    {0x88, "IT0"},  {0x89, "IE0"},  {0x8A, "IT1"},  {0x8B, "IE1"},
    {0x8C, "TR0"},  {0x8D, "TF0"},  {0x8E, "TR1"},  {0x8F, "TF1"},
    {0x90, "P1.0"}, {0x91, "P1.1"}, {0x92, "P1.2"}, {0x93, "P1.3"},
    {0x94, "P1.4"}, {0x95, "P1.5"}, {0x96, "P1.6"}, {0x97, "P1.7"},
    {0x98, "RI"},   {0x99, "TI"},   {0x9A, "RB8"},  {0x9B, "TB8"},
    {0x9C, "REN"},  {0x9D, "SM2"},  {0x9E, "SM1"},  {0x9F, "SM0"},
    {0xA0, "P2.0"}, {0xA1, "P2.1"}, {0xA2, "P2.2"}, {0xA3, "P2.3"},
    {0xA4, "P2.4"}, {0xA5, "P2.5"}, {0xA6, "P2.6"}, {0xA7, "P2.7"},
    {0xA8, "EX0"},  {0xA9, "ET0"},  {0xAA, "EX1"},  {0xAB, "ET1"},
    {0xAC, "ES"},   {0xAF, "EA"},
    {0xB0, "P3.0"}, {0xB1, "P3.1"}, {0xB2, "P3.2"}, {0xB3, "P3.3"},
    {0xB4, "P3.4"}, {0xB5, "P3.5"}, {0xB6, "P3.6"}, {0xB7, "P3.7"},
    {0xB8, "PX0"},  {0xB9, "PT0"},  {0xBA, "PX1"},  {0xBB, "PT1"},
    {0xBC, "PS"},
    {0xC8, "CP/RL2"}, {0xC9, "C/T2"}, {0xCA, "TR2"},  {0xCB, "EXEN2"},
    {0xCC, "TCLK"},   {0xCD, "RCLK"}, {0xCE, "EXF2"}, {0xCF, "TF2"},
    {0xD0, "P"},    {0xD2, "OV"},   {0xD3, "RS0"},  {0xD4, "RS1"},
    {0xD5, "F0"},   {0xD6, "AC"},   {0xD7, "CY"},
    {0xE0, "ACC.0"}, {0xE1, "ACC.1"}, {0xE2, "ACC.2"}, {0xE3, "ACC.3"},
    {0xE4, "ACC.4"}, {0xE5, "ACC.5"}, {0xE6, "ACC.6"}, {0xE7, "ACC.7"},
    {0xF0, "B.0"},  {0xF1, "B.1"},  {0xF2, "B.2"},  {0xF3, "B.3"},
    {0xF4, "B.4"},  {0xF5, "B.5"},  {0xF6, "B.6"},  {0xF7, "B.7"},
}};
// clang-format on

// The register written behind a direct address (opcodes 42, 52, 62, F5 and
// 86-8F), by the opcode's low nibble; empty where no opcode uses the nibble.
// clang-format off
inline constexpr std::array<std::string_view, 16> RegisterOperandName{{
    "", "", "A", "", "", "A", "@R0", "@R1", "R0", "R1", "R2", "R3", "R4", "R5", "R6", "R7",
}};
// clang-format on

struct Colour {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
    constexpr bool operator==(const Colour&) const = default;
};

inline constexpr Colour kKeywordBlue{0, 0, 255};       // mnemonics and fixed operand words
inline constexpr Colour kSfrRed{255, 0, 0};            // SFR names
inline constexpr Colour kBitMagenta{255, 0, 255};      // bit names
inline constexpr Colour kDirectiveBrown{139, 69, 19};  // assembler directives
inline constexpr Colour kPlainBlack{0, 0, 0};          // everything else

struct KeywordRow {
    std::string_view word;
    Colour colour;
};

// The words the disassembly view colours, searched in this order.
// clang-format off
inline constexpr std::array<KeywordRow, 205> KeywordColourTable = [] {
    constexpr Colour I = kKeywordBlue;
    constexpr Colour S = kSfrRed;
    constexpr Colour T = kBitMagenta;
    constexpr Colour D = kDirectiveBrown;
    return std::array<KeywordRow, 205>{{
        {"ACALL", I}, {"ADD", I}, {"ADDC", I}, {"AJMP", I}, {"ANL", I}, {"CJNE", I},
        {"CLR", I}, {"CPL", I}, {"DA", I}, {"DEC", I}, {"DIV", I}, {"DJNZ", I}, {"INC", I},
        {"JB", I}, {"JBC", I}, {"JC", I}, {"JMP", I}, {"JNB", I}, {"JNC", I}, {"JZ", I},
        {"JNZ", I}, {"LCALL", I}, {"LJMP", I}, {"MOV", I}, {"MOVC", I}, {"MOVX", I},
        {"MUL", I}, {"NOP", I}, {"ORL", I}, {"POP", I}, {"PUSH", I}, {"RET", I}, {"RETI", I},
        {"RL", I}, {"RLC", I}, {"RR", I}, {"RRC", I}, {"SETB", I}, {"SJMP", I}, {"SUBB", I},
        {"SWAP", I}, {"XCH", I}, {"XCHD", I}, {"XRL", I}, {"A", I}, {"C", I}, {"DPTR", I},
        {"@A+DPTR", I}, {"@A+PC", I}, {"R0", I}, {"R1", I}, {"R2", I}, {"R3", I}, {"R4", I},
        {"R5", I}, {"R6", I}, {"R7", I}, {"@R0", I}, {"@R1", I}, {"@DPTR", I},

        {"ACC", S}, {"B", S}, {"DP1H", S}, {"DP1L", S}, {"DPH", S}, {"DPL", S}, {"IE", S},
        {"IP", S}, {"P0", S}, {"P1", S}, {"P2", S}, {"P3", S}, {"PCON", S}, {"PSW", S},
        {"RCAP2H", S}, {"RCAP2L", S}, {"SBUF", S}, {"SCON", S}, {"SP", S}, {"SPCR", S},
        {"SPDR", S}, {"SPSR", S}, {"T2CON", S}, {"T2MOD", S}, {"TCON", S}, {"TH0", S},
        {"TH1", S}, {"TH2", S}, {"TL0", S}, {"TL1", S}, {"TL2", S}, {"TMOD", S}, {"WMCON", S},

        {"AC", T}, {"ACC.0", T}, {"ACC.1", T}, {"ACC.2", T}, {"ACC.3", T}, {"ACC.4", T},
        {"ACC.5", T}, {"ACC.6", T}, {"ACC.7", T}, {"B.0", T}, {"B.1", T}, {"B.2", T},
        {"B.3", T}, {"B.4", T}, {"B.5", T}, {"B.6", T}, {"B.7", T}, {"C/T2", T},
        {"CP/RL2", T}, {"CY", T}, {"EA", T}, {"ES", T}, {"ET0", T}, {"ET1", T}, {"EX0", T},
        {"EX1", T}, {"EXEN2", T}, {"EXF2", T}, {"F0", T}, {"IE0", T}, {"IE1", T}, {"IT0", T},
        {"IT1", T}, {"OV", T}, {"P", T}, {"P0.0", T}, {"P0.1", T}, {"P0.2", T}, {"P0.3", T},
        {"P0.4", T}, {"P0.5", T}, {"P0.6", T}, {"P0.7", T}, {"P1.0", T}, {"P1.1", T},
        {"P1.2", T}, {"P1.3", T}, {"P1.4", T}, {"P1.5", T}, {"P1.6", T}, {"P1.7", T},
        {"P2.0", T}, {"P2.1", T}, {"P2.2", T}, {"P2.3", T}, {"P2.4", T}, {"P2.5", T},
        {"P2.6", T}, {"P2.7", T}, {"P3.0", T}, {"P3.1", T}, {"P3.2", T}, {"P3.3", T},
        {"P3.4", T}, {"P3.5", T}, {"P3.6", T}, {"P3.7", T}, {"PS", T}, {"PT0", T},
        {"PT1", T}, {"PX0", T}, {"PX1", T}, {"RB8", T}, {"RCLK", T}, {"REN", T}, {"RI", T},
        {"RS0", T}, {"RS1", T}, {"SM0", T}, {"SM1", T}, {"SM2", T}, {"TB8", T}, {"TCLK", T},
        {"TF0", T}, {"TF1", T}, {"TF2", T}, {"TI", T}, {"TR0", T}, {"TR1", T}, {"TR2", T},

        {"EQU", D}, {"BIT", D}, {"SET", D}, {"CODE", D}, {"DATA", D}, {"IDATA", D},
        {"XDATA", D}, {"CSEG", D}, {"BSEG", D}, {"DSEG", D}, {"ISEG", D}, {"XSEG", D},
        {"DS", D}, {"DBIT", D}, {"DB", D}, {"DW", D}, {"ORG", D}, {"USING", D}, {"END", D},
        {"IF", D}, {"ELSE", D}, {"ENDIF", D},
    }};
}();
// clang-format on

// Two or four upper-case hex digits with no prefix or suffix: how the code
// tools write every number.
[[nodiscard]] std::string HexByteText(std::uint8_t value);
[[nodiscard]] std::string HexWordText(std::uint16_t value);

// The SFR name of a direct address, or its value as two upper-case hex digits.
[[nodiscard]] std::string SfrName(std::uint8_t address);

// The name of a bit address, or its value as two upper-case hex digits.
[[nodiscard]] std::string BitName(std::uint8_t bitAddress);

// The colour of a word of a disassembly line: the first row whose word equals
// it in any letter case, else black (the empty word included).
[[nodiscard]] Colour KeywordColour(std::string_view word);

}  // namespace zvk
