// zvk-cli: the programmer's engine for scripts and production lines.

#include <array>
#include <cstdio>
#include <string_view>
#include <vector>

#include "app/Messages.h"
#include "app/ProgramDirectory.h"
#include "cli/Commands.h"

namespace zvk::cli {
namespace {

constexpr CommandEntry kCommands[] = {
    {"asm", "asm [--at ADDR] [LINE ...]", RunAsm},
    {"disasm", "disasm [--part PART] [--load-at ADDR] [--from ADDR] [--to ADDR] FILE", RunDisasm},
    {"convert",
     "convert [--part PART] [--eeprom] [--load-at ADDR] [--from ADDR] [--to ADDR] "
     "[--format hex|bin] IN OUT",
     RunConvert},
    {"checksum", "checksum [--part PART] [--eeprom] [--load-at ADDR] FILE FROM TO", RunChecksum},
};

int Usage() {
    std::fputs("usage: zvk-cli COMMAND [ARGS...]\ncommands:\n", stderr);
    for (const auto& c : kCommands) {
        std::fprintf(stderr, "  %.*s\n", static_cast<int>(c.usage.size()), c.usage.data());
    }
    return 2;
}

}  // namespace
}  // namespace zvk::cli

int main(int argc, char** argv) {
    using namespace zvk::cli;
    zvk::GetProgramDirectory();
    std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.empty()) return Usage();
    for (const auto& c : kCommands) {
        if (c.name == args[0]) return c.run(Args(args).subspan(1));
    }
    return Usage();
}
