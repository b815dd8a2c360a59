#include "mcs51/CodeWalk.h"

#include <cstddef>
#include <vector>

#include "app/Buffers.h"
#include "mcs51/Tables.h"

namespace zvk {

std::uint16_t BacktrackStart(std::uint16_t address, int count) {
    if (count <= 0) return address;
    const std::uint32_t span = 3u * static_cast<std::uint32_t>(count);
    const std::uint32_t start = span <= address ? address - span : 0;
    // The scratch block holds the span; decoding past its end reads NOPs.
    std::vector<std::uint8_t> scratch(span);
    CopyFlashOut(static_cast<std::uint16_t>(start), scratch.data(),
                 static_cast<std::uint16_t>(span));
    const auto byteAt = [&](std::uint32_t offset) -> std::uint8_t {
        return offset < scratch.size() ? scratch[offset] : 0x00;
    };
    std::uint32_t skip = 0;
    for (;;) {
        std::uint32_t run = 0;
        for (int i = 0; i < count; ++i) run += InstructionLength[byteAt(skip + run)];
        if (start + skip + run > address) break;
        skip += InstructionLength[byteAt(skip)];
    }
    return static_cast<std::uint16_t>(start + skip);
}

std::uint16_t FindPreviousInstruction(std::uint16_t address, int count) {
    std::uint32_t previous = BacktrackStart(address, count);
    for (int i = 1; i < count; ++i) {
        const std::uint8_t length =
            InstructionLength[FlashRead(static_cast<std::uint16_t>(previous))];
        if (previous + length < address) previous += length;
    }
    return static_cast<std::uint16_t>(address - previous);
}

}  // namespace zvk
