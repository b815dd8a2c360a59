// Production lines end to end: zvk-cli auto --repeat with serial numbers
// against several zvk-unit-sim, the test playing the operator of every
// station through the units' socket-control FIFOs: it takes a chip out (after
// keeping its contents) when a station asks for that, and puts the next one
// in when it asks for one.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/CsvFields.h"
#include "tests/support/ShellRun.h"
#include "tests/support/UnitSimProcess.h"

namespace zvk {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::ReadTextFile;
using test::ShellQuote;
using test::SplitLines;
using test::TempDir;
using test::UnitSimProcess;

std::vector<std::string> Fields(const std::string& row) { return test::CsvFields(row); }

// The four bytes at 1FF0 in a unit dump, little-endian.
std::optional<std::uint32_t> DumpSerial(const std::string& dump) {
    for (const auto& line : SplitLines(dump)) {
        if (!line.starts_with("1FF0: ")) continue;
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i) {
            value = value << 8 |
                    static_cast<std::uint32_t>(std::stoul(line.substr(6 + 3 * i, 2), nullptr, 16));
        }
        return value;
    }
    return std::nullopt;
}

// Starts a shell command in the background; its pid.
pid_t Background(const std::string& command, const fs::path& dir) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setpgid(0, 0);
        if (::chdir(dir.c_str()) != 0) ::_exit(127);
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return pid;
}

// The exit status once the process has ended; -1 when it was killed.
int Reap(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool Ended(pid_t pid, int& status) {
    int raw = 0;
    if (::waitpid(pid, &raw, WNOHANG) != pid) return false;
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return true;
}

// One unit and the operator at it.
struct Station {
    std::string name;                // the port, as zvk-cli is given it
    fs::path dir;                    // the unit's folder
    fs::path output;                 // where the station's lines appear
    std::string prefix;              // before them ("A: " from a parent of stations)
    std::vector<std::string> chips;  // what to insert, in turn ("" the right part)
    std::unique_ptr<UnitSimProcess> unit;
    std::size_t removed = 0;
    std::size_t inserted = 0;

    void Command(const std::string& lines) const { std::ofstream(dir / "socket") << lines; }
    fs::path ChipDump(std::size_t chip) const {
        return dir / ("chip" + std::to_string(chip) + ".txt");
    }

    // Plays the operator once: a chip out for every "Remove" said, one in
    // for every "Insert" said.
    void Operate() {
        std::size_t removes = 0;
        std::size_t inserts = 0;
        for (const auto& line : SplitLines(ReadTextFile(output))) {
            removes += line == prefix + "Remove the chip...";
            inserts += line == prefix + "Insert a chip...";
        }
        while (removed < removes) {
            Command("dump " + ChipDump(removed).string() + "\nremove\n");
            ++removed;
        }
        while (inserted < inserts && inserted < chips.size()) {
            Command("insert " + (chips[inserted].empty() ? "AT89S52" : chips[inserted]) + "\n");
            ++inserted;
        }
    }
};

class StationsTest : public ::testing::Test {
  protected:
    Station& AddStation(const std::string& name, std::vector<std::string> chips,
                        const fs::path& output, const std::string& prefix) {
        auto& s = stations_.emplace_back();
        s.name = dir_.Path() / name;
        s.dir = dir_ / ("unit-" + name);
        fs::create_directory(s.dir);
        s.output = output;
        s.prefix = prefix;
        s.chips = std::move(chips);
        s.unit = std::make_unique<UnitSimProcess>();
        EXPECT_TRUE(s.unit->Start(
            s.dir, "unit", {"--part", "AT89S52", "--socket-control", (s.dir / "socket").string()}));
        fs::create_symlink(s.unit->Link(), dir_ / name);
        return s;
    }

    // Operates every station until all of the runs have ended, within a bound.
    std::vector<int> OperateUntilEnded(const std::vector<pid_t>& runs) {
        std::vector<int> status(runs.size(), -2);
        const auto giveUp = std::chrono::steady_clock::now() + 240s;
        while (std::chrono::steady_clock::now() < giveUp) {
            for (auto& s : stations_) s.Operate();
            bool all = true;
            for (std::size_t i = 0; i < runs.size(); ++i) {
                if (status[i] == -2 && !Ended(runs[i], status[i])) all = false;
            }
            if (all) return status;
            std::this_thread::sleep_for(10ms);
        }
        for (const pid_t pid : runs) ::kill(-pid, SIGKILL);
        for (const pid_t pid : runs) Reap(pid);
        ADD_FAILURE() << "the runs did not end";
        return status;
    }

    // The last chip of each station, still in its socket.
    void DumpLastChips() {
        for (auto& s : stations_) {
            s.Command("dump " + s.ChipDump(s.removed).string() + "\n");
            for (int i = 0; i < 500 && !fs::exists(s.ChipDump(s.removed)); ++i) {
                std::this_thread::sleep_for(10ms);
            }
        }
    }

    // Every row whole, the serials unique and consecutive from first, each
    // passed chip holding its own number at 1FF0. The rows with the part
    // refused at the check have none.
    void CheckRowsAndChips(std::size_t rows, std::uint64_t first, std::size_t refused) {
        const auto log = SplitLines(ReadTextFile(dir_ / "run.csv"));
        ASSERT_EQ(log.size(), rows + 1);
        EXPECT_TRUE(log[0].ends_with(",reason,serial,station"));
        std::map<std::string, std::size_t> chipOf;
        std::set<std::uint64_t> serials;
        std::size_t checked = 0;
        for (std::size_t i = 1; i < log.size(); ++i) {
            SCOPED_TRACE(log[i]);
            const auto f = Fields(log[i]);
            ASSERT_EQ(f.size(), 12u);
            const auto station = std::find_if(stations_.begin(), stations_.end(),
                                              [&](const Station& s) { return s.name == f[11]; });
            ASSERT_NE(station, stations_.end());
            const std::size_t chip = chipOf[f[11]]++;
            if (f[6] == "check") {
                EXPECT_EQ(f[10], "");
                --refused;
                continue;
            }
            ASSERT_FALSE(f[10].empty());
            const std::uint64_t serial = std::stoull(f[10]);
            EXPECT_TRUE(serials.insert(serial).second) << "given twice";
            ASSERT_EQ(f[5], "pass");
            const auto dump = ReadTextFile(station->ChipDump(chip));
            EXPECT_EQ(DumpSerial(dump), serial) << station->ChipDump(chip);
            ++checked;
        }
        EXPECT_EQ(refused, 0u);
        EXPECT_EQ(checked, serials.size());
        ASSERT_FALSE(serials.empty());
        EXPECT_EQ(*serials.begin(), first);
        EXPECT_EQ(*serials.rbegin(), first + serials.size() - 1) << "consecutive";
        EXPECT_EQ(ReadTextFile(dir_ / "sn.txt"), std::to_string(first + serials.size()) + "\n");
    }

    std::string Cli(const std::string& arguments) const {
        return ShellQuote(ZVK_CLI_PATH) +
               " --part AT89S52 --parallel auto img.hex --steps program,verify"
               " --repeat --serial 1FF0 --serial-format le32 --serial-file sn.txt --log run.csv " +
               arguments;
    }

    void SetUp() override {
        std::ofstream(dir_ / "img.hex") << ":0400000012345678E8\n:00000001FF\n";
    }

    TempDir dir_;
    std::vector<Station> stations_;
};

TEST_F(StationsTest, FourStationsOfOneRunGiveEveryChipItsOwnNumber) {
    const auto out = dir_ / "out.txt";
    const std::vector<std::string> normal(9, "");
    std::vector<std::string> withWrongPart = normal;
    withWrongPart[4] = "AT89C51";
    for (const char* name : {"A", "B", "C", "D"}) {
        AddStation(name, std::string(name) == "C" ? withWrongPart : normal, out,
                   (dir_ / name).string() + ": ");
    }
    std::string ports;
    for (const auto& s : stations_) ports += " --port " + ShellQuote(s.name);
    const pid_t run = Background(Cli("--count 10" + ports) + " >out.txt 2>err.txt", dir_.Path());
    const auto status = OperateUntilEnded({run});
    EXPECT_EQ(status[0], 1) << ReadTextFile(dir_ / "err.txt");
    DumpLastChips();
    CheckRowsAndChips(40, 1, 1);
    const std::string text = ReadTextFile(out);
    EXPECT_NE(text.find("4 stations, 40 chips: 39 passed, 1 failed"), std::string::npos) << text;
    for (const auto& s : stations_) {
        EXPECT_NE(text.find(s.name + ": 10 chips: " +
                            (s.name.ends_with("C") ? "9 passed, 1 failed" : "10 passed, 0 failed")),
                  std::string::npos)
            << text;
    }
}

TEST_F(StationsTest, TwoRunsSharingTheNumberFileAndTheLog) {
    std::vector<pid_t> runs;
    for (const char* name : {"A", "B"}) {
        auto& s = AddStation(name, std::vector<std::string>(19, ""),
                             dir_ / (std::string(name) + ".out"), "");
        runs.push_back(
            Background(Cli("--serial-start 5000 --count 20 --port " + ShellQuote(s.name)) + " >" +
                           name + ".out 2>" + name + ".err",
                       dir_.Path()));
    }
    const auto status = OperateUntilEnded(runs);
    EXPECT_EQ(status, (std::vector<int>{0, 0}))
        << ReadTextFile(dir_ / "A.err") << ReadTextFile(dir_ / "B.err");
    DumpLastChips();
    CheckRowsAndChips(40, 5000, 0);
}

// SIGKILL after the third chip has taken its number: that number is spent,
// and the run started again goes on after it.
TEST_F(StationsTest, ARunKilledInTheMiddleOfAChipGivesNoNumberTwiceWhenStartedAgain) {
    auto& s = AddStation("A", std::vector<std::string>(9, ""), dir_ / "first.out", "");
    const pid_t first =
        Background(Cli("--count 5 --port A") + " >first.out 2>first.err", dir_.Path());
    const auto giveUp = std::chrono::steady_clock::now() + 60s;
    while (ReadTextFile(dir_ / "sn.txt") != "4\n" && std::chrono::steady_clock::now() < giveUp) {
        s.Operate();
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_EQ(ReadTextFile(dir_ / "sn.txt"), "4\n");
    // Into the chip's programming.
    const std::size_t wire = s.unit->WireLog().size();
    while (s.unit->WireLog().size() < wire + 20 && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(1ms);
    }
    ::kill(-first, SIGKILL);
    EXPECT_EQ(Reap(first), -1);
    auto log = SplitLines(ReadTextFile(dir_ / "run.csv"));
    ASSERT_EQ(log.size(), 3u) << "killed before the third chip ended";

    // The unit was left in the middle of the chip's bytes: it is switched
    // off and on, with a new chip in it, as after a crash of the line.
    s.unit->Stop();
    ASSERT_TRUE(s.unit->Start(
        s.dir, "unit", {"--part", "AT89S52", "--socket-control", (s.dir / "socket").string()}));
    s.output = dir_ / "again.out";
    s.removed = 0;
    s.inserted = 0;
    const pid_t again =
        Background(Cli("--count 3 --port A") + " >again.out 2>again.err", dir_.Path());
    EXPECT_EQ(OperateUntilEnded({again})[0], 0) << ReadTextFile(dir_ / "again.err");
    log = SplitLines(ReadTextFile(dir_ / "run.csv"));
    ASSERT_EQ(log.size(), 6u);
    std::vector<std::string> serials;
    for (std::size_t i = 1; i < log.size(); ++i) {
        const auto f = Fields(log[i]);
        ASSERT_EQ(f.size(), 12u) << log[i];
        EXPECT_EQ(f[5], "pass");
        serials.push_back(f[10]);
    }
    EXPECT_EQ(serials, (std::vector<std::string>{"1", "2", "4", "5", "6"}));
    EXPECT_EQ(ReadTextFile(dir_ / "sn.txt"), "7\n");
}

}  // namespace
}  // namespace zvk
