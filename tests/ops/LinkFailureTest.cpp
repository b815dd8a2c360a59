// A unit that is unplugged, goes silent or loses a byte in the middle of an
// operation: the link's message comes once, then the operation ends as failed
// without another exchange (but those that try to bring the unit back from
// programming stopped part-way), and nothing that did not come is taken for
// chip data.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "ops/AutoJob.h"
#include "ops/BlankCheckJob.h"
#include "ops/OperationRange.h"
#include "ops/ProgramJob.h"
#include "ops/ReadJob.h"
#include "ops/VerifyJob.h"
#include "tests/support/VirtualUnit.h"

namespace zvk {
namespace {

using test::DriveJob;
using test::VirtualUnit;
using Lines = std::vector<std::string>;

const Lines kPortError{"ERROR|Serial port communication error!"};
const Lines kTimedOut{"ERROR|Time out error", "ERROR|Read Time out error in serial communication!"};
const Lines kCameShort{"ERROR|Read Time out error in serial communication!"};
const std::string kNotBack =
    "ERROR|The programmer unit did not come back from programming that stopped part-way. "
    "Reset the programmer unit!";

enum class Operation { Read, Verify, BlankCheck, Program, Auto };

struct Outcome {
    StepResult last;
    bool succeeded = false;
    bool staysOpen = false;
    std::string list;  // Verify and Blank Check
};

template <typename J>
Outcome Drive(J& job) {
    const StepResult last = DriveJob(job).last;
    return {last, job.model.succeeded, job.model.staysOpen, {}};
}

// Runs the operation from device address 0 with buffer address 0. Chip and
// buffer are both blank, so Verify and Blank Check have nothing true to list.
Outcome RunOperationJob(Operation operation, std::uint16_t count) {
    const DeviceRangeRequest run{PackStartCount(0, count), 0};
    switch (operation) {
        case Operation::Read: {
            ReadJob job(run);
            return Drive(job);
        }
        case Operation::Verify: {
            VerifyJob job(run);
            Outcome outcome = Drive(job);
            outcome.list = job.model.list;
            return outcome;
        }
        case Operation::BlankCheck: {
            BlankCheckJob job(run);
            Outcome outcome = Drive(job);
            outcome.list = job.model.list;
            return outcome;
        }
        case Operation::Program: {
            DeviceRangeRequest program = run;
            program.verifyAfter = true;
            ProgramJob job(program);
            return Drive(job);
        }
        case Operation::Auto: {
            AutoJob job(
                {.steps = kAutoErase | kAutoBlankCheck | kAutoProgram | kAutoVerify | kAutoProtect,
                 .lockBits = kProtect2Lb1,
                 .lastAddress = App().FlashLastAddress});
            return Drive(job);
        }
    }
    return {};
}

TEST(LinkFailureTest, EndsTheOperationOnceWithTheLinksMessage) {
    struct Case {
        const char* name;
        Operation operation;
        std::uint16_t count;  // Auto: the whole 2 KB
        sim::UnitConfig config;
        sim::LineNoise noise;
        std::optional<std::size_t> breakAfterWrites;
        Lines messages;
        // The exchanges the unit saw: the last one is where it went wrong.
        std::size_t wireLines;
        int endCode;
    };
    const Case cases[] = {
        {"read, unplugged", Operation::Read, 256, {}, {}, 3, kPortError, 3, 1},
        {"read, short last block",
         Operation::Read,
         20,
         test::SilentAfter(18),
         {},
         {},
         kCameShort,
         2,
         1},
        {"verify, a byte lost",
         Operation::Verify,
         256,
         {},
         test::DroppingEvery(40),
         {},
         kTimedOut,
         3,
         0},
        {"verify, unplugged", Operation::Verify, 256, {}, {}, 5, kPortError, 5, 0},
        {"blank check, silent mid-block",
         Operation::BlankCheck,
         256,
         test::SilentAfter(40),
         {},
         {},
         kTimedOut,
         3,
         0},
        {"blank check, unplugged at once", Operation::BlankCheck, 256, {}, {}, 0, kPortError, 0, 0},
        // Check, announcement and eight data bytes; the ninth cannot go, nor
        // anything that would bring the unit back.
        {"program, unplugged while writing",
         Operation::Program,
         64,
         {},
         {},
         10,
         {kPortError[0], kNotBack},
         10,
         0},
        // The ninth data byte goes unanswered: the unit did not program it.
        // Two FF bytes meet silence, and so do two programmer checks.
        {"program, silent while writing",
         Operation::Program,
         64,
         test::SilentAfter(9),
         {},
         {},
         {"Error|Programming Failed at 0008", kNotBack},
         15,
         0},
        // 1 + 64 answers, one whole verify block, then 5 bytes of the next.
        {"program, silent in its verify pass",
         Operation::Program,
         64,
         test::SilentAfter(86),
         {},
         {},
         kTimedOut,
         68,
         0},
        // Erase, then the seventh blank-check block loses its fourth byte.
        {"auto, a byte lost in blank check",
         Operation::Auto,
         2048,
         {},
         test::DroppingEvery(100),
         {},
         kTimedOut,
         8,
         1},
        // Erase, 128 blank-check blocks, the announcement and five data bytes.
        {"auto, unplugged while programming",
         Operation::Auto,
         2048,
         {},
         {},
         135,
         {kPortError[0], kNotBack},
         135,
         1},
        // Everything up to the lock command, which cannot go.
        {"auto, unplugged at protect", Operation::Auto, 2048, {}, {}, 2306, kPortError, 2306, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualUnit unit("AT89C2051", c.config, c.noise);
        if (c.breakAfterWrites) unit.BreakAfterWrites(*c.breakAfterWrites);
        const Outcome outcome = RunOperationJob(c.operation, c.count);
        EXPECT_EQ(unit.messages.Lines(), c.messages);
        EXPECT_EQ(unit.WireLines().size(), c.wireLines);
        EXPECT_TRUE(outcome.last.finished);
        EXPECT_EQ(outcome.last.code, c.endCode);
        EXPECT_FALSE(outcome.succeeded);
        EXPECT_FALSE(outcome.staysOpen) << "the dialog closes";
        EXPECT_EQ(outcome.list.find("\t\t"), std::string::npos) << "invented findings";
    }
}

TEST(LinkFailureTest, ReadKeepsTheWholeBlocksAndLeavesTheRestAsItWas) {
    // Two of the four bytes of the last block come.
    VirtualUnit unit("AT89C2051", test::SilentAfter(16 + 16 + 2));
    for (std::size_t i = 0; i < 48; ++i) unit.Chip().Flash[i] = static_cast<std::uint8_t>(i + 1);
    FlashWrite(0x0120, 0x77);  // edited before the read
    SetOrigin(BufferKind::Flash, 0x0120, OriginEdited);
    ReadJob job({PackStartCount(0x0000, 36), 0x0100});
    const auto run = DriveJob(job);
    EXPECT_EQ(run.last.code, 1);
    EXPECT_FALSE(job.model.succeeded);
    EXPECT_EQ(unit.messages.Lines(), kCameShort);
    for (std::uint16_t i = 0; i < 32; ++i) {
        const auto address = static_cast<std::uint16_t>(0x0100 + i);
        EXPECT_EQ(FlashRead(address), i + 1) << i;
        EXPECT_EQ(GetOrigin(BufferKind::Flash, address), OriginDevice) << i;
    }
    EXPECT_EQ(FlashRead(0x0120), 0x77);
    EXPECT_EQ(GetOrigin(BufferKind::Flash, 0x0120), OriginEdited);
    for (std::uint16_t a = 0x0121; a < 0x0124; ++a) {
        EXPECT_EQ(FlashRead(a), 0xFF) << a;
        EXPECT_EQ(GetOrigin(BufferKind::Flash, a), OriginNone) << a;
    }
    // The views hear of the blocks that came.
    EXPECT_EQ(unit.bufferChanges.changes,
              std::vector<BufferChange>{test::Changed(BufferKind::Flash, 0x0100, 0x011F)});
}

TEST(LinkFailureTest, AReadWhosePreparationFailsDoesNotStart) {
    // AT89S8252 in SPI mode sends a preparation before reading.
    VirtualUnit unit("AT89S8252");
    App().ProgrammingMode = 0;
    App().ReadRange.Flags = kRangeFullDevice;
    unit.BreakAfterWrites(1);  // the programmer check goes, the preparation does not
    bool opened = false;
    EXPECT_FALSE(
        RunOperation(RangeOperation::Read, [&](const DeviceRangeRequest&) { opened = true; }));
    EXPECT_FALSE(opened);
    EXPECT_EQ(unit.messages.Lines(), kPortError);
    EXPECT_EQ(unit.WireLines(), Lines{"> 0D < 2D"});
}

}  // namespace
}  // namespace zvk
