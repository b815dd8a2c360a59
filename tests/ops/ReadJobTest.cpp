#include "ops/ReadJob.h"

#include <gtest/gtest.h>

#include "app/UndoHistory.h"
#include "ops/OperationRange.h"
#include "tests/support/VirtualUnit.h"

namespace zvk {
namespace {

using namespace std::chrono_literals;
using test::DriveJob;
using test::VirtualUnit;

void FillChip(VirtualUnit& unit) {
    for (std::size_t i = 0; i < unit.Chip().Flash.size(); ++i) {
        unit.Chip().Flash[i] = static_cast<std::uint8_t>(i * 13 + (i >> 8));
    }
}

TEST(ReadJobTest, BlocksOfSixteenAndAShortLastOne) {
    struct Case {
        std::uint16_t count;
        int steps;
    };
    for (const Case c : {Case{1, 1}, Case{16, 1}, Case{17, 2}, Case{40, 3}}) {
        SCOPED_TRACE(c.count);
        VirtualUnit unit("AT89C55");
        FillChip(unit);
        ReadJob job({PackStartCount(0x1000, c.count), 0x0020}, 0ms);
        const auto run = DriveJob(job);
        EXPECT_EQ(run.steps, c.steps);
        EXPECT_EQ(run.last.code, 1);
        EXPECT_EQ(job.model.percentage, "100%");
        EXPECT_EQ(job.model.progress.position, c.count);
        EXPECT_EQ(job.model.title, "Read from Device - Flash");
        EXPECT_EQ(job.model.status, "Reading from AT89C55...");
        for (std::uint16_t i = 0; i < c.count; ++i) {
            const auto address = static_cast<std::uint16_t>(0x0020 + i);
            ASSERT_EQ(FlashRead(address), unit.Chip().Flash[0x1000 + i]);
            ASSERT_EQ(GetOrigin(BufferKind::Flash, address), OriginDevice);
        }
        EXPECT_EQ(GetOrigin(BufferKind::Flash, static_cast<std::uint16_t>(0x0020 + c.count)),
                  OriginNone);
    }
}

TEST(ReadJobTest, CancelAfterTheFirstBlockKeepsItAndAnnouncesIt) {
    VirtualUnit unit("AT89C55");
    FillChip(unit);
    ReadJob job({PackStartCount(0x0000, 0x0100), 0x0000}, 0ms);
    job.Start();
    ASSERT_FALSE(job.Step().finished);
    EXPECT_EQ(job.model.percentage, "6%");
    job.Cancel();
    EXPECT_TRUE(job.model.cancelled);
    EXPECT_EQ(job.Step().code, 1);
    for (std::uint16_t a = 0; a < 16; ++a) {
        EXPECT_EQ(FlashRead(a), unit.Chip().Flash[a]);
        EXPECT_EQ(GetOrigin(BufferKind::Flash, a), OriginDevice);
    }
    EXPECT_EQ(FlashRead(16), 0xFF);
    EXPECT_EQ(GetOrigin(BufferKind::Flash, 16), OriginNone);
    EXPECT_EQ(unit.bufferChanges.changes,
              std::vector<BufferChange>{test::Changed(BufferKind::Flash, 0x0000, 0x000F)});
}

// A read replaces what the buffer held: what came before it can no longer be
// undone, in that buffer only.
TEST(ReadJobTest, AReadForgetsTheFlashBuffersUndoSteps) {
    VirtualUnit unit("AT89S8252");
    FillChip(unit);
    FillBufferRange(BufferKind::Flash, 0x0000, 0x000F, 0x12);
    FillBufferRange(BufferKind::Eeprom, 0x0000, 0x000F, 0x34);
    ASSERT_TRUE(CanUndo(BufferKind::Flash));
    ReadJob job({PackStartCount(0x0000, 0x0010), 0x0000}, 0ms);
    EXPECT_EQ(DriveJob(job).last.code, 1);
    EXPECT_FALSE(CanUndo(BufferKind::Flash));
    EXPECT_FALSE(UndoBufferChange(BufferKind::Flash));
    EXPECT_EQ(FlashRead(0x0005), unit.Chip().Flash[0x0005]);
    EXPECT_TRUE(CanUndo(BufferKind::Eeprom));
}

TEST(ReadJobTest, FullDeviceReadFillsTheWholeBufferWhateverTheStoredBufferStart) {
    VirtualUnit unit("AT89C55");
    FillChip(unit);
    App().ReadRange = {0x0010, 0x0020, 0x0300, kRangeFullDevice};
    bool ran = false;
    EXPECT_TRUE(RunOperation(RangeOperation::Read, [&](const DeviceRangeRequest& run) {
        EXPECT_EQ(run.DeviceStart(), 0);
        EXPECT_EQ(run.Count(), 20480);
        ReadJob job(run);
        EXPECT_EQ(DriveJob(job).last.code, 1);
        ran = true;
    }));
    EXPECT_TRUE(ran);
    EXPECT_TRUE(
        std::equal(unit.Chip().Flash.begin(), unit.Chip().Flash.end(), App().FlashBuffer.begin()));
    // A Full Device read stores nothing in its record.
    EXPECT_EQ(App().ReadRange.BufferStart, 0x0300);
    EXPECT_EQ(App().ReadRange.DeviceStart, 0x0010);
}

TEST(ReadJobTest, EepromReadLandsInTheEepromBuffer) {
    VirtualUnit unit("AT89S8252");
    unit.Chip().Eeprom[0x07FF] = 0x5A;
    ReadJob job({PackStartCount(0x07F0, 16), 0x0000, BufferKind::Eeprom});
    DriveJob(job);
    EXPECT_EQ(job.model.title, "Read from Device - EEPROM");
    EXPECT_EQ(EepromRead(0x000F), 0x5A);
    EXPECT_EQ(GetOrigin(BufferKind::Eeprom, 0x000F), OriginDevice);
}

}  // namespace
}  // namespace zvk
