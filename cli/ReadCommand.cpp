// zvk-cli read: Device > Read (or Read EEPROM) over the whole device or
// --from..--to, then saves what was read to OUT ("-": standard output), as
// Intel HEX when --format ihex or its name (.hex, .ihx, .ihex) says so, or
// when it is standard output, and as binary otherwise. Each byte keeps its
// chip address. With --verify the chip is read a second time and the file is
// written only when both reads agree: the unit's replies carry no checksum.

#include <cstdio>
#include <vector>

#include "app/Buffers.h"
#include "cli/Commands.h"
#include "cli/DeviceSession.h"
#include "cli/ImageIo.h"
#include "ops/ReadJob.h"

namespace zvk::cli {
namespace {

// Reads the chip into the buffer; true when the read succeeded. first and
// last are the buffer addresses it filled.
bool ReadOnce(const DeviceRangeRequest& request, std::uint16_t& first, std::uint16_t& last) {
    bool read = false;
    RunRangeRequest(RangeOperation::Read, request, [&](const DeviceRangeRequest& run) {
        ReadJob job(run);
        DriveJob(job, job.model);
        read = job.model.succeeded;
        first = run.bufferStart;
        last = static_cast<std::uint16_t>(run.bufferStart + run.Count() - 1);
    });
    return ExitStatus(read) == 0;
}

std::vector<std::uint8_t> BufferCopy(BufferKind kind, std::uint16_t first, std::uint16_t last) {
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t a = first; a <= last; ++a) {
        bytes.push_back(BufferRead(kind, static_cast<std::uint16_t>(a)));
    }
    return bytes;
}

}  // namespace

int RunRead(Args args) {
    const auto parsed = ParseArgs(args, DeviceValueOptions({"--from", "--to", "--format"}),
                                  DeviceFlagOptions({"--eeprom", "--verify"}));
    if (!parsed) return 2;
    if (parsed->positional.size() != 1) return UsageError("read needs one OUT file");
    std::optional<LoadMode> format;
    if (!ReadFormatOption(*parsed, format)) return 2;
    if (const auto stop = SetUpSession(*parsed)) return *stop;
    BufferKind kind = BufferKind::Flash;
    if (const auto stop = SelectBufferKind(*parsed, kind)) return *stop;
    DeviceRangeRequest request;
    if (const auto stop = ApplyRangeOptions(*parsed, RangeOperation::Read, kind, request)) {
        return *stop;
    }
    if (const auto stop = ConnectDevice(*parsed)) return *stop;
    std::uint16_t first = 0;
    std::uint16_t last = 0;
    // After a failure of the link the file stays as it was: what came is not
    // the whole chip.
    if (!ReadOnce(request, first, last)) return 1;
    if (parsed->Has("--verify")) {
        const std::vector<std::uint8_t> firstRead = BufferCopy(kind, first, last);
        if (!ReadOnce(request, first, last)) return 1;
        const std::vector<std::uint8_t> secondRead = BufferCopy(kind, first, last);
        for (std::size_t i = 0; i < firstRead.size(); ++i) {
            if (firstRead[i] == secondRead[i]) continue;
            std::fprintf(stderr,
                         "zvk-cli: the two reads differ at %04X (%02X, then %02X): the line is "
                         "not reliable; nothing was written\n",
                         static_cast<unsigned>(first + i), firstRead[i], secondRead[i]);
            return 1;
        }
    }
    return ExitStatus(SaveImageArgument(parsed->positional[0], kind, first, last, format));
}

}  // namespace zvk::cli
