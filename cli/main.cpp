// zvk-cli: the programmer's engine for scripts and production lines.

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>
#include <vector>

#include "app/Installation.h"
#include "app/Messages.h"
#include "app/Preferences.h"
#include "app/ProgramDirectory.h"
#include "cli/Commands.h"

namespace zvk::cli {
namespace {

constexpr CommandEntry kCommands[] = {
    {"asm", "asm [--at ADDR] [LINE ...]", RunAsm,
     "assemble 8051 lines (or standard input), print the bytes"},
    {"disasm", "disasm [--part PART] [--load-at ADDR] [--from ADDR] [--to ADDR] FILE", RunDisasm,
     "disassemble an image file, one line per instruction"},
    {"convert",
     "convert [--part PART] [--eeprom] [--load-at ADDR] [--from ADDR] [--to ADDR] "
     "[--format hex|bin] IN OUT",
     RunConvert, "save a range of an image file as Intel HEX or binary"},
    {"checksum", "checksum [--part PART] [--eeprom] [--load-at ADDR] FILE FROM TO", RunChecksum,
     "print the 16-bit sum of a range of an image file"},
    {"check", "check", RunCheck, "check the part in the socket and print its signature"},
    {"erase", "erase", RunErase, "erase the chip"},
    {"blank-check", "blank-check [--eeprom] [--from A --to A]", RunBlankCheck,
     "list the bytes of the chip that are not erased (FF)"},
    {"program",
     "program FILE [--eeprom] [--load-at A] [--from A --to A --buffer-start A] [--erase] "
     "[--verify]",
     RunProgram, "program an image file into the chip"},
    {"read", "read OUT [--eeprom] [--from A --to A]", RunRead,
     "read the chip into an Intel HEX or binary file"},
    {"verify",
     "verify FILE [--eeprom] [--load-at A] [--from A --to A --buffer-start A] [--report OUT]",
     RunVerify, "compare the chip with an image file, list the differences"},
    {"protect", "protect --lock LB1[,LB2[,LB3]]", RunProtect, "program the lock bits"},
    {"auto",
     "auto FILE [--load-at A] [--steps erase,blank,program,verify,protect] "
     "[--lock LB1[,LB2[,LB3]]] [--repeat [--count N]] [--log LOG.csv]",
     RunAuto, "run the auto-programming steps; --repeat: chip after chip"},
    {"serial-enable", "serial-enable", RunSerialEnable, "enable serial programming"},
    {"serial-disable", "serial-disable", RunSerialDisable, "disable serial programming"},
    {"settings", "settings", RunSettings, "show the settings file in use and what it holds"},
    {"ports", "ports [--assign COMn DEVICE | --unassign COMn]", RunPorts,
     "list COM names and serial ports; give a COM name a device"},
};

// Device options may stand before the command name; they are handed to the
// command ahead of its own arguments, where its option reader finds them.
constexpr std::array<std::string_view, 2> kLeadingValueOptions{"--port", "--part"};
constexpr std::array<std::string_view, 2> kLeadingFlags{"--spi", "--parallel"};

void PrintUsage(std::FILE* to) {
    std::fputs(
        "Usage: zvk-cli [--port COMn|PATH] [--part PART] [--spi|--parallel] COMMAND [ARGS...]\n"
        "The engine of the zvk desktop programmer for scripts and production lines:\n"
        "assembles, disassembles, converts and checksums images of AT89-series flash\n"
        "microcontrollers, and erases, blank-checks, programs, reads, verifies and\n"
        "protects the chips through a programmer unit on a serial port.\n"
        "\n"
        "Device options of the device commands (before or after the command name):\n"
        "  --port COMn|PATH   the unit's serial port: COM1 to COM9, or a device such as\n"
        "                     /dev/ttyUSB0\n"
        "  --part PART        the part in the socket, e.g. AT89S52\n"
        "  --spi, --parallel  the programming mode\n"
        "Without them, the port, part and mode stored in zvk.dat are used.\n"
        "\n"
        "Commands:\n",
        to);
    // Each summary under its usage, or beside it when the usage is short: the
    // layout help2man makes a list of.
    constexpr int kSummaryColumn = 21;
    for (const auto& c : kCommands) {
        const int width = static_cast<int>(c.usage.size());
        std::fprintf(to, "  %.*s", width, c.usage.data());
        if (c.summary.empty()) {
            std::fputc('\n', to);
            continue;
        }
        const int pad = 2 + width < kSummaryColumn - 1 ? kSummaryColumn - 2 - width : -1;
        if (pad < 0) {
            std::fprintf(to, "\n%*s", kSummaryColumn, "");
        } else {
            std::fprintf(to, "%*s", pad, "");
        }
        std::fprintf(to, "%.*s\n", static_cast<int>(c.summary.size()), c.summary.data());
    }
    std::fputs(
        "\n"
        "Other options:\n"
        "  --help             show this text and exit\n"
        "  --version          show the version and exit\n"
        "\n"
        "Device commands exit with 0 when the operation succeeded and 1 when it did not\n"
        "(a verify or blank check that lists differences included); a command line\n"
        "that cannot be used exits with 2.\n",
        to);
}

int Usage() {
    PrintUsage(stderr);
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
        const bool takesValue =
            std::ranges::find(kLeadingValueOptions, args[i]) != kLeadingValueOptions.end();
        if (!takesValue && std::ranges::find(kLeadingFlags, args[i]) == kLeadingFlags.end()) break;
        leading.push_back(args[i]);
        if (takesValue && i + 1 < args.size()) leading.push_back(args[++i]);
    }
    if (i >= args.size()) return Usage();
    if (args[i] == "--help") {
        PrintUsage(stdout);
        return 0;
    }
    if (args[i] == "--version") {
        const std::string_view version = zvk::ProgramVersion();
        std::printf("zvk-cli %.*s\n", static_cast<int>(version.size()), version.data());
        return 0;
    }
    std::vector<std::string_view> rest(leading);
    rest.insert(rest.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
    // "zvk-cli read --help" is how most people ask; after "--" it is a file name.
    const auto options = std::ranges::find(rest, std::string_view("--"));
    if (std::find(rest.begin(), options, std::string_view("--help")) != options) {
        PrintUsage(stdout);
        return 0;
    }
    for (const auto& c : kCommands) {
        if (c.name == args[i]) return c.run(Args(rest));
    }
    return Usage();
}
