#include "cli/CommandHelp.h"

#include <cstdio>

namespace zvk::cli {
namespace {

struct CommandHelp {
    std::string_view name;
    std::string_view options;  // one option a line, already indented
    std::string_view example;
};

constexpr std::string_view kDeviceOptions =
    "  --port COMn|PATH   the unit's serial port (default: the one in zvk.dat)\n"
    "  --part PART        the part in the socket, as 'zvk-cli parts' names it\n"
    "  --spi, --parallel  the programming mode\n";

constexpr std::string_view kImageFormat =
    "  --format ihex|bin  read FILE as Intel HEX or binary, whatever its name;\n"
    "                     without it a .hex, .ihx or .ihex name, or a file that\n"
    "                     starts with HEX records, is Intel HEX\n";

constexpr CommandHelp kHelp[] = {
    {"asm", "  --at ADDR          the address of the first instruction (default 0000)\n",
     "zvk-cli asm --at 0100 'MOV A,#55' 'SJMP $'"},
    {"disasm",
     "  --part PART        the part whose Flash holds the image (default AT89C55)\n"
     "  --load-at ADDR     where a binary image starts (default 0000)\n"
     "  --from ADDR, --to ADDR  the range to disassemble\n"
     "  --format ihex|bin  as for program\n",
     "zvk-cli disasm --from 0000 --to 003F blink.hex"},
    {"convert",
     "  --part PART        the part whose buffer holds the image (default AT89C55)\n"
     "  --eeprom           the EEPROM buffer\n"
     "  --load-at ADDR     where a binary IN starts (default 0000)\n"
     "  --from ADDR, --to ADDR  the range to save (default the whole buffer)\n"
     "  --in-format ihex|bin  the format of IN, whatever its name or content\n"
     "  --format ihex|bin  the format of OUT, whatever its name\n"
     "IN or OUT may be '-': standard input or output (Intel HEX unless --format bin).\n"
     "The ranges loaded are listed on stderr.\n",
     "packihx blink.ihx | zvk-cli convert --from 0000 --to 1FFF - blink.bin"},
    {"checksum",
     "  --part PART        the part whose buffer holds the image (default AT89C55)\n"
     "  --eeprom           the EEPROM buffer\n"
     "  --load-at ADDR     where a binary image starts (default 0000)\n"
     "  --format ihex|bin  as for program\n",
     "zvk-cli checksum blink.hex 0000 1FFF"},
    {"check", "", "zvk-cli check --port /dev/ttyUSB0 --part AT89S52"},
    {"erase", "", "zvk-cli erase --part AT89C2051"},
    {"blank-check",
     "  --eeprom           the EEPROM\n"
     "  --from ADDR, --to ADDR  the range (default the whole device)\n",
     "zvk-cli blank-check --from 0000 --to 07FF"},
    {"program",
     "FILE may be '-': standard input.\n"
     "  --no-erase         do not erase the chip first (bytes outside the image keep\n"
     "                     what they hold)\n"
     "  --no-verify        do not compare the chip with the image after\n"
     "  --full             the whole device, not only the ranges the image holds\n"
     "  --from ADDR, --to ADDR  one range of the device instead\n"
     "  --buffer-start ADDR  the image address programmed at --from\n"
     "  --eeprom           the EEPROM\n"
     "  --load-at ADDR     where a binary image starts (default 0000)\n",
     "zvk-cli program --port /dev/ttyUSB0 --part AT89S52 blink.hex"},
    {"read",
     "OUT may be '-': standard output, Intel HEX unless --format bin.\n"
     "  --from ADDR, --to ADDR  the range (default the whole device)\n"
     "  --eeprom           the EEPROM\n"
     "  --verify           read twice and write OUT only when both reads agree\n"
     "  --format ihex|bin  write OUT as Intel HEX or binary, whatever its name\n",
     "zvk-cli read --verify chip.hex"},
    {"verify",
     "FILE may be '-': standard input. Without a range only the ranges the image\n"
     "holds are compared.\n"
     "  --report OUT       store the list of differences (the heading alone when\n"
     "                     there are none)\n"
     "  --full             the whole device\n"
     "  --from ADDR, --to ADDR  one range of the device instead\n"
     "  --buffer-start ADDR  the image address compared with --from\n"
     "  --eeprom           the EEPROM\n"
     "  --load-at ADDR     where a binary image starts (default 0000)\n",
     "zvk-cli verify blink.hex --report differences.txt"},
    {"protect", "  --lock LB1[,LB2[,LB3]]  the lock bits to program\n",
     "zvk-cli protect --lock LB1,LB2"},
    {"auto",
     "  --steps LIST       erase,blank,program,verify,protect (default from zvk.dat)\n"
     "  --lock LB1[,LB2[,LB3]]  the lock bits of the protect step\n"
     "  --load-at ADDR     where a binary image starts (default 0000)\n"
     "  --format ihex|bin  as for program\n"
     "  --repeat           chip after chip until Ctrl+C; --count N stops after N\n"
     "  --log LOG.csv      one row for each chip\n",
     "zvk-cli auto blink.hex --steps erase,program,verify --repeat --log run.csv"},
    {"serial-enable", "", "zvk-cli serial-enable --part AT89S8252 --parallel"},
    {"serial-disable", "", "zvk-cli serial-disable --part AT89S8252 --parallel"},
    {"settings",
     "Without options it shows the settings; with them it stores those fields in\n"
     "zvk.dat for the desktop program and the device commands, the others as they were.\n"
     "  --port COMn        the programmer port\n"
     "  --part PART        the selected part\n"
     "  --spi, --parallel  the programming mode\n",
     "zvk-cli settings --port COM1 --part AT89S52 --spi"},
    {"ports",
     "  --assign COMn DEVICE  let COMn stand for DEVICE\n"
     "  --unassign COMn    take the assignment back\n",
     "zvk-cli ports --assign COM1 /dev/ttyUSB0"},
    {"parts", "", "zvk-cli parts"},
};

constexpr std::string_view kDeviceCommands[] = {
    "check",  "erase",   "blank-check", "program",       "read",
    "verify", "protect", "auto",        "serial-enable", "serial-disable"};

void Put(std::string_view text, std::FILE* to) { std::fwrite(text.data(), 1, text.size(), to); }

}  // namespace

void PrintCommandHelp(const CommandEntry& command, std::FILE* to) {
    std::fputs("Usage: zvk-cli ", to);
    Put(command.usage, to);
    std::fputc('\n', to);
    Put(command.summary, to);
    std::fputc('\n', to);
    for (const CommandHelp& help : kHelp) {
        if (help.name != command.name) continue;
        bool device = false;
        for (const auto name : kDeviceCommands) device = device || name == command.name;
        if (!help.options.empty() || device) std::fputs("\nOptions:\n", to);
        Put(help.options, to);
        if (device) Put(kDeviceOptions, to);
        if (help.name == "program" || help.name == "verify") Put(kImageFormat, to);
        std::fputs("\nExample:\n  ", to);
        Put(help.example, to);
        std::fputc('\n', to);
    }
}

}  // namespace zvk::cli
