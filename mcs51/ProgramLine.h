#pragma once
// Writing 8051 code into the Flash buffer one line at a time: the text a line
// dialog offers for the instruction stored at an address, and what to do with
// the line the user gives back, both when an instruction is replaced in place
// (it may shrink, the rest becoming NOPs, but never grow, so the code behind
// it never moves) and when lines are entered one behind the other.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace zvk {

// The longest program line the line dialog takes.
inline constexpr int kProgramLineMaxLength = 99;

inline constexpr std::string_view kLongerInstructionMessage =
    "1/2 byte instruction cannot be changed to 3 byte instruction";
inline constexpr std::string_view kNopAddedMessage = "NOP instruction(s) is added";
inline constexpr std::string_view kInvalidAddressMessage = "Invalid Address";
inline constexpr std::string_view kAddressRangeMessage = "Address Exceeds Maximum Range.";

// The instruction stored at address in the Flash buffer as the disassembler
// writes it from its mnemonic column on, without the trailing blanks.
[[nodiscard]] std::string InstructionText(std::uint16_t address);

// The length of the instruction stored at address in the Flash buffer.
[[nodiscard]] std::uint8_t StoredInstructionLength(std::uint16_t address);

enum class LineOutcome : std::uint8_t {
    Blank,       // no instruction given: the stored code stays
    Unchanged,   // the offered line given back as it was: the stored code stays
    AsmError,    // the assembler refused the line; message says why
    Longer,      // in place only: the new instruction needs more bytes
    DoesNotFit,  // entry only: the instruction would run past the last Flash address
    Store,       // store count bytes of code
};

struct LinePlan {
    LineOutcome outcome = LineOutcome::Blank;
    std::string_view message;            // for AsmError
    std::array<std::uint8_t, 3> code{};  // the bytes to store (NOPs behind a shorter one)
    std::uint8_t count = 0;              // how many of them
    bool nopsAdded = false;              // in place: a shorter instruction was padded
};

// Both plans take the line offered for an address (InstructionText) given
// back unchanged as "keep what is stored": some stored code disassembles to a
// text that reads back as other code (bit EA prints as "EA", the flag EA's
// name; direct address AC as "AC", the accumulator and the carry), so storing
// it again could rewrite what the user never touched.

// Replacing the instruction of oldLength bytes at address with the line.
[[nodiscard]] LinePlan PlanInstructionEdit(std::string_view line, std::uint16_t address,
                                           std::uint8_t oldLength);

// Entering the line at address, for a buffer that ends at lastAddress.
[[nodiscard]] LinePlan PlanProgramLine(std::string_view line, std::uint16_t address,
                                       std::uint16_t lastAddress);

}  // namespace zvk
