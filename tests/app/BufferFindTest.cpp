#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "app/AppState.h"
#include "app/BufferFind.h"
#include "app/Buffers.h"
#include "app/DeviceTable.h"

namespace zvk {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(FindBytes, HexInPairsWithOrWithoutBlanksAndTextAsLatin1) {
    const struct {
        FindQuery query;
        std::optional<Bytes> bytes;
    } cases[] = {
        {{"02 00 30", false}, Bytes{0x02, 0x00, 0x30}},
        {{"020030", false}, Bytes{0x02, 0x00, 0x30}},
        {{"  aB\tcd ", false}, Bytes{0xAB, 0xCD}},
        {{"2 00", false}, std::nullopt},  // a lone digit
        {{"020", false}, std::nullopt},   // half a byte at the end
        {{"0G", false}, std::nullopt},
        {{"", false}, std::nullopt},
        {{"   ", false}, std::nullopt},
        {{"ZVK 1", true}, Bytes{'Z', 'V', 'K', ' ', '1'}},
        {{"\xC3\xA9", true}, Bytes{0xE9}},       // é, typed as UTF-8
        {{"\xE2\x82\xAC", true}, std::nullopt},  // € has no byte of its own
        {{"", true}, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FindBytes(c.query), c.bytes) << c.query.typed << " text=" << c.query.text;
    }
}

class FindInBufferTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAppState();
        SelectDevice(*FindDeviceByName("AT89C2051"));  // Flash 0000-07FF
        ASSERT_EQ(AllocateBuffers(), 0);
        for (const std::uint16_t at : {0x0010, 0x0400, 0x07FE}) {
            FlashWrite(at, 0x12);
            FlashWrite(static_cast<std::uint16_t>(at + 1), 0x34);
        }
    }
    const Bytes pattern{0x12, 0x34};
};

TEST_F(FindInBufferTest, FindsFromTheAddressOnAndGoesOnFromTheStart) {
    const struct {
        std::uint32_t from;
        std::uint16_t address;
        bool wrapped;
    } cases[] = {
        {0x0000, 0x0010, false}, {0x0010, 0x0010, false},
        {0x0011, 0x0400, false}, {0x0401, 0x07FE, false},  // the last two bytes of the buffer
        {0x07FF, 0x0010, true},  {0x10000, 0x0010, true},
    };
    for (const auto& c : cases) {
        const auto hit = FindInBuffer(BufferKind::Flash, pattern, c.from);
        ASSERT_TRUE(hit) << c.from;
        EXPECT_EQ(hit->address, c.address) << c.from;
        EXPECT_EQ(hit->wrapped, c.wrapped) << c.from;
    }
}

TEST_F(FindInBufferTest, NothingBeyondTheLastAddressOrLongerThanTheBuffer) {
    // Bytes after the part's last address are not in its buffer.
    FlashWrite(0x07FF, 0x56);
    EXPECT_FALSE(FindInBuffer(BufferKind::Flash, Bytes{0x56, 0xFF}, 0));
    EXPECT_FALSE(FindInBuffer(BufferKind::Flash, Bytes{0x99}, 0));
    EXPECT_FALSE(FindInBuffer(BufferKind::Flash, Bytes(0x801, 0xFF), 0));
    const auto whole = FindInBuffer(BufferKind::Eeprom, Bytes(kEepromBufferSize, 0xFF), 5);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->address, 0);
}

}  // namespace
}  // namespace zvk
