// zvk-cli disasm [--part PART] [--load-at ADDR] [--from ADDR] [--to ADDR] FILE:
// places FILE in the Flash buffer of PART and prints the disassembly of a
// range of it, one line per instruction.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/Buffers.h"
#include "app/DeviceTable.h"
#include "cli/Args.h"
#include "mcs51/Disassembler.h"

namespace zvk::cli {
namespace {

constexpr std::string_view kDefaultPart = "AT89C55";  // the largest part: all 20 KB reachable

// Places the file's bytes, as a raw binary image, in the Flash buffer from
// loadAt on. False (after saying why on stderr) when the file cannot be read
// or does not fit below the part's last address.
bool LoadImageFile(const std::string& path, std::uint16_t loadAt) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        std::fprintf(stderr, "zvk-cli: cannot open %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[4096];
    std::size_t got = 0;
    // Reads one byte more than the buffer holds at most, enough to refuse it.
    while (bytes.size() <= kFlashBufferSize &&
           (got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    const bool failed = std::ferror(file) != 0;
    const int readError = errno;
    std::fclose(file);
    if (failed) {
        std::fprintf(stderr, "zvk-cli: cannot read %s: %s\n", path.c_str(),
                     std::strerror(readError));
        return false;
    }
    const std::uint32_t lastAddress = App().FlashLastAddress;
    if (!bytes.empty() && loadAt + bytes.size() - 1 > lastAddress) {
        std::fprintf(stderr,
                     "zvk-cli: %s: %s%zu bytes at %04X do not fit in the Flash buffer of %.*s "
                     "(0000-%04X)\n",
                     path.c_str(), bytes.size() > kFlashBufferSize ? "more than " : "",
                     bytes.size() > kFlashBufferSize ? kFlashBufferSize : bytes.size(), loadAt,
                     static_cast<int>(SelectedDeviceInfo().PartName.size()),
                     SelectedDeviceInfo().PartName.data(), lastAddress);
        return false;
    }
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        FlashWrite(static_cast<std::uint16_t>(loadAt + i), bytes[i]);
    }
    return true;
}

}  // namespace

int DisasmCommand(Args args) {
    const auto parsed = ParseArgs(args, {"--part", "--load-at", "--from", "--to"}, {});
    if (!parsed) return 2;
    if (parsed->positional.size() != 1) return UsageError("disasm takes one FILE");
    if (!SelectPartOption(*parsed, kDefaultPart)) return 2;
    std::uint16_t loadAt = 0;
    std::uint16_t from = 0;
    std::uint16_t to = App().FlashLastAddress;
    if (!ReadAddressOption(*parsed, "--load-at", loadAt) ||
        !ReadAddressOption(*parsed, "--from", from) || !ReadAddressOption(*parsed, "--to", to)) {
        return 2;
    }
    if (from > to) return UsageError("--from is above --to");
    if (AllocateBuffers() != 0) return 1;
    if (!LoadImageFile(parsed->positional[0], loadAt)) return 1;

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
