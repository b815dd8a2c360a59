#include "ops/JobSupport.h"

#include <cstdarg>
#include <cstdio>

#include "app/Buffers.h"
#include "app/DeviceTable.h"
#include "app/Messages.h"
#include "link/Protocol.h"

namespace zvk {

std::string PercentText(std::uint32_t done, std::uint32_t total) {
    const std::uint32_t percent =
        total == 0 || done >= total ? 100 : static_cast<std::uint32_t>(done * 100ULL / total);
    return Format("%u%%", percent);
}

std::string AddressText(std::uint16_t address) { return Format("%04XH", address); }

std::string Format(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

void ShowFailedAt(std::string_view what, std::uint16_t address) {
    ShowMessage(Format("%.*s Failed at %04X", static_cast<int>(what.size()), what.data(), address),
                "Error", MessageIcon::Stop);
}

std::string WithPartName(std::string_view before, std::string_view after) {
    std::string text(before);
    text += SelectedDeviceInfo().PartName;
    text += after;
    return text;
}

void FindingList::Add(std::string_view line) {
    if (text_.size() >= kListCapacity) {
        if (!full_) text_ += kMore;
        full_ = true;
        return;
    }
    text_ += line;
    listed_ = true;
}

void BlockWalk::Advance(std::uint16_t n, DeviceProgressModel& model) {
    remaining_ = static_cast<std::uint16_t>(remaining_ - n);
    nextAddress_ = static_cast<std::uint16_t>(nextAddress_ + n);
    offset_ = static_cast<std::uint16_t>(offset_ + n);
    bytesDone_ += n;
    model.progress.position = bytesDone_;
    model.percentage = n < kReadBlockSize ? "100%" : PercentText(bytesDone_, total_);
}

bool ReadDeviceBlock(BufferKind kind, std::uint16_t address, std::uint16_t count,
                     std::uint8_t* block) {
    return kind == BufferKind::Flash ? ReadFlashBlock(address, count, block)
                                     : ReadEepromBlock(address, count, block);
}

std::optional<std::uint16_t> FirstDifference(const std::uint8_t* block,
                                             const std::uint8_t* expected, std::uint16_t count) {
    for (std::uint16_t k = 0; k < count; ++k) {
        if (block[k] != expected[k]) return k;
    }
    return std::nullopt;
}

void CopyBufferOut(BufferKind kind, std::uint16_t address, std::uint8_t* destination,
                   std::uint16_t count) {
    for (std::uint16_t i = 0; i < count; ++i) {
        destination[i] = BufferRead(kind, static_cast<std::uint16_t>(address + i));
    }
}

}  // namespace zvk
