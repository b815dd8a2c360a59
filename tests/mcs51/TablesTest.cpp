#include <gtest/gtest.h>

#include <set>
#include <string>

#include "mcs51/AsmTables.h"
#include "mcs51/Tables.h"

namespace zvk {
namespace {

TEST(OpcodeTables, EveryOpcodesClassAgreesWithItsLength) {
    for (int opcode = 0; opcode < 256; ++opcode) {
        EXPECT_EQ(OperandClassLength(OpcodeOperandClass[opcode]), InstructionLength[opcode])
            << "opcode " << std::hex << opcode;
    }
}

TEST(OpcodeTables, TextsAreUpperCaseAndPaddedMnemonics) {
    for (int opcode = 0; opcode < 256; ++opcode) {
        const std::string_view text = OpcodeTable[opcode];
        SCOPED_TRACE(std::string(text));
        ASSERT_LT(text.size(), 30u) << "the text must fit its 30-byte field";
        for (const char c : text) EXPECT_FALSE(c >= 'a' && c <= 'z');
        if (opcode == 0x00 || opcode == 0xA5) continue;
        ASSERT_GE(text.size(), 7u);
        EXPECT_EQ(text[6], ' ') << "mnemonics are padded to 7 columns";
    }
    EXPECT_EQ(OpcodeTable[0x00], "NOP");
    EXPECT_EQ(OpcodeTable[0xA5], "RESERVED");
    EXPECT_EQ(InstructionLength[0xA5], 1);
    EXPECT_EQ(OpcodeTable[0x22], "RET    ");
}

// A std::array with fewer initialisers than its size is silently filled with
// empty rows; every table must be full.
TEST(OpcodeTables, EveryRowIsFilled) {
    for (const auto& text : OpcodeTable) EXPECT_FALSE(text.empty());
    for (const auto& row : SfrNameTable) EXPECT_FALSE(row.name.empty());
    for (const auto& row : BitNameTable) EXPECT_FALSE(row.name.empty());
    for (const auto& row : KeywordColourTable) EXPECT_FALSE(row.word.empty());
    for (const auto& row : AsmMnemonicTable) EXPECT_FALSE(row.name.empty());
    for (const auto& row : AsmSfrTable) EXPECT_FALSE(row.name.empty());
    for (const auto& row : AsmBitTable) EXPECT_FALSE(row.name.empty());
    for (const auto& length : InstructionLength) EXPECT_TRUE(length >= 1 && length <= 3);
}

TEST(SymbolNames, NamedAndUnnamedAddresses) {
    const struct {
        std::uint8_t address;
        const char* sfr;
        const char* bit;
    } cases[] = {
        {0x82, "DPL", "P0.2"},  {0x84, "DP1L", "P0.4"},    {0x8E, "8E", "TR1"}, {0xA9, "A9", "ET0"},
        {0xD8, "D8", "D8"},     {0xD1, "D1", "D1"},        {0xAD, "AD", "AD"},  {0xBD, "BD", "BD"},
        {0xD7, "D7", "CY"},     {0x30, "30", "30"},        {0x9A, "9A", "RB8"}, {0xF0, "B", "B.0"},
        {0xE0, "ACC", "ACC.0"}, {0xC8, "T2CON", "CP/RL2"}, {0xFF, "FF", "FF"},  {0x00, "00", "00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SfrName(c.address), c.sfr);
        EXPECT_EQ(BitName(c.address), c.bit);
    }
}

TEST(KeywordColours, CaseInsensitiveWordsAndBlackRest) {
    EXPECT_EQ(KeywordColour("mov"), kKeywordBlue);
    EXPECT_EQ(KeywordColour("Mov"), kKeywordBlue);
    EXPECT_EQ(KeywordColour("@a+dptr"), kKeywordBlue);
    EXPECT_EQ(KeywordColour("TH2"), kSfrRed);
    EXPECT_EQ(KeywordColour("cp/rl2"), kBitMagenta);
    EXPECT_EQ(KeywordColour("ENDIF"), kDirectiveBrown);
    for (const char* word : {"#3F", "0030", "7FH", "", "MOVE", "R8", "ACC.8"}) {
        EXPECT_EQ(KeywordColour(word), kPlainBlack) << word;
    }
}

// The view colours every word the disassembler writes: each name must be in
// the keyword table, in its group's colour, and no keyword may appear twice
// (the search order would then decide).
TEST(KeywordColours, CoverTheDisassemblersNamesOnce) {
    std::set<std::string> seen;
    for (const auto& row : KeywordColourTable) {
        EXPECT_TRUE(seen.insert(std::string(row.word)).second) << row.word << " twice";
    }
    for (const auto& row : SfrNameTable) EXPECT_EQ(KeywordColour(row.name), kSfrRed) << row.name;
    for (const auto& row : BitNameTable)
        EXPECT_EQ(KeywordColour(row.name), kBitMagenta) << row.name;
    for (const auto& row : AsmMnemonicTable)
        EXPECT_EQ(KeywordColour(row.name), kKeywordBlue) << row.name;
    for (int opcode = 0; opcode < 256; ++opcode) {
        const std::string_view text = OpcodeTable[opcode];
        if (opcode == 0xA5) continue;
        const std::string mnemonic(text.substr(0, text.find(' ')));
        EXPECT_EQ(KeywordColour(mnemonic), kKeywordBlue) << mnemonic;
    }
}

// Prefix matching takes the first row that matches, so no row may begin with
// an earlier row's full text unless the reader looks behind the match.
TEST(AssemblerTables, LongerWordsStandBeforeTheirPrefixes) {
    for (std::size_t i = 0; i < AsmMnemonicTable.size(); ++i) {
        for (std::size_t j = i + 1; j < AsmMnemonicTable.size(); ++j) {
            EXPECT_FALSE(AsmMnemonicTable[j].name.starts_with(AsmMnemonicTable[i].name))
                << AsmMnemonicTable[j].name << " is hidden by " << AsmMnemonicTable[i].name;
        }
    }
    for (std::size_t i = 0; i < AsmSfrTable.size(); ++i) {
        for (std::size_t j = i + 1; j < AsmSfrTable.size(); ++j) {
            EXPECT_FALSE(AsmSfrTable[j].name.starts_with(AsmSfrTable[i].name))
                << AsmSfrTable[j].name << " is hidden by " << AsmSfrTable[i].name;
        }
    }
    for (std::size_t i = 0; i < AsmBitTable.size(); ++i) {
        for (std::size_t j = i + 1; j < AsmBitTable.size(); ++j) {
            EXPECT_FALSE(AsmBitTable[j].name.starts_with(AsmBitTable[i].name))
                << AsmBitTable[j].name << " is hidden by " << AsmBitTable[i].name;
        }
    }
}

}  // namespace
}  // namespace zvk
