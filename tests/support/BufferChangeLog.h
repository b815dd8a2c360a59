#pragma once
// Records every buffer change announced while it lives.

#include <ostream>
#include <vector>

#include "app/BufferEvents.h"

namespace zvk {

inline void PrintTo(const BufferChange& change, std::ostream* out) {
    *out << (change.kind == BufferKind::Flash ? "Flash " : "EEPROM ");
    if (change.cleared) {
        *out << "cleared";
    } else {
        *out << std::hex << change.first << ".." << change.last << std::dec;
    }
}

namespace test {

inline BufferChange Changed(BufferKind kind, std::uint16_t first, std::uint16_t last) {
    return {kind, first, last, false};
}
inline BufferChange Cleared(BufferKind kind) { return {kind, 0, 0xFFFF, true}; }

struct BufferChangeLog {
    BufferChangeLog() = default;
    BufferChangeLog(const BufferChangeLog&) = delete;
    BufferChangeLog& operator=(const BufferChangeLog&) = delete;

    std::vector<BufferChange> changes;
    BufferSubscription subscription =
        SubscribeBufferChanges([this](const BufferChange& change) { changes.push_back(change); });
};

}  // namespace test
}  // namespace zvk
