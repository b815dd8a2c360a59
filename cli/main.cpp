// zvk-cli: the programmer's engine for scripts and production lines.

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>
#include <vector>

#include "app/Messages.h"
#include "app/Preferences.h"
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
    {"check", "check", RunCheck},
    {"erase", "erase", RunErase},
    {"blank-check", "blank-check [--eeprom] [--from A --to A]", RunBlankCheck},
    {"program",
     "program FILE [--eeprom] [--load-at A] [--from A --to A --buffer-start A] [--erase] "
     "[--verify]",
     RunProgram},
    {"read", "read OUT [--eeprom] [--from A --to A]", RunRead},
    {"verify",
     "verify FILE [--eeprom] [--load-at A] [--from A --to A --buffer-start A] [--report OUT]",
     RunVerify},
    {"protect", "protect --lock LB1[,LB2[,LB3]]", RunProtect},
    {"auto",
     "auto FILE [--load-at A] [--steps erase,blank,program,verify,protect] "
     "[--lock LB1[,LB2[,LB3]]] [--repeat [--count N]] [--log LOG.csv]",
     RunAuto},
    {"serial-enable", "serial-enable", RunSerialEnable},
    {"serial-disable", "serial-disable", RunSerialDisable},
    {"settings", "settings", RunSettings},
    {"ports", "ports [--assign COMn DEVICE | --unassign COMn]", RunPorts},
};

// Device options may stand before the command name; they are handed to the
// command ahead of its own arguments, where its option reader finds them.
constexpr std::array<std::string_view, 2> kLeadingValueOptions{"--port", "--part"};
constexpr std::array<std::string_view, 2> kLeadingFlags{"--spi", "--parallel"};

int Usage() {
    std::fputs(
        "usage: zvk-cli COMMAND [ARGS...]\n"
        "device options: [--port COMn|PATH] [--part PART] [--spi|--parallel]\n"
        "  (without them, the port, part and mode stored in zvk.dat)\n"
        "commands:\n",
        stderr);
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
    zvk::LoadPreferences();
    std::vector<std::string_view> args(argv + 1, argv + argc);
    std::vector<std::string_view> leading;
    std::size_t i = 0;
    for (; i < args.size(); ++i) {
        const bool takesValue = std::ranges::find(kLeadingValueOptions, args[i]) !=
                                kLeadingValueOptions.end();
        if (!takesValue && std::ranges::find(kLeadingFlags, args[i]) == kLeadingFlags.end()) break;
        leading.push_back(args[i]);
        if (takesValue && i + 1 < args.size()) leading.push_back(args[++i]);
    }
    if (i >= args.size()) return Usage();
    std::vector<std::string_view> rest(leading);
    rest.insert(rest.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
    for (const auto& c : kCommands) {
        if (c.name == args[i]) return c.run(Args(rest));
    }
    return Usage();
}
