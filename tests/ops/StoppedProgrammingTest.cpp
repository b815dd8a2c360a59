// Program and Auto stopped part-way (an answer lost or spoiled, a unit gone
// silent, the job given up because the process ends) bring the unit back from
// the programming under way before anything else is sent to it, so that no
// later command is written into the chip as data. Verify and Blank Check cut
// short by the link keep what they had found.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "link/DeviceCommands.h"
#include "link/Protocol.h"
#include "ops/AutoJob.h"
#include "ops/BlankCheckJob.h"
#include "ops/OperationRange.h"
#include "ops/ProgramJob.h"
#include "ops/VerifyJob.h"
#include "tests/support/VirtualUnit.h"

namespace zvk {
namespace {

using test::VirtualUnit;
using Lines = std::vector<std::string>;
using namespace std::chrono_literals;

constexpr const char* kNotBack =
    "ERROR|The programmer unit did not come back from programming that stopped part-way. "
    "Reset the programmer unit!";

// Data bytes with no FF among them, so that every programmed byte shows.
std::uint8_t Pattern(std::uint16_t address) { return static_cast<std::uint8_t>(address % 0xF0); }

void FillFlashBuffer() {
    for (std::uint16_t a = 0; a <= App().FlashLastAddress; ++a) FlashWrite(a, Pattern(a));
}

// The chip holds the buffer's bytes below `programmed` and nothing above.
void ExpectProgrammedUpTo(VirtualUnit& unit, std::size_t programmed) {
    const std::vector<std::uint8_t>& flash = unit.Chip().Flash;
    for (std::size_t a = 0; a < flash.size(); ++a) {
        const std::uint8_t expected =
            a < programmed ? Pattern(static_cast<std::uint16_t>(a)) : std::uint8_t{0xFF};
        ASSERT_EQ(flash[a], expected) << "at " << a << " of " << programmed;
    }
}

enum class Stop { LostAnswer, SpoiledAnswer, SilentUnit, GivenUp };

TEST(StoppedProgrammingTest, TheUnitIsBackAtItsCommandsAndNothingMoreIsProgrammed) {
    struct Case {
        const char* name;
        bool autoJob;
        Stop stop;
        sim::UnitConfig config;
        sim::LineNoise noise;
        std::size_t programmed;  // bytes on the chip afterwards
        Lines messages;
        bool unitBack;
    };
    // Program: the check's answer, then one answer per data byte. Auto: the
    // answers of 128 blank-check blocks come first.
    const Case cases[] = {
        {"program, an answer lost",
         false,
         Stop::LostAnswer,
         {},
         test::DroppingEvery(301),
         300,
         {"Error|Programming Failed at 012B"},
         true},
        {"program, an answer spoiled",
         false,
         Stop::SpoiledAnswer,
         {},
         {0, 201},
         200,
         {"Error|Programming Failed at 00C7"},
         true},
        {"program, given up", false, Stop::GivenUp, {}, {}, 500, {}, true},
        {"program, unit silent",
         false,
         Stop::SilentUnit,
         test::SilentAfter(101),
         {},
         100,
         {"Error|Programming Failed at 0064", kNotBack},
         false},
        {"auto, an answer lost",
         true,
         Stop::LostAnswer,
         {},
         test::DroppingEvery(2048 + 400),
         400,
         {"Error|Programming Failed at 018F"},
         true},
        {"auto, given up", true, Stop::GivenUp, {}, {}, 500, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualUnit unit("AT89C2051", c.config, c.noise);
        FillFlashBuffer();
        std::optional<ProgramJob> program;
        std::optional<AutoJob> sequence;
        Job* job = nullptr;
        if (c.autoJob) {
            job = &sequence.emplace(AutoRequest{.steps = kAutoBlankCheck | kAutoProgram,
                                                .lockBits = 0,
                                                .lastAddress = App().FlashLastAddress},
                                    0ms);
        } else {
            job = &program.emplace(DeviceRangeRequest{PackStartCount(0, 2048), 0}, 0ms);
        }
        job->Start();
        StepResult last;
        // One byte or block a step, the first byte in the step that begins
        // programming: give the job up after 500 bytes.
        const int giveUpAt = 500 + (c.autoJob ? 128 : 0);
        for (int step = 0; step < 100000 && !last.finished; ++step) {
            if (c.stop == Stop::GivenUp && step == giveUpAt) {
                if (program) program->Abandon();
                if (sequence) sequence->Abandon();
            }
            last = job->Step();
        }
        ASSERT_TRUE(last.finished);
        EXPECT_EQ(unit.messages.Lines(), c.messages);
        EXPECT_EQ(ProgrammingUnfinished(), !c.unitBack);
        if (c.unitBack) {
            unit.messages.messages.clear();
            EXPECT_TRUE(CheckDevice()) << unit.messages.Lines().front();
        }
        ExpectProgrammedUpTo(unit, c.programmed);
    }
}

TEST(StoppedScanTest, FindingsBeforeALinkFailureStayAndCanBeStored) {
    // 20 differences in the first two blocks; the unit goes silent in the
    // middle of the fourth.
    VirtualUnit unit("AT89C2051", test::SilentAfter(3 * 16 + 5));
    for (std::size_t a = 0; a < 20; ++a) unit.Chip().Flash[a] = 0x00;
    const DeviceRangeRequest run{PackStartCount(0, 256), 0};

    VerifyJob verify(run);
    test::DriveJob(verify);
    EXPECT_EQ(unit.messages.Lines(), (Lines{"ERROR|Time out error",
                                            "ERROR|Read Time out error in serial communication!"}));
    EXPECT_TRUE(verify.model.staysOpen);
    EXPECT_FALSE(verify.model.succeeded);
    EXPECT_TRUE(verify.model.storeEnabled);
    EXPECT_EQ(verify.model.status, "Verification Stopped - Error");
    EXPECT_EQ(verify.model.list.substr(0, 30), " 0000\t\t00\t\tFF\r\n 0001\t\t00\t\tFF\r\n");
    EXPECT_EQ(verify.model.list.size(), 20u * 15u);
    EXPECT_EQ(verify.model.percentage, "18%") << "the bar stays where the walk stopped";

    VirtualUnit again("AT89C2051", test::SilentAfter(3 * 16 + 5));
    for (std::size_t a = 0; a < 20; ++a) again.Chip().Flash[a] = 0x00;
    BlankCheckJob blank(run);
    test::DriveJob(blank);
    EXPECT_TRUE(blank.model.staysOpen);
    EXPECT_FALSE(blank.model.succeeded);
    EXPECT_EQ(blank.model.status, "BlankCheck Stopped...");
    EXPECT_EQ(blank.model.list.size(), 20u * 11u);
}

}  // namespace
}  // namespace zvk
