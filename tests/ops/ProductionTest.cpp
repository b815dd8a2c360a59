// Production runs: chip after chip through the Auto sequence against the
// in-process unit, with chips taken out and put in as an operator would, and
// the CSV log they append to.

#include <gtest/gtest.h>

#include <time.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <csignal>
#include <map>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/Buffers.h"
#include "ops/Production.h"
#include "ops/ProductionJob.h"
#include "tests/support/CsvFields.h"
#include "tests/support/RunAtOnce.h"
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

std::vector<std::string> Fields(const std::string& row) { return test::CsvFields(row); }

class ProductionRun : public ::testing::Test {
  protected:
    void SetUp() override {
        for (std::uint16_t a = 0; a <= 0x07FF; ++a) {
            FlashWrite(a, static_cast<std::uint8_t>(a * 7 + 3));
            checksum_ =
                static_cast<std::uint16_t>(checksum_ + static_cast<std::uint8_t>(a * 7 + 3));
        }
    }

    // The run of steps_ over the selected part's Flash.
    ProductionOptions Options(std::optional<unsigned> count) {
        return {.request = {.steps = steps_, .lockBits = 0, .lastAddress = App().FlashLastAddress},
                .repeat = true,
                .count = count,
                .firstChipChecked = false,
                .image = "/images/demo.hex",
                .logPath = (dir_ / "run.csv").string(),
                .serial = {},
                .station = {},
                .wallClock = [] { return kNoon; }};
    }
    Lines LogLines() { return SplitLines(ReadTextFile(dir_ / "run.csv")); }

    UtcTime utc_;
    VirtualUnit unit_{"AT89C2051"};
    TempDir dir_;
    std::uint16_t checksum_ = 0;
    std::uint8_t steps_ = kAutoBlankCheck | kAutoProgram | kAutoVerify;
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
        ASSERT_EQ(f.size(), 12u) << row;
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
        ASSERT_EQ(f.size(), 12u);
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
    // The unit was left in the middle of programming, and cannot be reached
    // to bring it back.
    EXPECT_EQ(unit_.messages.Lines(),
              (Lines{"ERROR|Serial port communication error!",
                     "ERROR|The programmer unit did not come back from programming that stopped "
                     "part-way. Reset the programmer unit!"}));
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
        {kAutoProgram | kAutoVerify, "pass,,,0.0,,,", {}},
        {kAutoProgram | kAutoProtect,
         "fail,protect,,0.0,Protection option is disabled,,",
         {"Error|Protection option is disabled"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        std::filesystem::remove(dir_ / "run.csv");
        unit_.messages.messages.clear();
        unit_.InsertChip();
        steps_ = c.steps;
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

SerialPlan SerialAt(BufferKind buffer, std::uint16_t address, const std::filesystem::path& file,
                    const char* format = "le32") {
    SerialPlan plan;
    plan.buffer = buffer;
    plan.address = address;
    plan.format = *ParseSerialFormat(format);
    plan.file = file.string();
    plan.start = 1000;
    return plan;
}

// Each chip its own number in its own copy of the image; a chip refused at
// the check takes none, a chip that fails keeps its number as spent.
TEST_F(ProductionRun, EveryChipWrittenGetsTheNextNumberAndTheBufferKeepsTheImage) {
    ProductionOptions options = Options(4);
    options.serial = SerialAt(BufferKind::Flash, 0x07F0, dir_ / "sn.txt");
    options.station = "COM3";
    ProductionJob job(options);
    ASSERT_TRUE(job.OpenLog());
    (void)Operate(job, unit_,
                  {{"AT89C51", std::nullopt}, {"AT89C2051", 0x0123}, {"AT89C2051", std::nullopt}});
    EXPECT_EQ(job.model.passed, 2u);
    EXPECT_EQ(job.model.failed, 2u);
    // The last chip holds the image with its number, 1002 little-endian.
    std::vector<std::uint8_t> expected(0x0800);
    CopyFlashOut(0, expected.data(), 0x0800);
    std::copy_n(std::begin({0xEA, 0x03, 0x00, 0x00}), 4, expected.begin() + 0x07F0);
    EXPECT_EQ(unit_.Chip().Flash, expected);
    // The buffer is as it was.
    EXPECT_EQ(FlashRead(0x07F0), static_cast<std::uint8_t>(0x07F0 * 7 + 3));
    EXPECT_EQ(ReadTextFile(dir_ / "sn.txt"), "1003\n");
    const Lines log = LogLines();
    ASSERT_EQ(log.size(), 5u);
    const char* serials[] = {"1000", "", "1001", "1002"};
    for (std::size_t i = 0; i < 4; ++i) {
        const auto f = Fields(log[i + 1]);
        ASSERT_EQ(f.size(), 12u);
        EXPECT_EQ(f[10], serials[i]) << log[i + 1];
        EXPECT_EQ(f[11], "COM3");
    }
}

// The EEPROM's number is written after the Flash and compared after it.
TEST_F(ProductionRun, ANumberInTheEepromIsProgrammedAfterTheFlashAndVerified) {
    VirtualUnit unit("AT89S8252");
    steps_ = kAutoProgram | kAutoVerify;
    for (std::uint16_t a = 0; a < 0x100; ++a) FlashWrite(a, static_cast<std::uint8_t>(a));
    ProductionOptions options = Options(2);
    options.serial = SerialAt(BufferKind::Eeprom, 0x0100, dir_ / "sn.txt", "bcd6");
    ProductionJob job(options);
    ASSERT_TRUE(job.OpenLog());
    job.Start();
    std::vector<std::vector<std::uint8_t>> eeproms;
    StepResult r;
    int inserted = 0;
    for (int steps = 0; steps < 100000 && !r.finished; ++steps) {
        r = job.Step();
        if (job.model.waiting == SocketWait::Removal) {
            eeproms.push_back(unit.Chip().Eeprom);
            EXPECT_EQ(unit.Chip().Flash[0x00FE], 0xFE);
            unit.RemoveChip();
        } else if (job.model.waiting == SocketWait::Chip && !r.finished) {
            unit.InsertChip();
            // The second chip has its EEPROM stuck at 0 where the number's
            // last byte goes: the verify must see it.
            if (++inserted == 1) unit.Chip().Eeprom[0x0102] = 0x00;
        }
    }
    EXPECT_EQ(r.code, 1);
    ASSERT_EQ(eeproms.size(), 1u);
    EXPECT_EQ(std::vector<std::uint8_t>(eeproms[0].begin() + 0x0100, eeproms[0].begin() + 0x0104),
              (std::vector<std::uint8_t>{0x00, 0x10, 0x00, 0xFF}));
    EXPECT_EQ(unit.messages.Lines(), Lines{"Error|EEPROM Verify Failed at 0102"});
    const Lines log = LogLines();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_TRUE(log[1].ends_with(",pass,,,0.0,,1000,")) << log[1];
    EXPECT_TRUE(log[2].ends_with(",fail,verify,0102,0.0,EEPROM Verify Failed at 0102,1001,"))
        << log[2];
}

TEST_F(ProductionRun, ARunThatCannotTakeANumberStopsBeforeTheChipIsWritten) {
    ProductionOptions options = Options(std::nullopt);
    options.serial = SerialAt(BufferKind::Flash, 0x07F0, dir_ / "sn.txt", "le8");
    std::ofstream(dir_ / "sn.txt") << "255\n";
    ProductionJob job(options);
    ASSERT_TRUE(job.OpenLog());
    unit_.ClearWire();
    const auto run = Operate(job, unit_, {{"AT89C2051", std::nullopt}});
    EXPECT_EQ(run.last.code, 1);
    EXPECT_FALSE(job.model.succeeded);
    EXPECT_EQ(job.model.passed, 1u);
    EXPECT_EQ(
        unit_.messages.Lines(),
        Lines{
            "Error|Cannot take a serial number: serial number 256 does not fit le8 (largest 255)"});
    EXPECT_EQ(ReadTextFile(dir_ / "sn.txt"), "256\n");
    EXPECT_EQ(LogLines().size(), 2u) << "no row for a chip that was not written";
}

// A swap faster than a poll: the operator says so and the chip still in the
// socket is taken as the next one.
TEST_F(ProductionRun, ForcingTheNextChipTakesTheChipInTheSocket) {
    ProductionJob job(Options(2));
    ASSERT_TRUE(job.OpenLog());
    job.Start();
    job.ForceNextChip();  // nothing to force while waiting for a chip
    EXPECT_EQ(job.model.waiting, SocketWait::Chip);
    StepResult r;
    for (int steps = 0; steps < 100000 && job.model.waiting != SocketWait::Removal; ++steps) {
        r = job.Step();
    }
    ASSERT_EQ(job.model.waiting, SocketWait::Removal);
    EXPECT_EQ(r.delay, kSocketPollInterval);
    // The chip went and a new one came between two polls.
    unit_.RemoveChip();
    unit_.InsertChip();
    EXPECT_FALSE(job.Step().finished);
    EXPECT_EQ(job.model.waiting, SocketWait::Removal) << "the socket looks unchanged";
    job.ForceNextChip();
    EXPECT_EQ(job.model.waiting, SocketWait::Chip);
    for (int steps = 0; steps < 100000 && !r.finished; ++steps) r = job.Step();
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(job.model.passed, 2u);
}

#ifndef _WIN32
// A full disk, as a file size limit: POSIX only.
TEST(ProductionLogTest, AWriteCutShortIsTakenBackAndTheLogEndsWithAWholeRow) {
    TempDir dir;
    const auto path = (dir / "log.csv").string();
    ProductionLog log;
    ASSERT_TRUE(log.Open(path));
    ProductionRow row;
    row.part = "AT89S52";
    row.reason = std::string(200, 'x');
    ASSERT_TRUE(log.Append(row));
    const std::string before = ReadTextFile(path);
    // The disk fills up 50 bytes into the next row.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = before.size() + 50;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool appended = log.Append(row);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(appended);
    EXPECT_EQ(log.Error(), "only a part of the row could be written");
    EXPECT_EQ(ReadTextFile(path), before);
    // With room again the next row follows the last whole one.
    ASSERT_TRUE(log.Append(row));
    EXPECT_EQ(ReadTextFile(path), before + FormatProductionRow(row));
}

#endif

// Stations and separate runs append to one log: every row stays whole. On
// Linux the writers are processes; on Windows, whose LockFileEx locks belong
// to a handle, threads with a log each.
TEST(ProductionLogTest, WritersAppendingAtOnceLeaveOnlyWholeRows) {
    TempDir dir;
    const auto path = (dir / "log.csv").string();
    constexpr int kWriters = 4;
    constexpr int kRows = 60;
    const auto write = [&path](int p) {
        ProductionLog log;
        if (!log.Open(path)) return false;
        ProductionRow row;
        row.station = "station" + std::to_string(p);
        // Long rows, so that an unlocked pair of writes would interleave.
        row.reason = std::string(3000, static_cast<char>('a' + p));
        for (int i = 0; i < kRows; ++i) {
            row.serial = std::to_string(i);
            if (!log.Append(row)) return false;
        }
        return true;
    };
    EXPECT_TRUE(test::RunAtOnce(kWriters, write));
    const Lines lines = SplitLines(ReadTextFile(path));
    ASSERT_EQ(lines.size(), std::size_t{1 + kWriters * kRows});
    EXPECT_EQ(lines[0], std::string(kProductionLogHeader));
    std::map<std::string, int> perStation;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const auto f = Fields(lines[i]);
        ASSERT_EQ(f.size(), 12u) << i;
        const char c = static_cast<char>('a' + (f[11].back() - '0'));
        ASSERT_EQ(f[9], std::string(3000, c)) << i;
        EXPECT_EQ(f[10], std::to_string(perStation[f[11]]++));
    }
    EXPECT_EQ(perStation.size(), std::size_t{kWriters});
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
    row.serial = "1005";
    row.station = "/dev/ttyUSB0";
    const std::string line =
        "2024-05-17T09:41:07+00:00,AT89S52,\"/tmp/a \"\"b\"\", c.hex\",0A5F,erase+program,fail,"
        "program,0456,12.3,Programming Failed at 0456,1005,/dev/ttyUSB0";
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
    std::vector<std::string> refused{dir.Path().string(), (dir / "missing" / "log.csv").string()};
#ifndef _WIN32
    ::mkfifo((dir / "fifo").c_str(), 0600);
    refused.push_back((dir / "fifo").string());
#endif
    for (const auto& bad : refused) {
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
#ifdef _WIN32
        // The C runtime reads only names of three letters.
        {"IST-5:30", "2024-05-17T15:11:07+05:30"},
        {"BRT3", "2024-05-17T06:41:07-03:00"},
#else
        {"<+0530>-5:30", "2024-05-17T15:11:07+05:30"},
        {"<-03>3", "2024-05-17T06:41:07-03:00"},
#endif
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
