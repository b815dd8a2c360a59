#include "files/ImageFile.h"

#include <cstdio>

#include "app/Buffers.h"
#include "files/FileLoad.h"
#include "files/FileSave.h"

namespace zvk {

bool ImageLoad::Loaded() const { return endCode == kLoadDone; }

ImageLoad LoadImageFile(const std::string& path, BufferKind kind, std::uint16_t binaryStart,
                        std::optional<LoadMode> mode) {
    ImageLoad result;
    if (App().FlashBuffer.empty() && AllocateBuffers() != 0) return result;
    App().CurrentBufferKind = kind;
    App().SelectedFileName = path;
    LoadFrontEnd frontEnd;
    frontEnd.mode = mode;
    frontEnd.askStartAddress = [binaryStart] { return std::optional<std::uint16_t>(binaryStart); };
    frontEnd.showDetails = [&result](const LoadDetailsModel& details) {
        result.details = LoadDetailsEntries(details.details);
    };
    result.endCode = LoadFileCommand(frontEnd);
    return result;
}

bool SaveImageFile(const std::string& path, BufferKind kind, std::uint16_t start, std::uint16_t end,
                   bool intelHex) {
    App().CurrentBufferKind = kind;
    char from[8];
    char to[8];
    std::snprintf(from, sizeof from, "%04X", static_cast<unsigned>(start));
    std::snprintf(to, sizeof to, "%04X", static_cast<unsigned>(end));
    SaveFrontEnd frontEnd;
    frontEnd.runSaveMemoryDialog =
        AnswerDialogWith({from, to}, intelHex ? kSaveHexRadioId : kSaveBinaryRadioId);
    frontEnd.askSavePath = [&path](const SaveFileDialogSpec&) {
        return std::optional<std::string>(path);
    };
    return SaveCommand(frontEnd);
}

}  // namespace zvk
