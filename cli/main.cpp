// zvk-cli: the programmer's engine for scripts and production lines.

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "app/Installation.h"
#include "app/Messages.h"
#include "app/Preferences.h"
#include "app/ProgramDirectory.h"
#include "cli/Args.h"
#include "cli/CommandHelp.h"
#include "cli/Commands.h"
#include "cli/Output.h"

#ifdef _WIN32
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "app/Utf8Path.h"
#endif

namespace zvk::cli {
namespace {

constexpr CommandEntry kCommands[] = {
    {"asm", "asm [--at ADDR] [LINE ...]", RunAsm,
     "assemble 8051 lines (or standard input), print the bytes"},
    {"disasm", "disasm [--part PART] [--load-at ADDR] [--from ADDR] [--to ADDR] FILE", RunDisasm,
     "disassemble an image file, one line per instruction"},
    {"convert",
     "convert [--part PART] [--eeprom] [--load-at ADDR] [--from ADDR] [--to ADDR] "
     "[--in-format ihex|bin] [--format ihex|bin] IN|- OUT|-",
     RunConvert, "save a range of an image file as Intel HEX or binary"},
    {"checksum", "checksum [--part PART] [--eeprom] [--load-at ADDR] FILE FROM TO", RunChecksum,
     "print the 16-bit sum of a range of an image file"},
    {"check", "check", RunCheck, "check the part in the socket and print its signature"},
    {"erase", "erase", RunErase, "erase the chip"},
    {"blank-check", "blank-check [--eeprom] [--from A --to A]", RunBlankCheck,
     "list the bytes of the chip that are not erased (FF)"},
    {"program",
     "program FILE|- [--no-erase] [--no-verify] [--full | --from A --to A [--buffer-start A]] "
     "[--eeprom] [--load-at A] [--format ihex|bin]",
     RunProgram, "erase, program the ranges of an image and verify them"},
    {"read", "read OUT|- [--verify] [--eeprom] [--from A --to A] [--format ihex|bin]", RunRead,
     "read the chip into an Intel HEX or binary file"},
    {"verify",
     "verify FILE|- [--report OUT] [--full | --from A --to A [--buffer-start A]] [--eeprom] "
     "[--load-at A] [--format ihex|bin]",
     RunVerify, "compare the chip with an image file, list the differences"},
    {"protect", "protect --lock LB1[,LB2[,LB3]]", RunProtect, "program the lock bits"},
    {"auto",
     "auto FILE [--load-at A] [--steps erase,blank,program,verify,protect] "
     "[--lock LB1[,LB2[,LB3]]] [--repeat [--count N] [--port P --port P ...]] [--log LOG.csv] "
     "[--serial A|--serial-eeprom A --serial-file FILE [--serial-format le32] "
     "[--serial-start N] [--serial-step K] [--serial-overwrite]]",
     RunAuto,
     "run the auto-programming steps; --repeat: chip after chip (Enter: the next chip), one "
     "station per --port; --serial: a number from FILE in every chip (formats le8..le64, "
     "be8..be64, bcd2..bcd20, dec1..dec20, hex1..hex16)"},
    {"serial-enable", "serial-enable", RunSerialEnable, "enable serial programming"},
    {"serial-disable", "serial-disable", RunSerialDisable, "disable serial programming"},
    {"settings", "settings [--port COMn] [--part PART] [--spi|--parallel]", RunSettings,
     "show the settings file in use and what it holds; store port, part or mode"},
    {"ports", "ports [--assign COMn DEVICE | --unassign COMn]", RunPorts,
     "list COM names and serial ports; give a COM name a device"},
    {"parts", "parts", RunParts, "list the parts, their sizes and programming modes"},
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
        "  -q, --quiet        print errors only\n"
        "  -v, --verbose      also print what was resolved and each step with its time\n"
        "  -h, --help         show this text (after a command: its own) and exit\n"
        "  -V, --version      show the version and exit\n"
        "\n"
        "Examples:\n"
        "  zvk-cli program --port /dev/ttyUSB0 --part AT89S52 blink.hex\n"
        "  zvk-cli read --verify chip.hex\n"
        "  zvk-cli verify blink.hex --report differences.txt\n"
        "  zvk-cli auto blink.hex --steps erase,program,verify --repeat --log run.csv\n"
        "  packihx blink.ihx | zvk-cli convert - blink.bin\n"
        "\n"
        "Exit status:\n"
        "  0  the command did what was asked\n"
        "  1  it did not: the operation failed, a verify or blank check listed\n"
        "     differences, a file could not be read or written\n"
        "  2  the command line cannot be used\n"
        "\n"
        "'zvk-cli COMMAND --help' shows a command's options and an example.\n",
        to);
}

// Writes a usage error that names what is wrong, with a hint to --help.
int UnknownCommand(std::string_view name) {
    std::vector<std::string_view> names;
    for (const auto& c : kCommands) names.push_back(c.name);
    const auto nearest = NearNames(name, names);
    std::string message = "unknown command '" + std::string(name) + "'";
    if (!nearest.empty()) message += " (did you mean '" + std::string(nearest.front()) + "'?)";
    return UsageError(message);
}

bool IsHelp(std::string_view a) { return a == "--help" || a == "-h"; }

// Takes -q, -v and their long forms out of args, before any "--".
void TakeVerbosity(std::vector<std::string_view>& args) {
    const auto options = std::ranges::find(args, std::string_view("--"));
    const auto end = std::remove_if(args.begin(), options, [](std::string_view a) {
        if (a == "-q" || a == "--quiet") {
            SetVerbosity(Verbosity::Quiet);
        } else if (a == "-v" || a == "--verbose") {
            SetVerbosity(Verbosity::Verbose);
        } else {
            return false;
        }
        return true;
    });
    args.erase(end, options);
}

// With -q only errors and warnings reach the screen.
void FilterQuietMessages() {
    if (CurrentVerbosity() != Verbosity::Quiet) return;
    static zvk::MessagePresenter shown;
    shown = zvk::SetMessagePresenter([](const zvk::Message& m) {
        if (m.icon != zvk::MessageIcon::Stop && m.icon != zvk::MessageIcon::Warning) {
            return zvk::MessageResult::Ok;
        }
        return shown(m);
    });
}

// The arguments as UTF-8. Windows hands main() the ANSI code page's rendering,
// which loses every character outside it: a file named on the command line
// could not be found. The wide command line has them all.
std::vector<std::string> Utf8Arguments(int argc, char** argv) {
#ifdef _WIN32
    (void)argc, (void)argv;
    std::vector<std::string> arguments;
    int count = 0;
    if (wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i) arguments.push_back(zvk::Utf8FromWide(wide[i]));
        ::LocalFree(wide);
    }
    // What is printed is UTF-8 as well.
    ::SetConsoleOutputCP(CP_UTF8);
    return arguments;
#else
    return {argv, argv + argc};
#endif
}

}  // namespace
}  // namespace zvk::cli

int main(int argc, char** argv) {
    using namespace zvk::cli;
    zvk::GetProgramDirectory();
    zvk::LoadPreferences();
    const std::vector<std::string> utf8 = Utf8Arguments(argc, argv);
    std::vector<std::string_view> args;
    for (std::size_t a = 1; a < utf8.size(); ++a) args.emplace_back(utf8[a]);
    TakeVerbosity(args);
    FilterQuietMessages();
    std::vector<std::string_view> leading;
    std::size_t i = 0;
    for (; i < args.size(); ++i) {
        const bool takesValue =
            std::ranges::find(kLeadingValueOptions, args[i]) != kLeadingValueOptions.end();
        if (!takesValue && std::ranges::find(kLeadingFlags, args[i]) == kLeadingFlags.end()) break;
        leading.push_back(args[i]);
        if (takesValue && i + 1 < args.size()) leading.push_back(args[++i]);
    }
    if (i >= args.size()) {
        PrintUsage(stderr);
        return 2;
    }
    if (IsHelp(args[i])) {
        PrintUsage(stdout);
        return 0;
    }
    if (args[i] == "--version" || args[i] == "-V") {
        const std::string_view version = zvk::ProgramVersion();
        std::printf("zvk-cli %.*s\n", static_cast<int>(version.size()), version.data());
        return 0;
    }
    if (args[i].starts_with("-")) {
        return UsageError("unknown option '" + std::string(args[i]) + "'");
    }
    const auto command = std::ranges::find(kCommands, args[i], &CommandEntry::name);
    if (command == std::end(kCommands)) return UnknownCommand(args[i]);
    SetUsageCommand(command->name);
    std::vector<std::string_view> rest(leading);
    rest.insert(rest.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
    // "zvk-cli read --help" is how most people ask; after "--" it is a file name.
    const auto options = std::ranges::find(rest, std::string_view("--"));
    if (std::find_if(rest.begin(), options, IsHelp) != options) {
        PrintCommandHelp(*command, stdout);
        return 0;
    }
    // Options before "settings" would be stored without being asked for.
    if (command->name == "settings" && !leading.empty()) {
        return UsageError(
            "give --port, --part, --spi or --parallel after 'settings' to store them");
    }
    return command->run(Args(rest));
}
