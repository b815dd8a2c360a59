#pragma once
// Who hears of changes to the two buffers: the hex editors and the
// disassembly view that show them, the reload bookkeeping. Whatever changes a
// buffer announces it once per operation, naming the addresses it wrote (a
// fill, a load, a read from the chip, a typed byte) or that it cleared the
// whole buffer. The core holds no windows: a view subscribes while it is open
// and its subscription ends with the token it was given.

#include <cstdint>
#include <functional>

#include "app/AppState.h"

namespace zvk {

struct BufferChange {
    BufferKind kind = BufferKind::Flash;
    // The addresses written, first <= last. A clear names the whole block
    // and sets cleared.
    std::uint16_t first = 0;
    std::uint16_t last = 0;
    bool cleared = false;  // every byte set to FF with no origin

    // Whether the change touches any of the count addresses from start on.
    [[nodiscard]] bool Touches(std::uint32_t start, std::uint32_t count) const;
    bool operator==(const BufferChange&) const = default;
};

using BufferObserver = std::function<void(const BufferChange&)>;

// Ends its subscription when it goes; movable, not copyable. An empty token
// holds none.
class BufferSubscription {
  public:
    BufferSubscription() = default;
    BufferSubscription(BufferSubscription&& other) noexcept;
    BufferSubscription& operator=(BufferSubscription&& other) noexcept;
    BufferSubscription(const BufferSubscription&) = delete;
    BufferSubscription& operator=(const BufferSubscription&) = delete;
    ~BufferSubscription();

    // Ends the subscription now.
    void Reset();
    [[nodiscard]] bool Active() const { return id_ != 0; }

  private:
    friend BufferSubscription SubscribeBufferChanges(BufferObserver observer);
    explicit BufferSubscription(std::uint64_t id) : id_(id) {}

    std::uint64_t id_ = 0;
};

// Observers hear every announcement of either buffer, in the order they
// subscribed. An observer may subscribe or unsubscribe others (or itself)
// while it is told: one that leaves is not told again, one that joins hears
// the next announcement.
[[nodiscard]] BufferSubscription SubscribeBufferChanges(BufferObserver observer);

// Tells every observer that the addresses first..last of the buffer changed.
void AnnounceBufferChange(BufferKind kind, std::uint16_t first, std::uint16_t last);
// Tells every observer that the whole buffer was cleared.
void AnnounceBufferCleared(BufferKind kind);

}  // namespace zvk
