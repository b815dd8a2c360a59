#include "app/BufferEvents.h"

#include <algorithm>
#include <cassert>
#include <memory>
#include <utility>
#include <vector>

namespace zvk {
namespace {

struct Entry {
    std::uint64_t id;
    // Shared, so that an announcement under way keeps the observer it is
    // calling alive even when that observer unsubscribes itself.
    std::shared_ptr<BufferObserver> observer;
};

struct Registry {
    std::vector<Entry> entries;
    std::uint64_t nextId = 1;
};

Registry& Observers() {
    static Registry registry;
    return registry;
}

bool Subscribed(std::uint64_t id) {
    const auto& entries = Observers().entries;
    return std::any_of(entries.begin(), entries.end(),
                       [id](const Entry& entry) { return entry.id == id; });
}

void Announce(const BufferChange& change) {
    // A copy: observers may join or leave while they are told.
    const std::vector<Entry> entries = Observers().entries;
    for (const Entry& entry : entries) {
        if (Subscribed(entry.id)) (*entry.observer)(change);
    }
}

}  // namespace

bool BufferChange::Touches(std::uint32_t start, std::uint32_t count) const {
    if (count == 0) return false;
    if (cleared) return true;
    return first < start + count && start <= last;
}

BufferSubscription::BufferSubscription(BufferSubscription&& other) noexcept
    : id_(std::exchange(other.id_, 0)) {}

BufferSubscription& BufferSubscription::operator=(BufferSubscription&& other) noexcept {
    if (this != &other) {
        Reset();
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

BufferSubscription::~BufferSubscription() { Reset(); }

void BufferSubscription::Reset() {
    if (id_ == 0) return;
    auto& entries = Observers().entries;
    std::erase_if(entries, [this](const Entry& entry) { return entry.id == id_; });
    id_ = 0;
}

BufferSubscription SubscribeBufferChanges(BufferObserver observer) {
    assert(observer);
    Registry& registry = Observers();
    const std::uint64_t id = registry.nextId++;
    registry.entries.push_back({id, std::make_shared<BufferObserver>(std::move(observer))});
    return BufferSubscription(id);
}

void AnnounceBufferChange(BufferKind kind, std::uint16_t first, std::uint16_t last) {
    assert(first <= last);
    Announce({kind, first, last, false});
}

void AnnounceBufferCleared(BufferKind kind) { Announce({kind, 0, 0xFFFF, true}); }

}  // namespace zvk
