// zvk-cli convert: loads an image file into a buffer as Load File does and
// saves a stretch of it as Save As does, as Intel HEX or binary. "-" reads
// standard input or writes standard output; --in-format and --format decide
// the format of IN and OUT over their names. The loaded ranges go to stderr.

#include <cstdio>
#include <string>

#include "app/Buffers.h"
#include "cli/Commands.h"
#include "cli/ImageIo.h"
#include "cli/ImageOptions.h"
#include "cli/Output.h"
#include "files/FileLoad.h"
#include "files/ImageFile.h"

namespace zvk::cli {

int RunConvert(Args args) {
    const auto parsed =
        ParseArgs(args, {kPartOption, kLoadAtOption, "--from", "--to", "--format", "--in-format"},
                  {kEepromFlag});
    if (!parsed) return 2;
    if (parsed->positional.size() != 2) return UsageError("convert needs IN and OUT");
    ImageOptions options;
    if (!ReadImageOptions(*parsed, options)) return 2;
    const std::string& in = parsed->positional[0];
    const std::string& out = parsed->positional[1];
    std::optional<LoadMode> outFormat;
    if (!ReadFormatOption(*parsed, outFormat)) return 2;
    std::optional<LoadMode> inFormat;
    if (const auto text = parsed->Value("--in-format")) {
        ParsedArgs asFormat;
        asFormat.values[std::string(kFormatOption)] = *text;
        if (!ReadFormatOption(asFormat, inFormat)) return 2;
    }
    std::uint16_t from = 0;
    std::uint16_t to = LastAddress(options.kind);
    if (!ReadAddressOption(*parsed, "--from", from) || !ReadAddressOption(*parsed, "--to", to)) {
        return 2;
    }

    MessageWatch watch;
    std::vector<std::string> details;
    const auto stop = LoadImageArgument(in, options.kind, options.loadAt, inFormat, &details);
    for (const auto& entry : details) Note("loaded " + entry);
    // A load that stopped early would save an image with data missing.
    if (stop) return *stop;
    const bool saved = SaveImageArgument(out, options.kind, from, to, outFormat);
    return saved && !watch.ErrorShown() ? 0 : 1;
}

}  // namespace zvk::cli
