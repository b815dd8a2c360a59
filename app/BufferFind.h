#pragma once
// Find in a buffer (Ctrl+F and F3 in the hex editors and the disassembly
// view): what the user typed, as hexadecimal bytes or as text, and the search
// through the Flash or EEPROM buffer, going on from the start after the end.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/AppState.h"

namespace zvk {

// What was asked for last; F3 looks for it again.
struct FindQuery {
    std::string typed;  // as the user typed it
    bool text = false;  // text: the characters' bytes; else hexadecimal bytes
    [[nodiscard]] bool operator==(const FindQuery&) const = default;
};

// The bytes a query looks for, or nullopt when there are none or the typed
// hex is not whole bytes: two digits a byte, blanks between bytes allowed
// ("02 00 30" or "020030"). Text is taken as its Latin-1 bytes; a character
// beyond Latin-1 makes no bytes.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> FindBytes(const FindQuery& query);

struct FindHit {
    std::uint16_t address;
    bool wrapped;  // found only after going on from the start
};

// The first place at or after `from` where the buffer of the kind holds the
// bytes, within its last address; past the end the search goes on from 0 up
// to `from`. nullopt when they are nowhere (or longer than the buffer).
[[nodiscard]] std::optional<FindHit> FindInBuffer(BufferKind kind,
                                                  std::span<const std::uint8_t> bytes,
                                                  std::uint32_t from);

}  // namespace zvk
