#pragma once
// The one-line 8051 assembler: one line of text to one instruction of one to
// three code bytes at a given address. Numbers are hexadecimal without prefix
// or suffix, names come from the assembler's own tables (mcs51/AsmTables.h),
// and there are no labels, expressions or directives. The assembler keeps one
// process-wide working record, so it is not re-entrant.

#include <array>
#include <cstdint>
#include <string_view>

namespace zvk {

enum AsmResult : std::uint8_t {
    AsmBlankLine = 0,
    AsmIllegalMnemonic = 1,
    AsmMissingOperand = 2,
    AsmImproperHexValue = 3,
    AsmExceeds2K = 4,
    AsmIllegalOperand = 5,
    AsmIllegalData = 6,
    AsmIllegalDataAddress = 7,
    AsmIllegalCodeAddress = 8,
    AsmRelativeTooLong = 9,
    AsmIllegalBitAddress = 10,
    AsmOk = 11,
};

// The message shown for each result (caption "Error"); empty for the two
// results that are no error.
inline constexpr std::array<std::string_view, 12> kAsmResultMessages{{
    "",
    "Illegal mnemonic",
    "Missing Operand",
    "Improper Hex value",
    "Exceeds 2K Memory",
    "Illegal Operand",
    "Illegal Data",
    "Illegal Data Address",
    "Illegal Code Address",
    "Relative jump too long",
    "Illegal Bit Address",
    "",
}};

[[nodiscard]] constexpr std::string_view AsmResultMessage(AsmResult result) {
    return result < kAsmResultMessages.size() ? kAsmResultMessages[result] : std::string_view{};
}

struct AsmOutput {
    AsmResult result;
    // Always the working record's code bytes and length. Only after AsmOk do
    // they hold this line's instruction; otherwise they hold what earlier lines
    // left, partly overwritten by the form that failed. Use the first length
    // bytes of code, and only after AsmOk.
    std::array<std::uint8_t, 3> code;
    std::uint8_t length;
};

// Assembles one line (letters in any case; text behind a NUL is ignored) for
// the code address.
[[nodiscard]] AsmOutput AssembleLine(std::string_view text, std::uint16_t address);

// True when the text has at least one character and every one is 0-9 or A-F.
[[nodiscard]] bool IsHexText(std::string_view text);

// Hexadecimal text to a 16-bit value: A-F count 10-15, 0-9 their value, any
// other character (a lower-case letter included) 0; the sum is reduced to 16
// bits, so only the last four digits count.
[[nodiscard]] std::uint16_t HexToNumber(std::string_view text);

}  // namespace zvk
