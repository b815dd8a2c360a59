#include "ops/ProgramJob.h"

#include <gtest/gtest.h>

#include "ops/OperationRange.h"
#include "tests/support/VirtualUnit.h"

namespace zvk {
namespace {

using namespace std::chrono_literals;
using test::DriveJob;
using test::VirtualUnit;

void FillFlash(std::uint16_t from, std::uint16_t count, std::uint8_t seed) {
    for (std::uint16_t i = 0; i < count; ++i) {
        FlashWrite(static_cast<std::uint16_t>(from + i), static_cast<std::uint8_t>(seed + i * 7));
    }
}

TEST(ProgramJobTest, ProgramsAndVerifiesShortAndPartialBlocks) {
    for (const std::uint16_t count : {1, 16, 17}) {
        SCOPED_TRACE(count);
        VirtualUnit unit("AT89C55");
        FillFlash(0x0200, count, 0x10);
        const OperationRange shown{0x0100, static_cast<std::uint16_t>(0x0100 + count - 1), 0x0200,
                                   0};
        ProgramJob job(
            {PackStartCount(0x0100, count), 0x0200, BufferKind::Flash, shown, false, true});
        const auto run = DriveJob(job);
        EXPECT_TRUE(run.last.finished);
        EXPECT_TRUE(unit.messages.messages.empty());
        for (std::uint16_t i = 0; i < count; ++i) {
            ASSERT_EQ(unit.Chip().Flash[0x0100 + i],
                      FlashRead(static_cast<std::uint16_t>(0x0200 + i)));
        }
        EXPECT_EQ(unit.Chip().Flash[0x0100 + count], 0xFF);  // nothing beyond the range
        const ProgramModel& m = job.model;
        EXPECT_EQ(m.title, "Write to Device - Flash");
        EXPECT_EQ(m.status, "Programming Completed...");
        EXPECT_EQ(m.percentage, "100%");
        EXPECT_EQ(m.progress.maximum, count);
        EXPECT_EQ(m.progress.position, count);
        EXPECT_EQ(m.bytesProgrammed, std::to_string(count));
        EXPECT_EQ(m.verifyResult, "OK");
        EXPECT_EQ(m.eraseResult, "");
        EXPECT_FALSE(m.eraseLabelEnabled);
        EXPECT_TRUE(m.verifyLabelEnabled);
        EXPECT_TRUE(m.closeEnabled);
        EXPECT_TRUE(m.staysOpen);
        EXPECT_TRUE(m.succeeded);
        EXPECT_EQ(m.deviceStart, "0100H");
        EXPECT_EQ(m.bufferStart, "0200H");
        // The verify pass reads the remainder only: 16 then 1 for a count of 17.
        const auto lines = unit.WireLines();
        std::vector<std::string> reads;
        for (const auto& l : lines) {
            if (l.rfind("> 1D", 0) == 0) reads.push_back(l.substr(0, 16));
        }
        const std::vector<std::string> expectedReads =
            count == 17
                ? std::vector<std::string>{"> 1D 01 00 00 10", "> 1D 01 10 00 01"}
                : std::vector<std::string>{count == 1 ? "> 1D 01 00 00 01" : "> 1D 01 00 00 10"};
        EXPECT_EQ(reads, expectedReads);
    }
}

TEST(ProgramJobTest, WithBothOptionsOffLabelsAreGreyAndValuesBlank) {
    VirtualUnit unit("AT89C2051");
    FillFlash(0x0100, 3, 0x40);
    ProgramJob job(
        {PackStartCount(0x0100, 3), 0x0100, BufferKind::Flash, {0x0100, 0x0102, 0x0100, 0}});
    job.Start();
    EXPECT_FALSE(job.model.closeEnabled);
    EXPECT_EQ(job.model.status, "Writing to AT89C2051...");
    EXPECT_EQ(job.model.percentage, "0%");
    EXPECT_EQ(job.model.bytesProgrammed, "0");
    EXPECT_EQ(job.model.deviceEnd, "0102H");
    while (!job.Step().finished) {
    }
    EXPECT_EQ(job.model.status, "Programming Completed...");
    EXPECT_FALSE(job.model.eraseLabelEnabled);
    EXPECT_FALSE(job.model.verifyLabelEnabled);
    EXPECT_EQ(job.model.eraseResult, "");
    EXPECT_EQ(job.model.verifyResult, "");
    // The unit sees the check, one addressed command and the three data bytes.
    EXPECT_EQ(unit.WireLines(), (std::vector<std::string>{"> 0D < 2D", "> 13 01 00 00 03",
                                                          "> 40 < 2D", "> 47 < 2D", "> 4E < 2D"}));
}

TEST(ProgramJobTest, EraseRunsInFourPausedQuartersBeforeWriting) {
    VirtualUnit unit("AT89C2051");
    unit.Chip().Flash[0x0005] = 0x00;  // would survive without the erase
    FlashWrite(0x0000, 0x12);
    ProgramJob job({PackStartCount(0x0000, 100), 0, BufferKind::Flash, {}, true, false});
    job.Start();
    std::vector<std::pair<std::string, std::uint32_t>> quarters;
    StepResult r;
    for (int i = 0; i < 4; ++i) {
        r = job.Step();
        ASSERT_FALSE(r.finished);
        EXPECT_EQ(r.delay, 300ms);
        quarters.emplace_back(job.model.percentage, job.model.progress.position);
    }
    EXPECT_EQ(job.model.status, "Erasing  AT89C2051...");
    EXPECT_EQ(quarters, (std::vector<std::pair<std::string, std::uint32_t>>{
                            {"25%", 25}, {"50%", 50}, {"75%", 75}, {"100%", 100}}));
    EXPECT_EQ(job.model.eraseResult, "");
    while (!(r = job.Step()).finished) {
    }
    EXPECT_EQ(job.model.eraseResult, "OK");
    EXPECT_EQ(unit.Chip().Flash[0x0000], 0x12);
    EXPECT_EQ(unit.Chip().Flash[0x0005], 0xFF);
    EXPECT_TRUE(job.model.succeeded);
}

TEST(ProgramJobTest, FailureAtTheFirstByteReportsTheDeviceStart) {
    VirtualUnit unit("AT89C55", test::FailingAt(0x0300));
    ProgramJob job({PackStartCount(0x0300, 40), 0x0000, BufferKind::Flash, {}, false, true}, 0ms);
    const auto run = DriveJob(job);
    EXPECT_TRUE(run.last.finished);
    EXPECT_EQ(run.last.code, 0);
    EXPECT_EQ(unit.messages.Lines(), std::vector<std::string>{"Error|Programming Failed at 0300"});
    EXPECT_EQ(unit.messages.messages[0].icon, MessageIcon::Stop);
    EXPECT_FALSE(job.model.closeEnabled);  // the dialog closes itself
    EXPECT_FALSE(job.model.staysOpen);
    EXPECT_FALSE(job.model.succeeded);
}

TEST(ProgramJobTest, VerifyStopsAtTheFirstDifference) {
    VirtualUnit unit("AT89C55");
    // Flash cells only clear bits: a 0x00 already on the chip stays 0x00.
    unit.Chip().Flash[0x0013] = 0x00;
    unit.Chip().Flash[0x0015] = 0x00;
    FillFlash(0x0000, 32, 0x81);
    ProgramJob job({PackStartCount(0x0000, 32), 0x0000, BufferKind::Flash, {}, false, true});
    const auto run = DriveJob(job);
    EXPECT_EQ(run.last.code, 1);
    EXPECT_EQ(unit.messages.Lines(), std::vector<std::string>{"Error|Verify Failed at 0013"});
    EXPECT_FALSE(job.model.succeeded);
    EXPECT_EQ(job.model.status, "Verifying...");
}

TEST(ProgramJobTest, WorksInSlicesThatNeverPassOneHundredPercent) {
    VirtualUnit unit("AT89C2051");
    ProgramJob job({PackStartCount(0x0000, 35), 0x0000, BufferKind::Flash, {}, false, true}, 0ms);
    job.Start();
    int steps = 0;
    StepResult r;
    do {
        r = job.Step();
        ++steps;
        const int percent = std::stoi(job.model.percentage);
        EXPECT_LE(percent, 100);
        if (!r.finished) {
            EXPECT_FALSE(job.model.closeEnabled);
        }
    } while (!r.finished);
    // One byte per write step with a zero budget, then three verify blocks.
    EXPECT_GT(steps, 35);
    EXPECT_TRUE(job.model.closeEnabled);
}

TEST(ProgramJobTest, EepromComesFromTheEepromBufferAtItsBufferStart) {
    VirtualUnit unit("AT89S8252");
    for (std::uint16_t i = 0; i < 20; ++i)
        EepromWrite(static_cast<std::uint16_t>(0x0400 + i), static_cast<std::uint8_t>(i));
    ProgramJob job({PackStartCount(0x0010, 20), 0x0400, BufferKind::Eeprom, {}, false, true});
    const auto run = DriveJob(job);
    EXPECT_EQ(job.model.title, "Write to Device - EEPROM");
    EXPECT_TRUE(job.model.succeeded);
    for (std::uint16_t i = 0; i < 20; ++i) ASSERT_EQ(unit.Chip().Eeprom[0x0010 + i], i);
    EXPECT_EQ(unit.Chip().Flash[0x0010], 0xFF);
}

TEST(ProgramJobTest, SilentUnitEndsTheDialogAtTheCheck) {
    VirtualUnit unit("AT89C2051", test::SilentUnit());
    ProgramJob job({PackStartCount(0, 16), 0});
    const auto run = DriveJob(job);
    EXPECT_EQ(run.steps, 1);
    EXPECT_EQ(run.last.code, 0);
    EXPECT_FALSE(job.model.succeeded);
}

}  // namespace
}  // namespace zvk
