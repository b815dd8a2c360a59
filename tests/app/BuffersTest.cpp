#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "app/AppState.h"
#include "app/Buffers.h"
#include "app/DeviceTable.h"
#include "tests/support/BufferChangeLog.h"
#include "tests/support/MessageRecorder.h"

namespace zvk {
namespace {

class Buffers : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAppState();
        SelectDevice(9);  // AT89C55: the whole 20 KB are reachable
        ASSERT_EQ(AllocateBuffers(), 0);
    }
};

TEST_F(Buffers, StartErasedWithNoOrigin) {
    for (std::uint32_t a = 0; a < kFlashBufferSize; ++a) {
        ASSERT_EQ(FlashRead(static_cast<std::uint16_t>(a)), 0xFF);
        ASSERT_EQ(App().FlashOrigin[a], OriginNone);
    }
    for (std::uint32_t a = 0; a < kEepromBufferSize; ++a) {
        ASSERT_EQ(EepromRead(static_cast<std::uint16_t>(a)), 0xFF);
        ASSERT_EQ(App().EepromOrigin[a], OriginNone);
    }
}

TEST_F(Buffers, AccessorsKeepToTheSelectedPartsBounds) {
    SelectDevice(0);  // AT89C1051, last address 03FF
    FlashWrite(0x03FF, 0x12);
    FlashWrite(0x0400, 0x34);
    EXPECT_EQ(FlashRead(0x03FF), 0x12);
    EXPECT_EQ(FlashRead(0x0400), 0xFF);
    EXPECT_EQ(App().FlashBuffer[0x0400], 0xFF) << "an out-of-range write is dropped";

    EepromWrite(2047, 0x56);
    EepromWrite(2048, 0x78);
    EXPECT_EQ(EepromRead(2047), 0x56);
    EXPECT_EQ(EepromRead(2048), 0xFF);
    EXPECT_EQ(FlashRead(0xFFFF), 0xFF);

    std::uint8_t out[4] = {};
    CopyFlashOut(0x03FE, out, 4);
    EXPECT_EQ(std::vector<std::uint8_t>(out, out + 4),
              (std::vector<std::uint8_t>{0xFF, 0x12, 0xFF, 0xFF}));
    CopyEepromOut(2046, out, 3);
    EXPECT_EQ(std::vector<std::uint8_t>(out, out + 3),
              (std::vector<std::uint8_t>{0xFF, 0x56, 0xFF}));
}

TEST_F(Buffers, AccessorsNeverLeaveAMissingBlock) {
    ReleaseBuffers();
    FlashWrite(0, 1);
    EXPECT_EQ(FlashRead(0), 0xFF);
    EXPECT_EQ(EepromRead(0), 0xFF);
}

// Copies must give what a copy through a temporary block gives, whichever way
// source and destination overlap.
TEST_F(Buffers, OverlappingCopiesMatchACopyThroughATemporaryBlock) {
    struct Case {
        std::uint16_t start, end, destination;
    };
    for (const Case c : {Case{0x0100, 0x01FF, 0x0180}, Case{0x0180, 0x027F, 0x0100},
                         Case{0x0000, 0x0000, 0x0000}, Case{0x0010, 0x001F, 0x0011}}) {
        for (std::uint16_t a = 0; a < 0x400; ++a) FlashWrite(a, static_cast<std::uint8_t>(a * 7));
        std::vector<std::uint8_t> expected(App().FlashBuffer);
        const std::vector<std::uint8_t> temp(expected.begin() + c.start,
                                             expected.begin() + c.end + 1);
        std::copy(temp.begin(), temp.end(), expected.begin() + c.destination);

        std::fill(App().FlashOrigin.begin(), App().FlashOrigin.end(), OriginNone);
        CopyBufferRange(BufferKind::Flash, c.start, c.end, c.destination);
        EXPECT_EQ(App().FlashBuffer, expected) << c.start << ".." << c.end << "->" << c.destination;
        for (std::size_t k = 0; k < temp.size(); ++k) {
            ASSERT_EQ(App().FlashOrigin[c.destination + k], OriginEdited);
        }
        EXPECT_EQ(App().FlashOrigin[c.destination + temp.size()], OriginNone);
    }
}

TEST_F(Buffers, CopyAndFillWorkOnTheBufferGiven) {
    FillBufferRange(BufferKind::Eeprom, 0x0010, 0x0010, 0xAB);
    EXPECT_EQ(EepromRead(0x000F), 0xFF);
    EXPECT_EQ(EepromRead(0x0010), 0xAB);
    EXPECT_EQ(EepromRead(0x0011), 0xFF);
    EXPECT_EQ(App().EepromOrigin[0x0010], OriginEdited);
    EXPECT_EQ(App().EepromOrigin[0x0011], OriginNone);
    EXPECT_EQ(FlashRead(0x0010), 0xFF);

    CopyBufferRange(BufferKind::Eeprom, 0x0010, 0x0010, 0x07FF);
    EXPECT_EQ(EepromRead(0x07FF), 0xAB);

    FillBufferRange(BufferKind::Eeprom, 0x07FE, 0x07FF, 0x00);  // ends at the last address: no wrap
    EXPECT_EQ(EepromRead(0x0000), 0xFF);
}

TEST_F(Buffers, ClearResetsTheReachablePartAndAnnouncesIt) {
    FillBufferRange(BufferKind::Flash, 0x0000, 0x07FF, 0x55);
    SelectDevice(0);  // 1 KB part
    ClearBuffer(BufferKind::Flash);
    EXPECT_EQ(App().FlashBuffer[0x03FF], 0xFF);
    EXPECT_EQ(App().FlashOrigin[0x03FF], OriginNone);
    EXPECT_EQ(App().FlashBuffer[0x0400], 0x55) << "bytes above the part stay in the block";
    EXPECT_EQ(App().FlashOrigin[0x0400], OriginEdited);
    SelectDevice(9);
    EXPECT_EQ(FlashRead(0x0400), 0x55) << "and show again with a larger part";
}

// One announcement per operation, naming what it wrote (clipped to the
// address space, not to the part: the writes above the last address are
// dropped anyway).
TEST_F(Buffers, EveryWriterAnnouncesWhatItWroteOnce) {
    using test::Changed;
    test::BufferChangeLog log;
    const std::uint8_t code[3] = {0x02, 0x01, 0x00};
    FillBufferRange(BufferKind::Flash, 0x0100, 0x01FF, 0x55);
    CopyBufferRange(BufferKind::Flash, 0x0100, 0x010F, 0x0108);
    CopyBufferRange(BufferKind::Flash, 0x0100, 0x01FF, 0xFFF0);
    (void)StoreEditedByte(BufferKind::Eeprom, 0x0010, 0x41);
    StoreAssembledCode(0x0020, code, 1, 2);
    StoreProgramLine(0xFFFE, code, 3);
    ClearBuffer(BufferKind::Eeprom);
    EXPECT_EQ(log.changes, (std::vector<BufferChange>{
                               Changed(BufferKind::Flash, 0x0100, 0x01FF),
                               Changed(BufferKind::Flash, 0x0108, 0x0117),
                               Changed(BufferKind::Flash, 0xFFF0, 0xFFFF),
                               Changed(BufferKind::Eeprom, 0x0010, 0x0010),
                               Changed(BufferKind::Flash, 0x0020, 0x0021),
                               Changed(BufferKind::Flash, 0xFFFE, 0xFFFF),
                               test::Cleared(BufferKind::Eeprom),
                           }));
    EXPECT_EQ(EepromRead(0x0010), 0xFF);
}

TEST_F(Buffers, CodeToolWritersMarkTheirBytesEdited) {
    const std::uint8_t row[16] = {0, 0, 0, 0, 0x41};
    EXPECT_EQ(StoreEditedByte(0x0010, row, 4), 0x41);
    EXPECT_EQ(FlashRead(0x0014), 0x41);
    EXPECT_EQ(App().FlashOrigin[0x0014], OriginEdited);
    EXPECT_EQ(StoreEditedByte(BufferKind::Eeprom, 0x0800, 0x41), 0xFF) << "above the last address";
    EXPECT_EQ(App().EepromOrigin[0x07FF], OriginNone);

    const std::uint8_t code[3] = {0x02, 0x01, 0x00};
    StoreAssembledCode(0x0000, code, 1, 2);
    EXPECT_EQ(FlashRead(0x0000), 0x01);
    EXPECT_EQ(FlashRead(0x0001), 0x00);
    EXPECT_EQ(FlashRead(0x0002), 0xFF);

    StoreProgramLine(0x4FFE, code, 3);  // the third byte falls off the end
    EXPECT_EQ(FlashRead(0x4FFE), 0x02);
    EXPECT_EQ(FlashRead(0x4FFF), 0x01);
    EXPECT_EQ(App().FlashOrigin[0x4FFF], OriginEdited);
    EXPECT_EQ(App().FlashBuffer[0x0000], 0x01) << "nothing wraps to the start";
}

TEST(BufferAllocation, FailureShowsItsMessageAndKeepsEarlierBlocks) {
    ResetAppState();
    test::MessageRecorder recorder;
    int calls = 0;
    const int result = AllocateBuffers([&](std::vector<std::uint8_t>& block, std::size_t size) {
        if (++calls == 3) return false;  // the EEPROM image
        block.assign(size, 0);
        return true;
    });
    EXPECT_NE(result, 0);
    EXPECT_EQ(recorder.Lines(),
              std::vector<std::string>{"Memory Allocation Error|Insufficient Memory Available"});
    EXPECT_EQ(recorder.messages[0].icon, MessageIcon::Stop);
    EXPECT_EQ(App().FlashBuffer.size(), kFlashBufferSize);
    EXPECT_EQ(App().FlashOrigin.size(), kFlashBufferSize);
    EXPECT_TRUE(App().EepromBuffer.empty());
    EXPECT_EQ(calls, 3) << "stops at the first failure";
}

}  // namespace
}  // namespace zvk
