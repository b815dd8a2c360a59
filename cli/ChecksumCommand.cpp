// zvk-cli checksum: loads an image file into a buffer as Load File does and
// prints the 16-bit sum of a range of it, as the Checksum command does.

#include <cstdio>

#include "cli/Commands.h"
#include "cli/ImageIo.h"
#include "cli/ImageOptions.h"
#include "files/BlockOps.h"
#include "files/ImageFile.h"

namespace zvk::cli {

int RunChecksum(Args args) {
    const auto parsed = ParseArgs(args, {kPartOption, kLoadAtOption, kFormatOption}, {kEepromFlag});
    if (!parsed) return 2;
    if (parsed->positional.size() != 3) return UsageError("checksum needs FILE FROM TO");
    ImageOptions options;
    if (!ReadImageOptions(*parsed, options)) return 2;
    std::optional<LoadMode> format;
    if (!ReadFormatOption(*parsed, format)) return 2;
    const auto from = ParseAddress(parsed->positional[1]);
    const auto to = ParseAddress(parsed->positional[2]);
    if (!from || !to) return UsageError("FROM and TO are hexadecimal addresses");

    MessageWatch watch;
    if (const auto stop =
            LoadImageArgument(parsed->positional[0], options.kind, options.loadAt, format)) {
        return *stop;
    }
    const auto sum = ChecksumRange(options.kind, *from, *to);
    if (!sum) return 1;
    std::printf("%s\n", ChecksumText(*sum).c_str());
    return watch.ErrorShown() ? 1 : 0;
}

}  // namespace zvk::cli
