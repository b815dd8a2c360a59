#pragma once
// Turns one 8051 instruction into one line of text in fixed columns: two
// blanks, the address (columns 2-5), the code bytes (from column 15) and the
// instruction text (from column 27), all upper case. It reads no memory: the
// caller passes the address and the three bytes found there.

#include <cstddef>
#include <cstdint>
#include <string>

namespace zvk {

inline constexpr std::size_t kDisassemblyBytesColumn = 15;
inline constexpr std::size_t kDisassemblyTextColumn = 27;
// The text is padded to this width, and then this many blanks follow, so a
// line is never shorter than their sum.
inline constexpr std::size_t kDisassemblyPaddedWidth = 39;
inline constexpr std::size_t kDisassemblyTrailingBlanks = 18;

struct DisassemblyLine {
    std::string text;           // the whole line, at least 57 characters
    std::uint32_t nextAddress;  // address + length; 0x10000 or more past the top of memory
    std::uint8_t length;        // 1 to 3
};

// Disassembles the instruction at the low 16 bits of address whose bytes are
// opcode, b2 and b3; bytes the instruction does not use are ignored.
[[nodiscard]] DisassemblyLine DisassembleInstruction(std::uint32_t address, std::uint8_t opcode,
                                                     std::uint8_t b2, std::uint8_t b3);

}  // namespace zvk
