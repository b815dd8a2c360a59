#include "app/Buffers.h"

#include <algorithm>
#include <cassert>
#include <new>

#include "app/BufferEvents.h"
#include "app/Messages.h"
#include "app/UndoHistory.h"

namespace zvk {
namespace {

std::vector<std::uint8_t>& Image(BufferKind kind) {
    return kind == BufferKind::Flash ? App().FlashBuffer : App().EepromBuffer;
}

std::vector<std::uint8_t>& Origins(BufferKind kind) {
    return kind == BufferKind::Flash ? App().FlashOrigin : App().EepromOrigin;
}

// The last address of count bytes from first, kept inside the 64 KB address
// space.
std::uint16_t LastOf(std::uint16_t first, std::uint32_t count) {
    return static_cast<std::uint16_t>(std::min<std::uint32_t>(first + count - 1, 0xFFFF));
}

// True when the address is inside the buffer's last address and the block
// (image or origins) holds it, so that neither a wrong FlashLastAddress nor a
// missing block can let an access leave the block.
bool Reachable(const std::vector<std::uint8_t>& block, BufferKind kind, std::uint16_t address) {
    return address <= LastAddress(kind) && address < block.size();
}

}  // namespace

bool DefaultBlockAllocator(std::vector<std::uint8_t>& block, std::size_t size) {
    try {
        block.assign(size, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

int AllocateBuffers(const BlockAllocator& allocate) {
    auto& s = App();
    std::vector<std::uint8_t>* blocks[] = {&s.FlashBuffer, &s.FlashOrigin, &s.EepromBuffer,
                                           &s.EepromOrigin};
    const std::size_t sizes[] = {kFlashBufferSize, kFlashBufferSize, kEepromBufferSize,
                                 kEepromBufferSize};
    const std::size_t count = s.EepromLastAddress != 0 ? 4 : 2;
    for (std::size_t i = 0; i < count; ++i) {
        if (!allocate(*blocks[i], sizes[i])) {
            ShowMessage("Insufficient Memory Available", "Memory Allocation Error",
                        MessageIcon::Stop);
            return 1;
        }
    }
    std::fill(s.FlashBuffer.begin(), s.FlashBuffer.end(), 0xFF);
    std::fill(s.FlashOrigin.begin(), s.FlashOrigin.end(), OriginNone);
    std::fill(s.EepromBuffer.begin(), s.EepromBuffer.end(), 0xFF);
    std::fill(s.EepromOrigin.begin(), s.EepromOrigin.end(), OriginNone);
    ForgetBufferHistory(BufferKind::Flash);
    ForgetBufferHistory(BufferKind::Eeprom);
    return 0;
}

void ReleaseBuffers() {
    auto& s = App();
    for (auto* block : {&s.FlashBuffer, &s.FlashOrigin, &s.EepromBuffer, &s.EepromOrigin}) {
        std::vector<std::uint8_t>().swap(*block);
    }
    ForgetBufferHistory(BufferKind::Flash);
    ForgetBufferHistory(BufferKind::Eeprom);
}

std::uint16_t LastAddress(BufferKind kind) {
    return kind == BufferKind::Flash ? App().FlashLastAddress : App().EepromLastAddress;
}

std::uint8_t BufferRead(BufferKind kind, std::uint16_t address) {
    return Reachable(Image(kind), kind, address) ? Image(kind)[address] : 0xFF;
}

void BufferWrite(BufferKind kind, std::uint16_t address, std::uint8_t value) {
    if (Reachable(Image(kind), kind, address)) {
        NoteBufferWrite(kind, address);
        Image(kind)[address] = value;
    }
}

void SetOrigin(BufferKind kind, std::uint16_t address, ByteOrigin origin) {
    if (Reachable(Origins(kind), kind, address)) {
        NoteBufferWrite(kind, address);
        Origins(kind)[address] = origin;
    }
}

ByteOrigin GetOrigin(BufferKind kind, std::uint16_t address) {
    if (Reachable(Origins(kind), kind, address)) {
        return static_cast<ByteOrigin>(Origins(kind)[address]);
    }
    return OriginNone;
}

std::uint8_t FlashRead(std::uint16_t address) { return BufferRead(BufferKind::Flash, address); }
std::uint8_t EepromRead(std::uint16_t address) { return BufferRead(BufferKind::Eeprom, address); }
void FlashWrite(std::uint16_t address, std::uint8_t value) {
    BufferWrite(BufferKind::Flash, address, value);
}
void EepromWrite(std::uint16_t address, std::uint8_t value) {
    BufferWrite(BufferKind::Eeprom, address, value);
}

void CopyFlashOut(std::uint16_t address, std::uint8_t* destination, std::uint16_t count) {
    for (std::uint16_t i = 0; i < count; ++i) {
        destination[i] = FlashRead(static_cast<std::uint16_t>(address + i));
    }
}

void CopyEepromOut(std::uint16_t address, std::uint8_t* destination, std::uint16_t count) {
    for (std::uint16_t i = 0; i < count; ++i) {
        destination[i] = EepromRead(static_cast<std::uint16_t>(address + i));
    }
}

void FillBufferRange(BufferKind kind, std::uint16_t start, std::uint16_t end, std::uint8_t value) {
    {
        const UndoStep step(kind);
        for (std::uint32_t a = start; a <= end; ++a) {
            const auto address = static_cast<std::uint16_t>(a);
            BufferWrite(kind, address, value);
            SetOrigin(kind, address, OriginEdited);
        }
    }
    AnnounceBufferChange(kind, start, end);
}

void CopyBufferRange(BufferKind kind, std::uint16_t sourceStart, std::uint16_t sourceEnd,
                     std::uint16_t destination) {
    assert(sourceStart <= sourceEnd);
    const std::uint32_t n = static_cast<std::uint32_t>(sourceEnd) - sourceStart + 1;
    auto copyOne = [&](std::uint32_t k) {
        const auto to = static_cast<std::uint16_t>(destination + k);
        BufferWrite(kind, to, BufferRead(kind, static_cast<std::uint16_t>(sourceStart + k)));
        SetOrigin(kind, to, OriginEdited);
    };
    {
        const UndoStep step(kind);
        if (sourceStart <= destination && destination <= sourceEnd) {
            for (std::uint32_t k = n; k-- > 0;) copyOne(k);
        } else {
            for (std::uint32_t k = 0; k < n; ++k) copyOne(k);
        }
    }
    AnnounceBufferChange(kind, destination, LastOf(destination, n));
}

void ClearBuffer(BufferKind kind) {
    {
        const UndoStep step(kind);
        for (std::uint32_t a = 0; a <= LastAddress(kind); ++a) {
            BufferWrite(kind, static_cast<std::uint16_t>(a), 0xFF);
            SetOrigin(kind, static_cast<std::uint16_t>(a), OriginNone);
        }
    }
    AnnounceBufferCleared(kind);
}

std::uint16_t BufferChecksum(BufferKind kind, std::uint16_t start, std::uint16_t end) {
    std::uint16_t sum = 0;
    for (std::uint32_t a = start; a <= end; ++a) {
        sum = static_cast<std::uint16_t>(sum + BufferRead(kind, static_cast<std::uint16_t>(a)));
    }
    return sum;
}

std::uint8_t StoreEditedByte(BufferKind kind, std::uint16_t address, std::uint8_t value) {
    {
        const UndoStep step(kind);
        BufferWrite(kind, address, value);
        SetOrigin(kind, address, OriginEdited);
    }
    AnnounceBufferChange(kind, address, address);
    return BufferRead(kind, address);
}

std::uint8_t StoreEditedByte(std::uint16_t topAddress, const std::uint8_t* rowCache,
                             std::uint16_t index) {
    return StoreEditedByte(BufferKind::Flash, static_cast<std::uint16_t>(topAddress + index),
                           rowCache[index]);
}

void StoreAssembledCode(std::uint16_t address, const std::uint8_t* output, std::size_t offset,
                        std::size_t count) {
    StoreProgramLine(address, output + offset, count);
}

void StoreProgramLine(std::uint16_t address, const std::uint8_t* block, std::size_t count) {
    assert(count >= 1 && count <= 3);
    {
        const UndoStep step(BufferKind::Flash);
        for (std::size_t i = 0; i < count; ++i) {
            const auto a = static_cast<std::uint16_t>(address + i);
            FlashWrite(a, block[i]);
            SetOrigin(BufferKind::Flash, a, OriginEdited);
        }
    }
    AnnounceBufferChange(BufferKind::Flash, address, LastOf(address, count));
}

}  // namespace zvk
