#include "ops/AutoJob.h"

#include <gtest/gtest.h>

#include "tests/support/VirtualUnit.h"

namespace zvk {
namespace {

using namespace std::chrono_literals;
using test::DriveJob;
using test::VirtualUnit;

std::array<bool, kAutoStepCount> Ticked(const AutoModel& m) {
    std::array<bool, kAutoStepCount> t{};
    for (std::size_t i = 0; i < kAutoStepCount; ++i) t[i] = m.steps[i].ticked;
    return t;
}

// The sequence of the steps and lock bits over the selected part's Flash.
AutoRequest Request(std::uint8_t steps, std::uint8_t lockBits = 0) {
    return {.steps = steps, .lockBits = lockBits, .lastAddress = App().FlashLastAddress};
}

TEST(AutoJobTest, FullSequenceOverTheWholeFlash) {
    VirtualUnit unit("AT89C2051");
    const AutoRequest request = Request(
        kAutoErase | kAutoBlankCheck | kAutoProgram | kAutoVerify | kAutoProtect, kProtect2Lb1);
    // The remembered settings choose nothing: the request alone says what runs.
    App().AutoSequence = 0;
    App().ProtectionOptions = 0;
    App().ProgramRange = {0x0100, 0x0101, 0x0000, 0};  // ignored by Auto
    std::fill(unit.Chip().Flash.begin(), unit.Chip().Flash.end(), 0x00);
    for (std::uint16_t a = 0; a <= 0x07FF; ++a) FlashWrite(a, static_cast<std::uint8_t>(a ^ 0x5A));
    ASSERT_TRUE(AutoProgramReady(request));
    AutoJob job(request);
    job.Start();
    EXPECT_EQ(job.model.title, "Auto Programming Mode - AT89C2051");
    const auto run = DriveJob(job);
    EXPECT_TRUE(unit.messages.messages.empty());
    EXPECT_EQ(job.model.status, "Auto Programming Process Completed...");
    EXPECT_TRUE(job.model.closeEnabled);
    EXPECT_TRUE(job.model.succeeded);
    EXPECT_EQ(Ticked(job.model), (std::array<bool, 5>{true, true, true, true, true}));
    for (std::uint16_t a = 0; a <= 0x07FF; ++a) {
        ASSERT_EQ(unit.Chip().Flash[a], static_cast<std::uint8_t>(a ^ 0x5A));
    }
    EXPECT_EQ(unit.Chip().LockBits, 0x01);
    // Four erase quarters of 300 ms, then 25 ms after blank check, program and verify.
    std::vector<std::chrono::milliseconds> pauses;
    for (auto d : run.delays) {
        if (d > 1ms) pauses.push_back(d);
    }
    EXPECT_EQ(pauses, (std::vector<std::chrono::milliseconds>{300ms, 300ms, 300ms, 300ms, 25ms,
                                                              25ms, 25ms}));
}

TEST(AutoJobTest, OnlyProtectWithoutALockLevelReportsAndCompletes) {
    VirtualUnit unit("AT89C2051");
    // A 40-pin level: nothing for a 20-pin part.
    AutoJob job(Request(kAutoProtect, kProtect3Lb1));
    job.Start();
    for (std::size_t i = 0; i < kAutoStepCount; ++i) {
        EXPECT_EQ(job.model.steps[i].enabled, i == static_cast<std::size_t>(AutoStep::Protect));
    }
    DriveJob(job);
    EXPECT_EQ(unit.messages.Lines(),
              std::vector<std::string>{"Error|Protection option is disabled"});
    EXPECT_EQ(job.model.status, "Auto Programming Process Completed...");
    EXPECT_FALSE(job.model.steps[static_cast<std::size_t>(AutoStep::Protect)].ticked);
    EXPECT_TRUE(job.model.closeEnabled);
    EXPECT_EQ(unit.Chip().LockBits, 0);
}

TEST(AutoJobTest, FailuresEndTheSequenceAtTheFailingAddress) {
    struct Case {
        const char* name;
        std::uint8_t steps;
        std::optional<std::uint16_t> failAt;
        std::uint16_t badChipByte;  // set to 0x00 on the chip first
        std::string message;
        std::array<bool, 5> ticked;
    };
    const Case cases[] = {
        {"blank",
         kAutoBlankCheck | kAutoProgram,
         std::nullopt,
         0x0123,
         "Error|Blank Check Failed at 0123",
         {false, false, false, false, false}},
        {"program",
         kAutoErase | kAutoProgram | kAutoVerify,
         0x0456,
         0,
         "Error|Programming Failed at 0456",
         {true, false, false, false, false}},
        {"program first",
         kAutoProgram,
         0x0000,
         0,
         "Error|Programming Failed at 0000",
         {false, false, false, false, false}},
        {"verify",
         kAutoProgram | kAutoVerify,
         std::nullopt,
         0x07FF,
         "Error|Verify Failed at 07FF",
         {false, false, true, false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualUnit unit("AT89C2051", test::FailingAt(c.failAt));
        if (c.badChipByte != 0) unit.Chip().Flash[c.badChipByte] = 0x00;
        for (std::uint16_t a = 0; a <= 0x07FF; ++a) FlashWrite(a, 0xA5);
        AutoJob job(Request(c.steps));
        const auto run = DriveJob(job);
        EXPECT_EQ(run.last.code, 1);
        EXPECT_EQ(unit.messages.Lines(), std::vector<std::string>{c.message});
        EXPECT_EQ(Ticked(job.model), c.ticked);
        EXPECT_FALSE(job.model.closeEnabled);
        EXPECT_FALSE(job.model.succeeded);
    }
}

TEST(AutoJobTest, NothingChosenSaysSoAndOpensNothing) {
    VirtualUnit unit("AT89C2051");
    EXPECT_FALSE(AutoProgramReady(Request(0xE0)));  // bits that name no step
    EXPECT_EQ(unit.messages.Lines(),
              std::vector<std::string>{"Error|No Operation is Selected for Auto Programming."});
}

TEST(AutoSettingsTest, ClicksChangeTheByteAndCancelPutsItBack) {
    ResetAppState();
    App().AutoSequence = 0x85;
    AutoSettingsDialog dialog;
    EXPECT_TRUE(dialog.Checked(AutoStep::Erase));
    EXPECT_FALSE(dialog.Checked(AutoStep::BlankCheck));
    dialog.Click(AutoStep::Erase, false);
    dialog.Click(AutoStep::Protect, true);
    EXPECT_EQ(App().AutoSequence, 0x94);  // bit 7 untouched
    dialog.Cancel();
    EXPECT_EQ(App().AutoSequence, 0x85);
}

}  // namespace
}  // namespace zvk
