// zvk-cli convert: loads an image file into a buffer as Load File does and
// saves a stretch of it as Save As does, as Intel HEX or binary.

#include <cstdio>
#include <string>

#include "app/Buffers.h"
#include "cli/Commands.h"
#include "cli/ImageOptions.h"
#include "files/FileLoad.h"
#include "files/ImageFile.h"

namespace zvk::cli {

int RunConvert(Args args) {
    const auto parsed =
        ParseArgs(args, {kPartOption, kLoadAtOption, "--from", "--to", "--format"}, {kEepromFlag});
    if (!parsed) return 2;
    if (parsed->positional.size() != 2) return UsageError("convert needs IN and OUT");
    ImageOptions options;
    if (!ReadImageOptions(*parsed, options)) return 2;
    const std::string& in = parsed->positional[0];
    const std::string& out = parsed->positional[1];
    bool intelHex = IsHexFileName(out);
    if (const auto format = parsed->Value("--format")) {
        if (*format != "hex" && *format != "bin") return UsageError("--format is hex or bin");
        intelHex = *format == "hex";
    }
    std::uint16_t from = 0;
    std::uint16_t to = LastAddress(options.kind);
    if (!ReadAddressOption(*parsed, "--from", from) || !ReadAddressOption(*parsed, "--to", to)) {
        return 2;
    }

    MessageWatch watch;
    const ImageLoad load = LoadImageFile(in, options.kind, options.loadAt);
    for (const auto& entry : load.details) std::printf("%s\n", entry.c_str());
    std::fflush(stdout);
    // A load that stopped early would save an image with data missing.
    if (!load.Loaded()) return 1;
    SaveImageFile(out, options.kind, from, to, intelHex);
    return watch.ErrorShown() ? 1 : 0;
}

}  // namespace zvk::cli
