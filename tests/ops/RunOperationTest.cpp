// The runners: what they pass to the progress job and what a Full Device run
// leaves in the remembered range.

#include <gtest/gtest.h>

#include "ops/OperationRange.h"
#include "tests/support/VirtualUnit.h"

namespace zvk {
namespace {

using test::VirtualUnit;

TEST(RunOperationTest, FullDeviceWriteBackPerOperation) {
    struct Case {
        RangeOperation operation;
        OperationRange during;  // the record while the progress job runs
        OperationRange after;
    };
    // AT89C4051: L = 0FFF. Every record starts as {0010, 0020, 0030, Full}.
    const Case cases[] = {
        {RangeOperation::BlankCheck, {0x0000, 0x0FFF, 0x0030, 1}, {0x0000, 0x0FFF, 0x0030, 1}},
        {RangeOperation::Program, {0x0000, 0x0FFF, 0x0000, 1}, {0x0000, 0x0FFF, 0x0030, 1}},
        {RangeOperation::Verify, {0x0010, 0x0FFF, 0x0000, 1}, {0x0010, 0x0FFF, 0x0000, 1}},
        {RangeOperation::Read, {0x0010, 0x0020, 0x0030, 1}, {0x0010, 0x0020, 0x0030, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.operation));
        VirtualUnit unit("AT89C4051");
        OperationRange& record = RangeRecord(c.operation);
        record = {0x0010, 0x0020, 0x0030, kRangeFullDevice};
        DeviceRangeRequest seen;
        OperationRange during;
        ASSERT_TRUE(RunOperation(c.operation, [&](const DeviceRangeRequest& run) {
            seen = run;
            during = record;
        }));
        EXPECT_EQ(seen.packedStartCount, 0x00001000u);
        EXPECT_EQ(seen.bufferStart, 0);
        for (const auto& [got, want] :
             {std::pair{during, c.during}, std::pair{seen.shown, c.during},
              std::pair{record, c.after}}) {
            EXPECT_EQ(got.DeviceStart, want.DeviceStart);
            EXPECT_EQ(got.DeviceEnd, want.DeviceEnd);
            EXPECT_EQ(got.BufferStart, want.BufferStart);
            EXPECT_EQ(got.Flags, want.Flags);
        }
    }
}

TEST(RunOperationTest, TheRequestCarriesTheRememberedRangeBufferAndOptions) {
    VirtualUnit unit("AT89S8252");
    App().VerifyRange = {0x0123, 0x0123, 0x0456, 0};
    App().CurrentBufferKind = BufferKind::Eeprom;
    App().OptionFlags = kOptionVerifyAfterProgram;
    DeviceRangeRequest seen;
    ASSERT_TRUE(
        RunOperation(RangeOperation::Verify, [&](const DeviceRangeRequest& run) { seen = run; }));
    EXPECT_EQ(seen.packedStartCount, 0x01230001u);
    EXPECT_EQ(seen.DeviceStart(), 0x0123);
    EXPECT_EQ(seen.Count(), 1);
    EXPECT_EQ(seen.bufferStart, 0x0456);
    EXPECT_EQ(seen.buffer, BufferKind::Eeprom);
    EXPECT_FALSE(seen.eraseFirst);
    EXPECT_TRUE(seen.verifyAfter);
    EXPECT_EQ(seen.shown.BufferStart, 0x0456);
}

TEST(RunOperationTest, ReadPreparesTheUnitFirstAndASilentUnitOpensNothing) {
    {
        VirtualUnit unit("AT89S8252");
        App().ProgrammingMode = 0;  // SPI: the preparation is 0x30
        App().ReadRange = {0x0000, 0x000F, 0x0000, 0};
        ASSERT_TRUE(RunOperation(RangeOperation::Read, [](const DeviceRangeRequest&) {}));
        EXPECT_EQ(unit.WireLines(), (std::vector<std::string>{"> 0D < 2D", "> 30"}));
    }
    {
        VirtualUnit unit("AT89S8252", test::SilentUnit());
        bool opened = false;
        EXPECT_FALSE(
            RunOperation(RangeOperation::Read, [&](const DeviceRangeRequest&) { opened = true; }));
        EXPECT_FALSE(opened);
    }
}

}  // namespace
}  // namespace zvk
