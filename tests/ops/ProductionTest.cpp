// Production runs: chip after chip through the Auto sequence against the
// in-process unit, with chips taken out and put in as an operator would, and
// the CSV log they append to.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <time.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/Buffers.h"
#include "ops/Production.h"
#include "ops/ProductionJob.h"
#include "tests/support/SettingsFolders.h"
#include "tests/support/TempDir.h"
#include "tests/support/VirtualUnit.h"

namespace zvk {
namespace {

using namespace std::chrono_literals;
using test::ReadTextFile;
using test::TempDir;
using test::VirtualUnit;
using Lines = std::vector<std::string>;

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// 2024-05-17 09:41:07 UTC.
const auto kNoon = std::chrono::system_clock::from_time_t(1715938867);

// The log's times in UTC for the length of a test.
class UtcTime {
  public:
    UtcTime() : tz_("TZ", "UTC0") { tzset(); }
    ~UtcTime() { tzset(); }

  private:
    test::ScopedEnvironment tz_;
};

// A chip the operator puts in when the run asks for one.
struct NextChip {
    const char* part;
    std::optional<std::uint16_t> dirtyAt;  // a byte that is not blank on it
};

struct Operated {
    StepResult last;
    std::vector<std::chrono::milliseconds> waitDelays;  // asked for while waiting
    bool spoke = false;  // a message came while the socket was only polled
};

// Steps the run as a driver would and plays the operator: a finished chip is
// left in the socket for one poll, then taken out; the empty socket is left
// for two polls, then the next chip goes in. With no chip left to put in,
// the run is stopped as Close would.
Operated Operate(ProductionJob& job, VirtualUnit& unit, std::vector<NextChip> chips) {
    Operated run;
    job.Start();
    int polls = 0;
    for (int steps = 0; steps < 100000; ++steps) {
        const std::size_t messages = unit.messages.messages.size();
        const SocketWait before = job.model.waiting;
        run.last = job.Step();
        if (run.last.finished) break;
        unit.clock.Advance(run.last.delay);
        const SocketWait waiting = job.model.waiting;
        if (before != SocketWait::None && waiting == before &&
            unit.messages.messages.size() != messages) {
            run.spoke = true;
        }
        if (waiting == SocketWait::None) {
            EXPECT_FALSE(job.model.closeEnabled) << "a chip is under way";
            if (before == SocketWait::Chip) {
                for (const AutoStepBox& box : job.model.steps) {
                    EXPECT_FALSE(box.ticked) << "a new chip starts with no step ticked";
                }
            }
            polls = 0;
            continue;
        }
        run.waitDelays.push_back(run.last.delay);
        EXPECT_TRUE(job.model.closeEnabled);
        ++polls;
        if (waiting == SocketWait::Removal && polls >= 2) {
            unit.RemoveChip();
            polls = 0;
        } else if (waiting == SocketWait::Chip && polls >= 3) {
            polls = 0;
            if (chips.empty()) {
                job.Cancel();
                continue;
            }
            unit.InsertChip(chips.front().part);
            if (chips.front().dirtyAt) unit.Chip().Flash[*chips.front().dirtyAt] = 0x00;
            chips.erase(chips.begin());
        }
    }
    return run;
}

std::vector<std::string> Fields(const std::string& row) {
    std::vector<std::string> fields;
    std::size_t from = 0;
    for (std::size_t comma; (comma = row.find(',', from)) != std::string::npos; from = comma + 1) {
        fields.push_back(row.substr(from, comma - from));
    }
    fields.push_back(row.substr(from));
    return fields;
}

class ProductionRun : public ::testing::Test {
  protected:
    void SetUp() override {
        App().AutoSequence = kAutoBlankCheck | kAutoProgram | kAutoVerify;
        for (std::uint16_t a = 0; a <= 0x07FF; ++a) {
            FlashWrite(a, static_cast<std::uint8_t>(a * 7 + 3));
            checksum_ =
                static_cast<std::uint16_t>(checksum_ + static_cast<std::uint8_t>(a * 7 + 3));
        }
    }

    ProductionOptions Options(std::optional<unsigned> count) {
        return {.repeat = true,
                .count = count,
                .firstChipChecked = false,
                .image = "/images/demo.hex",
                .logPath = (dir_ / "run.csv").string(),
                .wallClock = [] { return kNoon; }};
    }
    Lines LogLines() { return SplitLines(ReadTextFile(dir_ / "run.csv")); }

    UtcTime utc_;
    VirtualUnit unit_{"AT89C2051"};
    TempDir dir_;
    std::uint16_t checksum_ = 0;
};

TEST_F(ProductionRun, ChipAfterChipWithAWrongPartAndABadChipAmongThem) {
    ProductionJob job(Options(4));
    ASSERT_TRUE(job.OpenLog());
    const Operated run =
        Operate(job, unit_,
                {{"AT89C51", std::nullopt}, {"AT89C2051", 0x0123}, {"AT89C2051", std::nullopt}});

    EXPECT_EQ(run.last.code, 1);
    EXPECT_EQ(job.model.passed, 2u);
    EXPECT_EQ(job.model.failed, 2u);
    EXPECT_FALSE(job.model.unitLost);
    // Each failure said once, in the system's words; the polls of an empty
    // or still full socket said nothing.
    EXPECT_EQ(unit_.messages.Lines(),
              (Lines{"ERROR|Error - Device Mismatch!", "Error|Blank Check Failed at 0123"}));
    EXPECT_FALSE(run.spoke);
    for (const auto delay : run.waitDelays) EXPECT_EQ(delay, kSocketPollInterval);
    // The last chip holds the image.
    for (std::uint16_t a = 0; a <= 0x07FF; ++a) ASSERT_EQ(unit_.Chip().Flash[a], FlashRead(a));

    const Lines log = LogLines();
    ASSERT_EQ(log.size(), 5u);
    EXPECT_EQ(log[0], std::string(kProductionLogHeader));
    char sum[8];
    std::snprintf(sum, sizeof sum, "%04X", checksum_);
    const std::string start = std::string("2024-05-17T09:41:07+00:00,AT89C2051,/images/demo.hex,") +
                              sum + ",blank+program+verify,";
    struct Expected {
        const char* result;
        const char* step;
        const char* address;
        const char* reason;
    };
    const Expected rows[] = {
        {"pass", "", "", ""},
        {"fail", "check", "", "Error - Device Mismatch!"},
        {"fail", "blank", "0123", "Blank Check Failed at 0123"},
        {"pass", "", "", ""},
    };
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const std::string& row = log[i + 1];
        ASSERT_TRUE(row.starts_with(start)) << row;
        const auto f = Fields(row);
        ASSERT_EQ(f.size(), 10u) << row;
        EXPECT_EQ(f[5], rows[i].result);
        EXPECT_EQ(f[6], rows[i].step);
        EXPECT_EQ(f[7], rows[i].address);
        EXPECT_EQ(f[9], rows[i].reason);
    }
}

TEST_F(ProductionRun, AnEmptySocketAtTheStartIsWaitedForAndCloseEndsTheWait) {
    unit_.RemoveChip();
    ProductionJob job(Options(std::nullopt));
    ASSERT_TRUE(job.OpenLog());
    job.Start();
    EXPECT_EQ(job.model.status, "Passed 0, failed 0. Insert a chip...");
    EXPECT_EQ(job.model.title, "Auto Programming Mode - AT89C2051");
    for (int i = 0; i < 3; ++i) {
        const StepResult r = job.Step();
        ASSERT_FALSE(r.finished);
        EXPECT_EQ(r.delay, kSocketPollInterval);
    }
    EXPECT_TRUE(unit_.messages.messages.empty());
    unit_.ClearWire();
    job.Cancel();
    const StepResult r = job.Step();
    EXPECT_TRUE(r.finished);
    EXPECT_EQ(r.code, 0);
    EXPECT_FALSE(job.model.staysOpen);
    EXPECT_TRUE(unit_.WireLines().empty()) << "a stopped wait polls no more";
    EXPECT_EQ(LogLines(), Lines{std::string(kProductionLogHeader)});
}

// Ctrl+C and SIGTERM in zvk-cli: a chip under way is either let end or given
// up, but never counted as made unless it was.
TEST_F(ProductionRun, StoppingDuringAChipEndsItOrGivesItUpAsAborted) {
    struct Case {
        const char* name;
        bool abandon;
        Lines row;  // result, failed step, address, seconds, reason
    };
    const Case cases[] = {
        {"cancel lets the chip end", false, {"pass", "", "", "", ""}},
        {"abandon gives it up", true, {"fail", "program", "0001", "2.3", "Aborted"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(dir_ / "run.csv");
        unit_.InsertChip();
        ProductionJob job(Options(std::nullopt), 0ms);
        ASSERT_TRUE(job.OpenLog());
        job.Start();
        // Into the Program step.
        while (job.model.status != "Programming...") ASSERT_FALSE(job.Step().finished);
        unit_.clock.Advance(2345ms);
        if (c.abandon) {
            job.Abandon();
        } else {
            job.Cancel();
            EXPECT_TRUE(job.model.stopping);
        }
        StepResult r;
        for (int i = 0; i < 100000 && !r.finished; ++i) r = job.Step();
        EXPECT_TRUE(r.finished);
        EXPECT_EQ(r.code, c.abandon ? 1 : 0);
        EXPECT_EQ(job.model.passed + job.model.failed, 1u);
        const Lines log = LogLines();
        ASSERT_EQ(log.size(), 2u);
        const auto f = Fields(log[1]);
        ASSERT_EQ(f.size(), 10u);
        EXPECT_EQ(f[5], c.row[0]);
        EXPECT_EQ(f[6], c.row[1]);
        if (c.abandon) {
            // Given up after its first byte.
            EXPECT_EQ(f[7], c.row[2]);
            EXPECT_EQ(f[8], c.row[3]);
        } else {
            for (std::uint16_t a = 0; a <= 0x07FF; ++a)
                ASSERT_EQ(unit_.Chip().Flash[a], FlashRead(a));
        }
        EXPECT_EQ(f[9], c.row[4]);
    }
}

TEST_F(ProductionRun, AUnitThatStopsAnsweringEndsTheRunWithTheLinksMessageOnce) {
    ProductionJob job(Options(std::nullopt));
    ASSERT_TRUE(job.OpenLog());
    job.Start();
    StepResult r;
    int steps = 0;
    for (; steps < 100000 && !r.finished; ++steps) {
        r = job.Step();
        // The adapter is pulled out while the run waits for the chip to go.
        if (job.model.waiting == SocketWait::Removal) unit_.BreakAfterWrites(0);
    }
    EXPECT_TRUE(r.finished);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(job.model.unitLost);
    EXPECT_EQ(job.model.passed, 1u);
    EXPECT_EQ(unit_.messages.Lines(), Lines{"ERROR|Serial port communication error!"});
    EXPECT_EQ(LogLines().size(), 2u);
}

// Pulled out in the middle of a chip: that chip failed, and the run ends at
// once rather than polling a port that is gone.
TEST_F(ProductionRun, AUnitLostDuringAChipEndsTheRunWithThatChipFailed) {
    ProductionJob next(Options(std::nullopt), 0ms);
    ASSERT_TRUE(next.OpenLog());
    next.Start();
    StepResult r;
    for (int steps = 0; steps < 100000 && !r.finished; ++steps) {
        r = next.Step();
        if (next.model.status == "Programming...") unit_.BreakAfterWrites(0);
    }
    EXPECT_TRUE(r.finished);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(next.model.unitLost);
    EXPECT_EQ(next.model.failed, 1u);
    EXPECT_EQ(unit_.messages.Lines(), Lines{"ERROR|Serial port communication error!"});
    const Lines log = LogLines();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(Fields(log[1])[6], "program");
}

// zvk-cli takes the mode stored in zvk.dat, which may be SPI: there no chip
// can be seen to come or go, and a run that made none is no success.
TEST_F(ProductionRun, ARunThatCannotSeeChipsInSpiModeEndsAsFailedAndSaysWhy) {
    App().ProgrammingMode = 0;
    ProductionJob job(Options(3));
    ASSERT_TRUE(job.OpenLog());
    job.Start();
    const StepResult r = job.Step();
    EXPECT_TRUE(r.finished);
    EXPECT_EQ(r.code, 1);
    EXPECT_FALSE(job.model.succeeded);
    EXPECT_FALSE(job.model.unitLost);
    EXPECT_EQ(job.model.passed + job.model.failed, 0u);
    EXPECT_EQ(unit_.messages.Lines(), Lines{"Error|" + std::string(kRepeatNeedsParallelText)});
    EXPECT_EQ(LogLines(), Lines{std::string(kProductionLogHeader)});
}

TEST_F(ProductionRun, OneChipWithALogEndsAsTheAutoSequenceEnds) {
    // A Protect that applies to nothing lets the sequence complete, but the
    // chip is not what was asked for.
    const struct {
        std::uint8_t steps;
        const char* row;  // from the result on
        Lines messages;
    } cases[] = {
        {kAutoProgram | kAutoVerify, "pass,,,0.0,", {}},
        {kAutoProgram | kAutoProtect,
         "fail,protect,,0.0,Protection option is disabled",
         {"Error|Protection option is disabled"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        std::filesystem::remove(dir_ / "run.csv");
        unit_.messages.messages.clear();
        unit_.InsertChip();
        App().AutoSequence = c.steps;
        App().ProtectionOptions = 0;
        ProductionOptions options = Options(std::nullopt);
        options.repeat = false;
        options.firstChipChecked = true;
        ProductionJob job(options);
        ASSERT_TRUE(job.OpenLog());
        const auto run = test::DriveJob(job);
        EXPECT_EQ(run.last.code, 0);
        EXPECT_TRUE(job.model.staysOpen);
        EXPECT_TRUE(job.model.closeEnabled);
        EXPECT_EQ(job.model.status, "Auto Programming Process Completed...");
        EXPECT_EQ(unit_.messages.Lines(), c.messages);
        const Lines log = LogLines();
        ASSERT_EQ(log.size(), 2u);
        EXPECT_TRUE(log[1].ends_with(c.row)) << log[1];
        for (const auto delay : run.delays) EXPECT_NE(delay, kSocketPollInterval);
    }
}

TEST(ProductionLogTest, RowsAreAppendedWithAHeaderOnlyForANewLog) {
    UtcTime utc;
    TempDir dir;
    const auto path = (dir / "log.csv").string();
    ProductionRow row;
    row.time = kNoon;
    row.part = "AT89S52";
    row.image = "/tmp/a \"b\", c.hex";
    row.checksum = 0x0A5F;
    row.steps = "erase+program";
    row.failedStep = "program";
    row.failedAddress = 0x0456;
    row.taken = 12345ms;
    row.reason = "Programming Failed at 0456";
    const std::string line =
        "2024-05-17T09:41:07+00:00,AT89S52,\"/tmp/a \"\"b\"\", c.hex\",0A5F,erase+program,fail,"
        "program,0456,12.3,Programming Failed at 0456";
    {
        ProductionLog log;
        ASSERT_TRUE(log.Open(path)) << log.Error();
        ASSERT_TRUE(log.Append(row));
        // Out before the log is closed.
        EXPECT_EQ(ReadTextFile(path), std::string(kProductionLogHeader) + "\n" + line + "\n");
    }
    // Opened again: appended to, without a second header; a last line cut
    // short is ended first.
    std::ofstream(path, std::ios::app) << "2024-05-17T09:40:00+00:00,AT89S52,cut";
    {
        ProductionLog log;
        ASSERT_TRUE(log.Open(path));
        row.passed = true;
        ASSERT_TRUE(log.Append(row));
    }
    const Lines lines = SplitLines(ReadTextFile(path));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[2], "2024-05-17T09:40:00+00:00,AT89S52,cut");
    EXPECT_TRUE(lines[3].find(",pass,") != std::string::npos) << lines[3];

    // What cannot be a log is refused with a reason.
    ::mkfifo((dir / "fifo").c_str(), 0600);
    for (const auto& bad :
         {dir.Path().string(), (dir / "fifo").string(), (dir / "missing" / "log.csv").string()}) {
        ProductionLog log;
        EXPECT_FALSE(log.Open(bad)) << bad;
        EXPECT_FALSE(log.Error().empty());
    }
}

TEST(ProductionLogTest, TimesCarryTheirOffsetFromUtc) {
    const struct {
        const char* tz;
        const char* text;
    } cases[] = {
        {"UTC0", "2024-05-17T09:41:07+00:00"},
        {"<+0530>-5:30", "2024-05-17T15:11:07+05:30"},
        {"<-03>3", "2024-05-17T06:41:07-03:00"},
    };
    for (const auto& c : cases) {
        test::ScopedEnvironment tz("TZ", c.tz);
        tzset();
        EXPECT_EQ(IsoLocalTime(kNoon), c.text) << c.tz;
    }
    tzset();
}

}  // namespace
}  // namespace zvk
