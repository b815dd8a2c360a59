// zvk-cli asm [--at ADDR] [LINE ...]: assembles each LINE (or each line of
// standard input) with the one-line assembler, one instruction behind the
// other from ADDR on, and prints the address and the code bytes of each.

#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>

#include "cli/Args.h"
#include "mcs51/Assembler.h"

namespace zvk::cli {
namespace {

// Assembles one line at address and prints its result; advances address
// behind the instruction. False when the line was refused.
bool AssembleAndPrint(std::string_view line, std::uint16_t& address) {
    const AsmOutput out = AssembleLine(line, address);
    if (out.result == AsmBlankLine) return true;
    if (out.result != AsmOk) {
        const std::string_view message = AsmResultMessage(out.result);
        std::printf("%04X  error: %.*s\n", address, static_cast<int>(message.size()),
                    message.data());
        return false;
    }
    std::printf("%04X ", address);
    for (std::uint8_t i = 0; i < out.length; ++i) std::printf(" %02X", out.code[i]);
    std::printf("\n");
    address = static_cast<std::uint16_t>(address + out.length);
    return true;
}

}  // namespace

int RunAsm(Args args) {
    const auto parsed = ParseArgs(args, {"--at"}, {});
    if (!parsed) return 2;
    std::uint16_t address = 0;
    if (!ReadAddressOption(*parsed, "--at", address)) return 2;

    bool allAssembled = true;
    if (parsed->positional.empty()) {
        std::string line;
        while (std::getline(std::cin, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            allAssembled = AssembleAndPrint(line, address) && allAssembled;
        }
    } else {
        for (const auto& line : parsed->positional) {
            allAssembled = AssembleAndPrint(line, address) && allAssembled;
        }
    }
    return allAssembled ? 0 : 1;
}

}  // namespace zvk::cli
