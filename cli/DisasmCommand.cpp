// zvk-cli disasm [--part PART] [--load-at ADDR] [--from ADDR] [--to ADDR] FILE:
// loads FILE (Intel HEX when its name ends in .hex, .ihx or .ihex, else binary
// at --load-at) into the Flash buffer of PART and prints the disassembly of a
// range of it, one line per instruction.

#include <cstdio>
#include <string>

#include "app/AppState.h"
#include "app/Buffers.h"
#include "cli/Commands.h"
#include "cli/ImageIo.h"
#include "cli/ImageOptions.h"
#include "files/ImageFile.h"
#include "mcs51/Disassembler.h"

namespace zvk::cli {

int RunDisasm(Args args) {
    const auto parsed =
        ParseArgs(args, {kPartOption, kLoadAtOption, "--from", "--to", kFormatOption}, {});
    if (!parsed) return 2;
    if (parsed->positional.size() != 1) return UsageError("disasm takes one FILE");
    ImageOptions options;
    if (!ReadImageOptions(*parsed, options)) return 2;
    std::optional<LoadMode> format;
    if (!ReadFormatOption(*parsed, format)) return 2;
    std::uint16_t from = 0;
    std::uint16_t to = App().FlashLastAddress;
    if (!ReadAddressOption(*parsed, "--from", from) || !ReadAddressOption(*parsed, "--to", to)) {
        return 2;
    }
    if (from > to) return UsageError("--from is above --to");
    {
        MessageWatch watch;
        if (LoadImageArgument(parsed->positional[0], BufferKind::Flash, options.loadAt, format) ||
            watch.ErrorShown()) {
            return 1;
        }
    }

    // The next address may pass FFFF, which ends the walk at the top of memory.
    for (std::uint32_t address = from; address <= to;) {
        const auto at = static_cast<std::uint16_t>(address);
        const DisassemblyLine line =
            DisassembleInstruction(at, FlashRead(at), FlashRead(static_cast<std::uint16_t>(at + 1)),
                                   FlashRead(static_cast<std::uint16_t>(at + 2)));
        const std::string text = line.text.substr(0, line.text.find_last_not_of(' ') + 1);
        std::printf("%s\n", text.c_str());
        address = line.nextAddress;
    }
    return 0;
}

}  // namespace zvk::cli
