// Checks the disassembler against an independent assembler: every opcode but
// A5, with operand bytes that reach every operand class, names and numbers,
// is disassembled, translated into as31's syntax (numbers with an H suffix,
// targets as absolute addresses) and assembled by as31; its bytes must be the
// original ones. as31 must be installed (scripts/setup); the test fails
// without it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "mcs51/Assembler.h"
#include "mcs51/Disassembler.h"
#include "mcs51/Tables.h"
#include "tests/support/TempDir.h"

namespace zvk {
namespace {

namespace fs = std::filesystem;

std::optional<fs::path> FindOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) return std::nullopt;
    std::stringstream directories(path);
    std::string directory;
    while (std::getline(directories, directory, ':')) {
        const fs::path candidate = fs::path(directory.empty() ? "." : directory) / program;
        std::error_code error;
        if (fs::is_regular_file(candidate, error)) return candidate;
    }
    return std::nullopt;
}

// Our names that as31 does not know; they are handed over as numbers.
bool As31LacksName(std::string_view name) {
    static constexpr std::string_view kLacking[] = {"DP1L",  "DP1H", "SPDR",   "WMCON", "SPSR",
                                                    "T2MOD", "SPCR", "CP/RL2", "C/T2"};
    return std::find(std::begin(kLacking), std::end(kLacking), name) != std::end(kLacking);
}

std::string As31Number(std::string_view hexDigits) { return "0" + std::string(hexDigits) + "H"; }

// What each comma-separated piece of the text the disassembler appends is.
enum class Kind { Number, Direct, Bit, Fixed };

std::string TranslateDirect(const std::string& token) {
    if (token.size() == 2 && IsHexText(token)) return As31Number(token);
    if (!As31LacksName(token)) return token;
    for (const auto& row : SfrNameTable) {
        if (row.name == token) return As31Number(HexByteText(row.address));
    }
    return token;
}

std::string TranslateBit(const std::string& token) {
    for (const auto& row : BitNameTable) {
        if (row.name == token)
            return As31LacksName(token) ? As31Number(HexByteText(row.bitAddress)) : token;
    }
    return As31Number(token);
}

// The pieces of the text the disassembler appends behind the opcode text, by class.
std::vector<Kind> AppendedOperands(OperandClass operandClass) {
    switch (operandClass) {
        case OperandClass::None:
            return {};
        case OperandClass::Absolute11:
        case OperandClass::Absolute16:
        case OperandClass::Immediate:
        case OperandClass::Relative:
            return {Kind::Number};
        case OperandClass::Direct:
            return {Kind::Direct};
        case OperandClass::DirectRegister:
            return {Kind::Direct, Kind::Fixed};
        case OperandClass::DirectImmediate:
        case OperandClass::DirectRelative:
            return {Kind::Direct, Kind::Number};
        case OperandClass::DirectDirect:
            return {Kind::Direct, Kind::Direct};
        case OperandClass::Bit:
            return {Kind::Bit};
        case OperandClass::BitCarry:
            return {Kind::Bit, Kind::Fixed};
        case OperandClass::BitRelative:
            return {Kind::Bit, Kind::Number};
        case OperandClass::ImmediateRelative:
            return {Kind::Number, Kind::Number};
    }
    return {};
}

// "MOV    30,DPL" to "MOV 030H,DPL": the opcode text stays as it is (with
// its blanks closed up), the appended operands are translated piece by piece.
std::string ToAs31(const std::string& instructionText, std::uint8_t opcode) {
    const std::string_view fixedText = OpcodeTable[opcode];
    std::string result(fixedText.substr(0, fixedText.find(' ')));
    if (fixedText.size() > 7) result += " " + std::string(fixedText.substr(7));
    if (fixedText.size() == 7) result += " ";
    // Trailing blanks are trimmed, so RET's text is shorter than its opcode text.
    std::stringstream pieces(instructionText.size() > fixedText.size()
                                 ? instructionText.substr(fixedText.size())
                                 : std::string());
    std::string piece;
    std::string separator;
    for (const Kind kind : AppendedOperands(OpcodeOperandClass[opcode])) {
        std::getline(pieces, piece, ',');
        std::string prefix;
        if (piece.starts_with("#")) {
            prefix = "#";
            piece.erase(0, 1);
        }
        result += separator + prefix;
        switch (kind) {
            case Kind::Number:
                result += As31Number(piece);
                break;
            case Kind::Direct:
                result += TranslateDirect(piece);
                break;
            case Kind::Bit:
                result += TranslateBit(piece);
                break;
            case Kind::Fixed:
                result += piece;
                break;
        }
        separator = ",";
    }
    return result;
}

// Reads the data records of an Intel HEX text, checking every checksum.
bool ReadIntelHex(const std::string& text, std::map<std::uint32_t, std::uint8_t>& image,
                  std::string& error) {
    std::stringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (line.empty()) continue;
        if (line[0] != ':' || line.size() < 11 || line.size() % 2 == 0) {
            error = "not a record: " + line;
            return false;
        }
        std::vector<std::uint8_t> bytes;
        for (std::size_t i = 1; i + 1 < line.size(); i += 2) {
            bytes.push_back(static_cast<std::uint8_t>(std::stoul(line.substr(i, 2), nullptr, 16)));
        }
        std::uint8_t sum = 0;
        for (const std::uint8_t b : bytes) sum = static_cast<std::uint8_t>(sum + b);
        if (sum != 0 || bytes.size() != bytes[0] + 5u) {
            error = "bad record: " + line;
            return false;
        }
        if (bytes[3] == 0x01) return true;
        if (bytes[3] != 0x00) continue;
        const std::uint32_t address = (bytes[1] << 8) | bytes[2];
        for (std::size_t i = 0; i < bytes[0]; ++i) image[address + i] = bytes[4 + i];
    }
    error = "no end record";
    return false;
}

struct Probe {
    std::uint16_t address;
    std::uint8_t bytes[3];
    std::uint8_t length;
    std::string disassembly;
    std::string as31Line;
};

TEST(As31Oracle, As31AssemblesTheDisassemblyToTheSameBytes) {
    const auto as31 = FindOnPath("as31");
    ASSERT_TRUE(as31.has_value()) << "as31 is not installed (scripts/setup installs it)";

    // Operand bytes that reach names the two assemblers share and names only
    // we have, unnamed SFR and bit addresses, and offsets forward, backward and
    // into the instruction itself.
    static constexpr std::uint8_t kValues[] = {0x00, 0x30, 0x7F, 0x80, 0x82, 0x96, 0xAD, 0xB5, 0xC8,
                                               0xC9, 0xCA, 0xD1, 0xD6, 0xE0, 0xF0, 0xFE, 0xFF};
    constexpr std::size_t kCount = std::size(kValues);
    std::vector<Probe> probes;
    // Four bytes apart from 0102 on, so that some instructions end a 2 KB block.
    std::uint16_t address = 0x0102;
    const auto probe = [&](std::uint8_t opcode, std::uint8_t b2, std::uint8_t b3) {
        const DisassemblyLine line = DisassembleInstruction(address, opcode, b2, b3);
        std::string text = line.text.substr(kDisassemblyTextColumn);
        text.erase(text.find_last_not_of(' ') + 1);
        probes.push_back({address, {opcode, b2, b3}, line.length, text, ToAs31(text, opcode)});
        address = static_cast<std::uint16_t>(address + 4);
    };
    for (int op = 0; op < 256; ++op) {
        if (op == 0xA5) continue;  // no instruction
        const auto opcode = static_cast<std::uint8_t>(op);
        const std::size_t variants = InstructionLength[opcode] == 1 ? 1 : kCount;
        for (std::size_t i = 0; i < variants; ++i)
            probe(opcode, kValues[i], kValues[(i * 7 + 3) % kCount]);
    }
    // Every operand byte for one opcode of each kind of operand, so that every
    // SFR and bit name is checked: MOV A,direct; SETB bit; MOV direct,direct
    // (both bytes take every value); SJMP; JBC bit,rel; AJMP; MOV DPTR,#;
    // CJNE A,#,rel; DJNZ direct,rel.
    for (const std::uint8_t opcode : {0xE5, 0xD2, 0x85, 0x80, 0x10, 0x01, 0x90, 0xB4, 0xD5}) {
        const bool bitOperand = OpcodeOperandClass[opcode] == OperandClass::Bit ||
                                OpcodeOperandClass[opcode] == OperandClass::BitRelative;
        for (int b = 0; b < 256; ++b) {
            // Bit EA is unnamed and written "EA", which is also the name of bit AF.
            if (bitOperand && b == 0xEA) continue;
            probe(opcode, static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(b * 37 + 11));
        }
    }

    const test::TempDir temp;
    ASSERT_FALSE(temp.Path().empty());
    const fs::path& directory = temp.Path();
    {
        std::ofstream source(directory / "oracle.asm");
        for (const auto& probe : probes) {
            source << "\t.org " << As31Number(HexWordText(probe.address)) << "\n\t"
                   << probe.as31Line << "\n";
        }
    }
    const std::string command = "cd '" + directory.string() + "' && '" + as31->string() +
                                "' -Fhex -Ooracle.hex oracle.asm > as31.log 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream logFile(directory / "as31.log");
    const std::string log((std::istreambuf_iterator<char>(logFile)), {});
    std::ifstream hexFile(directory / "oracle.hex");
    const std::string hex((std::istreambuf_iterator<char>(hexFile)), {});
    ASSERT_EQ(status, 0) << "as31 refused the translated lines:\n" << log;

    std::map<std::uint32_t, std::uint8_t> image;
    std::string error;
    ASSERT_TRUE(ReadIntelHex(hex, image, error)) << error;
    int mismatches = 0;
    for (const auto& probe : probes) {
        std::ostringstream got;
        bool same = true;
        for (std::uint8_t i = 0; i < probe.length; ++i) {
            const auto it = image.find(probe.address + i);
            same = same && it != image.end() && it->second == probe.bytes[i];
            got << (it == image.end() ? std::string("--") : HexByteText(it->second)) << ' ';
        }
        if (!same && ++mismatches <= 30) {
            ADD_FAILURE() << HexWordText(probe.address) << " " << HexByteText(probe.bytes[0]) << " "
                          << HexByteText(probe.bytes[1]) << " " << HexByteText(probe.bytes[2])
                          << " \"" << probe.disassembly << "\" as \"" << probe.as31Line
                          << "\": as31 gave " << got.str();
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(probes.size(), 2000u);
}

}  // namespace
}  // namespace zvk
