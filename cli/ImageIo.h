#pragma once
// Image files as every zvk-cli command reads and writes them: "-" for standard
// input or output, --format ihex|bin over the name, and an Intel HEX file
// recognised by its content whatever its name, so that the text of a HEX file
// is never taken for the bytes of an image.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/AppState.h"
#include "cli/Args.h"
#include "files/FileLoad.h"

namespace zvk::cli {

inline constexpr std::string_view kFormatOption = "--format";
// The argument that stands for standard input or output; a file of that name
// is reached as "./-".
inline constexpr std::string_view kStandardStream = "-";

// Reads --format ihex|bin ("hex" is taken for "ihex") into format, which stays
// empty without the option. False after printing why.
bool ReadFormatOption(const ParsedArgs& parsed, std::optional<LoadMode>& format);

// Loads an image argument into the buffer of kind: standard input for "-"
// (read whole into a private file first, as HEX when --format or its content
// says so), else the file, as --format says, else as HEX by its name (.hex,
// .ihx, .ihex) or its content, else as binary at loadAt. A file that cannot
// be opened is named with the system's reason after the loader's message.
// The load details go into details when given. Returns the exit status to
// stop with, or nullopt when the whole file was loaded.
std::optional<int> LoadImageArgument(const std::string& argument, BufferKind kind,
                                     std::uint16_t loadAt, std::optional<LoadMode> format,
                                     std::vector<std::string>* details = nullptr);

// Saves first..last of the buffer of kind to an image argument: standard
// output for "-" (Intel HEX unless --format bin), else the file, as --format
// says, else by its name as Save As does. True when the whole image was written.
bool SaveImageArgument(const std::string& argument, BufferKind kind, std::uint16_t first,
                       std::uint16_t last, std::optional<LoadMode> format);

// What a file's name or content makes of it without --format: HEX for a HEX
// name or a file that starts with HEX records, binary otherwise.
[[nodiscard]] LoadMode DetectImageFormat(const std::string& path);

}  // namespace zvk::cli
