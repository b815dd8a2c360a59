#include "app/BufferFind.h"

#include "app/Buffers.h"
#include "app/HexField.h"

namespace zvk {

std::optional<std::vector<std::uint8_t>> FindBytes(const FindQuery& query) {
    std::vector<std::uint8_t> bytes;
    if (query.text) {
        // The typed text is UTF-8; the buffers hold one byte a character.
        for (std::size_t i = 0; i < query.typed.size(); ++i) {
            const auto c = static_cast<unsigned char>(query.typed[i]);
            if (c < 0x80) {
                bytes.push_back(c);
            } else if ((c == 0xC2 || c == 0xC3) && i + 1 < query.typed.size()) {
                const auto next = static_cast<unsigned char>(query.typed[++i]);
                bytes.push_back(static_cast<std::uint8_t>(((c & 0x03) << 6) | (next & 0x3F)));
            } else {
                return std::nullopt;
            }
        }
    } else {
        int high = -1;
        for (const char c : query.typed) {
            if (c == ' ' || c == '\t') {
                if (high >= 0) return std::nullopt;  // a lone digit
                continue;
            }
            const int digit = HexDigitValue(c);
            if (digit < 0) return std::nullopt;
            if (high < 0) {
                high = digit;
            } else {
                bytes.push_back(static_cast<std::uint8_t>(high * 16 + digit));
                high = -1;
            }
        }
        if (high >= 0) return std::nullopt;
    }
    if (bytes.empty()) return std::nullopt;
    return bytes;
}

std::optional<FindHit> FindInBuffer(BufferKind kind, std::span<const std::uint8_t> bytes,
                                    std::uint32_t from) {
    const std::uint32_t size = LastAddress(kind) + 1u;
    if (bytes.empty() || bytes.size() > size) return std::nullopt;
    const std::uint32_t lastStart = size - static_cast<std::uint32_t>(bytes.size());
    const auto matchesAt = [&](std::uint32_t at) {
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (BufferRead(kind, static_cast<std::uint16_t>(at + i)) != bytes[i]) return false;
        }
        return true;
    };
    if (from > lastStart) from = lastStart + 1;
    for (std::uint32_t at = from; at <= lastStart; ++at) {
        if (matchesAt(at)) return FindHit{static_cast<std::uint16_t>(at), false};
    }
    for (std::uint32_t at = 0; at < from && at <= lastStart; ++at) {
        if (matchesAt(at)) return FindHit{static_cast<std::uint16_t>(at), true};
    }
    return std::nullopt;
}

}  // namespace zvk
