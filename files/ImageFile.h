#pragma once
// Loading image files without a screen (zvk-cli): the same load as Load File,
// with its questions answered up front and its progress run to the end at
// once. Messages still go through ShowMessage. (A save without a screen is
// SaveBuffer, files/FileSave.h.)

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "files/FileLoad.h"

namespace zvk {

struct ImageLoad {
    int endCode = 0;                   // the loading dialog's end code
    std::vector<std::string> details;  // LoadDetails entries without blanks ("0100H to 010FH")
    [[nodiscard]] bool Loaded() const;
};

// Loads the file into the buffer of the kind exactly as Load File does: a
// ".hex", ".ihx" or ".ihex" name (any case) as Intel HEX, any other file as
// binary starting at binaryStart; mode, when given, decides instead of the
// name. Allocates the buffers first when they are not yet. Loaded() is true
// when the whole file went into the buffer.
ImageLoad LoadImageFile(const std::string& path, BufferKind kind, std::uint16_t binaryStart = 0,
                        std::optional<LoadMode> mode = std::nullopt);

}  // namespace zvk
