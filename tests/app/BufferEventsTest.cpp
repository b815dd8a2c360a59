#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "app/BufferEvents.h"
#include "tests/support/BufferChangeLog.h"

namespace zvk {
namespace {

using test::Changed;

TEST(BufferEvents, ASubscriptionEndsWithItsToken) {
    std::vector<int> heard;
    std::optional<BufferSubscription> first =
        SubscribeBufferChanges([&](const BufferChange&) { heard.push_back(1); });
    BufferSubscription second =
        SubscribeBufferChanges([&](const BufferChange&) { heard.push_back(2); });
    AnnounceBufferChange(BufferKind::Flash, 0, 0);
    EXPECT_EQ(heard, (std::vector<int>{1, 2})) << "in the order they subscribed";

    // A moved token carries the subscription; the one moved from holds none.
    BufferSubscription moved = std::move(second);
    EXPECT_FALSE(second.Active());
    first.reset();
    heard.clear();
    AnnounceBufferCleared(BufferKind::Eeprom);
    EXPECT_EQ(heard, (std::vector<int>{2}));

    // Assigning over a token ends the subscription it held.
    moved = SubscribeBufferChanges([&](const BufferChange&) { heard.push_back(3); });
    heard.clear();
    AnnounceBufferChange(BufferKind::Flash, 0, 0);
    EXPECT_EQ(heard, (std::vector<int>{3}));
    moved.Reset();
    heard.clear();
    AnnounceBufferChange(BufferKind::Flash, 0, 0);
    EXPECT_TRUE(heard.empty());
}

// A view that closes because of a change may take other subscriptions, or
// its own, with it while the announcement is under way.
TEST(BufferEvents, ObserversMayLeaveAndJoinWhileTold) {
    std::vector<int> heard;
    BufferSubscription second;
    BufferSubscription joined;
    BufferSubscription first = SubscribeBufferChanges([&](const BufferChange&) {
        heard.push_back(1);
        second.Reset();
        first.Reset();
        joined = SubscribeBufferChanges([&](const BufferChange&) { heard.push_back(3); });
    });
    second = SubscribeBufferChanges([&](const BufferChange&) { heard.push_back(2); });
    AnnounceBufferChange(BufferKind::Flash, 0, 0);
    EXPECT_EQ(heard, (std::vector<int>{1})) << "one that left is not told, one that joined waits";
    AnnounceBufferChange(BufferKind::Flash, 0, 0);
    EXPECT_EQ(heard, (std::vector<int>{1, 3}));
}

TEST(BufferEvents, AChangeTouchesTheAddressesItNames) {
    const BufferChange change = Changed(BufferKind::Flash, 0x0100, 0x010F);
    struct Case {
        std::uint32_t start, count;
        bool touches;
    };
    for (const Case& c : {Case{0x0000, 0x0100, false}, Case{0x0000, 0x0101, true},
                          Case{0x010F, 1, true}, Case{0x0110, 0x100, false}, Case{0x0105, 2, true},
                          Case{0x0000, 0x10000, true}, Case{0x0100, 0, false}}) {
        EXPECT_EQ(change.Touches(c.start, c.count), c.touches)
            << std::hex << c.start << "+" << c.count;
    }
    EXPECT_TRUE(test::Cleared(BufferKind::Eeprom).Touches(0x4000, 16))
        << "a clear reaches every row";
}

}  // namespace
}  // namespace zvk
