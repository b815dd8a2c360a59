// Verify and Blank Check: the two list-making walks over the chip.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ops/BlankCheckJob.h"
#include "ops/OperationRange.h"
#include "ops/VerifyJob.h"
#include "tests/support/VirtualUnit.h"

namespace zvk {
namespace {

using namespace std::chrono_literals;
using test::DriveJob;
using test::VirtualUnit;

std::size_t CountLines(const std::string& list) {
    std::size_t n = 0;
    for (std::size_t at = list.find("\r\n"); at != std::string::npos;
         at = list.find("\r\n", at + 2))
        ++n;
    return n;
}

TEST(VerifyJobTest, EqualChipSaysOk) {
    VirtualUnit unit("AT89C2051");
    for (std::uint16_t i = 0; i < 48; ++i) {
        FlashWrite(static_cast<std::uint16_t>(0x0040 + i), static_cast<std::uint8_t>(i));
        unit.Chip().Flash[0x0100 + i] = static_cast<std::uint8_t>(i);
    }
    VerifyJob job({PackStartCount(0x0100, 48), 0x0040, BufferKind::Flash, {0, 0, 0x0040, 0}});
    job.Start();
    EXPECT_EQ(job.model.title, "Verify Device - Flash");
    EXPECT_EQ(job.model.status, "Verifying with AT89C2051...");
    EXPECT_EQ(job.model.deviceStart, "0100H");
    EXPECT_EQ(job.model.deviceEnd, "012FH");
    EXPECT_EQ(job.model.bufferStart, "0040H");
    EXPECT_FALSE(job.model.storeEnabled);
    while (!job.Step().finished) {
    }
    EXPECT_EQ(job.model.list, "Verification OK");
    EXPECT_EQ(job.model.status, "Verification Completed - OK");
    EXPECT_FALSE(job.model.storeEnabled);
    EXPECT_TRUE(job.model.staysOpen);
    EXPECT_TRUE(job.model.succeeded);
}

TEST(VerifyJobTest, DifferenceAtTheLastAddressOfAShortLastBlock) {
    VirtualUnit unit("AT89C55");
    for (std::uint16_t i = 0; i < 17; ++i) FlashWrite(i, 0xFF);
    unit.Chip().Flash[16] = 0x3C;
    VerifyJob job({PackStartCount(0x0000, 17), 0x0000}, 0ms);
    const auto run = DriveJob(job);
    EXPECT_EQ(run.steps, 2);
    EXPECT_EQ(job.model.list, " 0010\t\t3C\t\tFF\r\n");
    EXPECT_EQ(job.model.status, "Verification Completed - Error");
    EXPECT_EQ(job.model.percentage, "100%");
    EXPECT_TRUE(job.model.storeEnabled);
    EXPECT_FALSE(job.model.succeeded);
}

TEST(VerifyJobTest, ListStopsAt1934LinesWithMore) {
    VirtualUnit unit("AT89C55");  // a blank chip
    for (std::uint16_t a = 0; a < 20480; ++a) FlashWrite(a, 0x00);
    VerifyJob job({PackStartCount(0x0000, 20480), 0x0000});
    DriveJob(job);
    EXPECT_EQ(CountLines(job.model.list), 1934u);
    EXPECT_TRUE(job.model.list.ends_with(" 078D\t\tFF\t\t00\r\nMore ..."));
    EXPECT_EQ(job.model.list.find("More ..."), job.model.list.size() - 8);
    EXPECT_EQ(job.model.status, "Verification Completed - Error");
}

TEST(VerifyJobTest, CloseMidWayEndsTheWalk) {
    VirtualUnit unit("AT89C55");
    VerifyJob job({PackStartCount(0x0000, 64), 0x0000}, 0ms);
    job.Start();
    ASSERT_FALSE(job.Step().finished);
    job.Cancel();
    const StepResult r = job.Step();
    EXPECT_TRUE(r.finished);
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(job.model.cancelled);
    EXPECT_FALSE(job.model.succeeded);
    EXPECT_EQ(job.model.progress.position, 16u);
}

TEST(VerifyJobTest, GarbageOnTheLineIsNeverASuccess) {
    VirtualUnit unit("AT89C2051", {}, {0, 50});
    VerifyJob job({PackStartCount(0x0000, 2048), 0x0000});  // chip and buffer both blank
    DriveJob(job);
    EXPECT_FALSE(job.model.succeeded);
    EXPECT_NE(job.model.list.find("\t\t"), std::string::npos);
}

TEST(VerifyJobTest, MissingBytesAreNeitherASuccessNorListed) {
    // A unit that sends only part of a block: whatever the block held before
    // must never pass for the chip's bytes, neither as a match nor as a difference.
    VirtualUnit unit("AT89C2051", {}, {20, 0});
    VerifyJob job({PackStartCount(0x0000, 256), 0x0000});
    DriveJob(job);
    EXPECT_FALSE(job.model.succeeded);
    EXPECT_FALSE(job.model.staysOpen);
    EXPECT_EQ(job.model.list, "");
}

class ReportTest : public ::testing::Test {
  protected:
    // One directory per test and process: the cases may run side by side.
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("zvk-report-" + std::to_string(::getpid()) + "-" +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    void SetUp() override { std::filesystem::create_directories(dir); }
    void TearDown() override { std::filesystem::remove_all(dir); }
    test::MessageRecorder messages;
};

TEST_F(ReportTest, StoresHeaderThenTheListExactly) {
    const std::string list = " 0010\t\t3C\t\tFF\r\nMore ...";
    const auto path = (dir / "report.txt").string();
    { std::ofstream(path) << "an older, longer report that must go away entirely"; }
    EXPECT_TRUE(StoreVerifyReport(path, list));
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    EXPECT_EQ(content.str(), " Address\tDevice data\tBuffer data\r\n" + list);
    EXPECT_EQ(kVerifyReportHeader.size(), 34u);
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(ReportTest, FailedWriteNamesTheFile) {
    const auto path = (dir / "missing-folder" / "out.txt").string();
    EXPECT_FALSE(StoreVerifyReport(path, "x"));
    EXPECT_EQ(messages.Lines(), std::vector<std::string>{"Error|out.txt"});
    EXPECT_EQ(messages.messages[0].icon, MessageIcon::Stop);
}

#ifndef _WIN32  // a file size limit is a POSIX thing
TEST_F(ReportTest, FailedWriteKeepsAnOlderReport) {
    const auto path = (dir / "report.txt").string();
    const std::string old = " Address\tDevice data\tBuffer data\r\n 0000\t\t00\t\tFF\r\n";
    { std::ofstream(path, std::ios::binary) << old; }
    // A file size limit makes the write fail part way, as a full disk would.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit small = previous;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool stored = StoreVerifyReport(path, std::string(29000, 'x'));
    setrlimit(RLIMIT_FSIZE, &previous);

    EXPECT_FALSE(stored);
    EXPECT_EQ(messages.Lines(), std::vector<std::string>{"Error|report.txt"});
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    EXPECT_EQ(content.str(), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir),
                            std::filesystem::directory_iterator()),
              1)
        << "no temporary file is left behind";
}
#endif

TEST(BlankCheckJobTest, ErasedChipIsBlank) {
    VirtualUnit unit("AT89S8252");
    BlankCheckJob job(
        {PackStartCount(0x0000, 2048), 0, BufferKind::Eeprom, {0x0000, 0x07FF, 0, 0}});
    job.Start();
    EXPECT_EQ(job.model.title, "Blank Check Device - EEPROM");
    EXPECT_EQ(job.model.status, "BlankChecking AT89S8252...");
    EXPECT_EQ(job.model.deviceEnd, "07FFH");
    while (!job.Step().finished) {
    }
    EXPECT_EQ(job.model.list, "BlankCheck OK");
    EXPECT_EQ(job.model.status, "BlankCheck Completed...");
    EXPECT_TRUE(job.model.succeeded);
}

TEST(BlankCheckJobTest, NonBlankByteAtTheLastAddressOfSeventeen) {
    VirtualUnit unit("AT89C2051");
    unit.Chip().Flash[0x0210] = 0x7F;
    BlankCheckJob job({PackStartCount(0x0200, 17), 0}, 0ms);
    const auto run = DriveJob(job);
    EXPECT_EQ(run.steps, 2);
    EXPECT_EQ(job.model.list, " 0210\t\t7F\r\n");
    EXPECT_EQ(job.model.status, "BlankCheck Completed...");
    EXPECT_EQ(job.model.percentage, "100%");
    EXPECT_FALSE(job.model.succeeded);
    // Blank Check prepares nothing: the unit sees only the reads.
    for (const auto& line : unit.WireLines()) EXPECT_EQ(line.rfind("> 12 02", 0), 0u) << line;
}

TEST(BlankCheckJobTest, ListStopsAt2637LinesWithMore) {
    VirtualUnit unit("AT89C55");
    std::fill(unit.Chip().Flash.begin(), unit.Chip().Flash.end(), 0x00);
    BlankCheckJob job({PackStartCount(0x0000, 20480), 0});
    DriveJob(job);
    EXPECT_EQ(CountLines(job.model.list), 2637u);
    EXPECT_TRUE(job.model.list.ends_with(" 0A4C\t\t00\r\nMore ..."));
}

}  // namespace
}  // namespace zvk
