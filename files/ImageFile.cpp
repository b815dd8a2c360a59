#include "files/ImageFile.h"

#include "app/Buffers.h"
#include "files/FileLoad.h"
#include "files/FileSave.h"

namespace zvk {

bool ImageLoad::Loaded() const { return endCode == kLoadDone; }

ImageLoad LoadImageFile(const std::string& path, BufferKind kind, std::uint16_t binaryStart,
                        std::optional<LoadMode> mode) {
    ImageLoad result;
    if (App().FlashBuffer.empty() && AllocateBuffers() != 0) return result;
    LoadRequest request;
    request.buffer = kind;
    request.path = path;
    request.mode = mode;
    request.binaryStart = binaryStart;
    // The user's option holds for these loads as for Load File.
    request.clearFirst = (App().OptionFlags & kOptionClearBeforeLoad) != 0;
    LoadFrontEnd frontEnd;
    frontEnd.showDetails = [&result](const LoadDetailsModel& details) {
        result.details = LoadDetailsEntries(details.details);
    };
    result.endCode = LoadFile(request, frontEnd);
    return result;
}

}  // namespace zvk
