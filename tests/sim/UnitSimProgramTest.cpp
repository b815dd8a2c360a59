// zvk-unit-sim as a program: its command line, its pseudo-terminal and its
// end, driven through the terminal with plain POSIX calls.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/ShellRun.h"
#include "tests/support/UnitSimProcess.h"

namespace zvk::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

// The host's end of the line, opened through the unit's link.
class HostPort {
  public:
    explicit HostPort(const fs::path& link) : fd_(::open(link.c_str(), O_RDWR | O_NOCTTY)) {
        termios tio{};
        if (fd_ >= 0 && ::tcgetattr(fd_, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(fd_, TCSANOW, &tio);
        }
    }
    ~HostPort() {
        if (fd_ >= 0) ::close(fd_);
    }
    HostPort(const HostPort&) = delete;
    HostPort& operator=(const HostPort&) = delete;

    [[nodiscard]] bool IsOpen() const { return fd_ >= 0; }

    // Sends the bytes and collects `answer` bytes, or what came within 2 s.
    Bytes Exchange(const Bytes& bytes, std::size_t answer) {
        if (::write(fd_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            return {};
        Bytes got;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (got.size() < answer && std::chrono::steady_clock::now() < deadline) {
            pollfd in{fd_, POLLIN, 0};
            if (::poll(&in, 1, 50) <= 0) continue;
            std::uint8_t buffer[256];
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n > 0) got.insert(got.end(), buffer, buffer + n);
        }
        return got;
    }

  private:
    int fd_;
};

// Runs zvk-unit-sim to its end with these arguments.
ShellRun RunUnitSim(const std::vector<std::string>& arguments, const fs::path& dir) {
    std::string command = ShellQuote(ZVK_UNIT_SIM_PATH);
    for (const auto& a : arguments) command += " " + ShellQuote(a);
    return RunShell(command, dir);
}

TEST(UnitSimProgram, HelpDescribesTheDumpAndBadCommandLinesAreRefused) {
    TempDir dir;
    const ShellRun helpRun = RunUnitSim({"--help"}, dir.Path());
    EXPECT_EQ(helpRun.status, 0);
    const std::string& help = helpRun.out;
    for (const char* text :
         {"--link PATH", "--dump FILE", "Dump format", "lock-bits LB1 LB2", "eeprom 0800",
          "--wrong-part PART", "--garbage-every N", "--silent-after N", "--socket-control PATH",
          "insert PART", "socket empty"}) {
        EXPECT_NE(help.find(text), std::string::npos) << text;
    }

    std::ofstream(dir / "big.bin", std::ios::binary) << std::string(1025, '\0');
    ASSERT_EQ(mkfifo((dir / "image.fifo").c_str(), 0600), 0);
    const std::vector<std::vector<std::string>> refused = {
        {"--part", "AT89X52"},
        {"--baud", "0"},
        {"--fail-at", "12345"},
        {"--drop-every", "-1"},
        {"--silent-after", "x"},
        {"--third-byte", "1FF"},
        {"--bogus"},
        {"--part"},
        {"extra"},
        {"--part", "AT89C1051", "--image", (dir / "big.bin").string()},
        {"--image", (dir / "missing.bin").string()},
        {"--image", (dir / "image.fifo").string()},
        {"--image", dir.Path().string()},
    };
    for (const auto& args : refused) {
        const ShellRun run = RunUnitSim(args, dir.Path());
        EXPECT_EQ(run.status, 2) << args[0];
        EXPECT_TRUE(run.err.starts_with("zvk-unit-sim")) << args[0] << ": " << run.err;
    }
}

class UnitSimEnd : public ::testing::TestWithParam<int> {};

TEST_P(UnitSimEnd, ServesAHostThatReopensThenEndsWithItsDumpAndWithoutItsLink) {
    TempDir dir;
    std::ofstream(dir / "image.bin", std::ios::binary) << "\x12\x34";
    UnitSimProcess unit;
    ASSERT_TRUE(unit.Start(dir.Path(), "COM2",
                           {"--part", "AT89C2051", "--image", (dir / "image.bin").string()}));
    for (int i = 0; i < 3; ++i) {
        HostPort host(unit.Link());
        ASSERT_TRUE(host.IsOpen());
        EXPECT_EQ(host.Exchange({0x0D}, 1), Bytes{'-'}) << i;
    }
    {
        HostPort host(unit.Link());
        EXPECT_EQ(host.Exchange({0x12, 0x00, 0x00, 0x00, 0x02}, 2), (Bytes{0x12, 0x34}));
        EXPECT_EQ(host.Exchange({0x13, 0x00, 0x02, 0x00, 0x01, 0x56}, 1), Bytes{'-'});
        // A lock command the host does not wait for is still carried out.
        ASSERT_EQ(::write(open(unit.Link().c_str(), O_WRONLY | O_NOCTTY), "\x10", 1), 1);
        ::kill(unit.Pid(), GetParam());
        int status = 0;
        ASSERT_EQ(::waitpid(unit.Pid(), &status, 0), unit.Pid());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(unit.Link())));
    const std::string dump = ReadTextFile(dir / "dump.txt");
    EXPECT_NE(dump.find("part AT89C2051\nlock-bits LB1\n"), std::string::npos) << dump;
    EXPECT_NE(dump.find("0000: 12 34 56 FF"), std::string::npos) << dump;
    const auto log = SplitLines(ReadTextFile(dir / "wire.log"));
    ASSERT_GE(log.size(), 4U);
    EXPECT_EQ(log[3], "> 12 00 00 00 02 < 12 34");
    EXPECT_EQ(log.back(), "> 10");
}

INSTANTIATE_TEST_SUITE_P(Signals, UnitSimEnd, ::testing::Values(SIGTERM, SIGINT));

TEST(UnitSimProgram, ReplacesALinkLeftBehindButNoOtherFile) {
    TempDir dir;
    fs::create_symlink("/nonexistent/pts", dir / "COM3");
    UnitSimProcess unit;
    ASSERT_TRUE(unit.Start(dir.Path(), "COM3", {}));
    {
        HostPort host(unit.Link());
        EXPECT_EQ(host.Exchange({0x0D}, 1), Bytes{'-'});
    }
    EXPECT_EQ(unit.Stop(), 0);

    std::ofstream(dir / "COM4") << "mine";
    EXPECT_EQ(RunUnitSim({"--link", (dir / "COM4").string()}, dir.Path()).status, 1);
    EXPECT_EQ(ReadTextFile(dir / "COM4"), "mine");
}

// A new account has no settings folder yet: --link makes the folders it needs.
TEST(UnitSimProgram, MakesTheFolderOfItsLink) {
    TempDir dir;
    UnitSimProcess unit;
    ASSERT_TRUE(unit.Start(dir.Path(), "config/zvk/COM2", {}));
    {
        HostPort host(unit.Link());
        EXPECT_EQ(host.Exchange({0x0D}, 1), Bytes{'-'});
    }
    EXPECT_EQ(unit.Stop(), 0);
    EXPECT_TRUE(fs::is_directory(dir / "config" / "zvk"));
}

TEST(UnitSimProgram, TheSocketControlFifoChangesChipsForOneWriterAfterAnother) {
    TempDir dir;
    const fs::path fifo = dir / "socket";
    std::ofstream(fifo) << "a file left here";
    EXPECT_EQ(RunUnitSim({"--socket-control", fifo.string()}, dir.Path()).status, 1);
    EXPECT_EQ(ReadTextFile(fifo), "a file left here");
    fs::remove(fifo);

    UnitSimProcess unit;
    ASSERT_TRUE(
        unit.Start(dir.Path(), "unit", {"--part", "AT89S52", "--socket-control", fifo.string()}));
    ASSERT_TRUE(fs::is_fifo(fifo));
    HostPort host(unit.Link());
    ASSERT_TRUE(host.IsOpen());
    // The signature the device check of an AT89S52 reads, once the unit has
    // taken the command in (it reads the FIFO between host bytes).
    const auto signatureBecomes = [&host](const Bytes& expected) {
        Bytes got;
        for (int i = 0; i < 200 && got != expected; ++i) got = host.Exchange({0x32}, 3);
        return got;
    };
    const Bytes s52{0x1E, 0x52, 0x06};
    const Bytes c51{0x1E, 0x51, 0xFF};
    const Bytes empty{0xFF, 0xFF, 0xFF};
    EXPECT_EQ(host.Exchange({0x32}, 3), s52);
    const struct {
        const char* lines;  // written by one writer, which then closes
        Bytes signature;
    } steps[] = {
        {"remove\n", empty},
        {"  insert   at89c51 \r\n", c51},
        // Not understood: said and ignored, then the next command counts.
        {"insert AT89X99\nfrobnicate\n\nremove\n", empty},
        {"insert\n", c51},  // the part last in the socket
        {"remove\ninsert AT89S52\n", s52},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.lines);
        std::ofstream(fifo) << step.lines;
        EXPECT_EQ(signatureBecomes(step.signature), step.signature);
    }
    // With every writer gone the FIFO must not read as ended, or the unit
    // would wake up for it without end: it holds a write end itself.
    int fifoEnds = 0;
    for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(unit.Pid()) + "/fd")) {
        std::error_code error;
        fifoEnds += fs::read_symlink(fd.path(), error) == fifo;
    }
    EXPECT_EQ(fifoEnds, 2);
    // The fresh chip is erased, and it is the one the dump shows.
    EXPECT_EQ(host.Exchange({0x37, 0x00, 0x00, 0x00, 0x02}, 2), (Bytes{0xFF, 0xFF}));
    EXPECT_EQ(host.Exchange({0x38, 0x00, 0x00, 0x00, 0x01, 0x5A}, 1), Bytes{'-'});
    EXPECT_EQ(unit.Stop(), 0);
    EXPECT_TRUE(unit.Dump().starts_with("part AT89S52\n")) << unit.Dump().substr(0, 100);
    EXPECT_NE(unit.Dump().find("\n0000: 5A FF"), std::string::npos);
    EXPECT_FALSE(fs::exists(fifo)) << "the unit removes its FIFO";
    const std::string output = unit.Output();
    for (const char* said : {"unknown part AT89X99", "unknown socket command: frobnicate",
                             "AT89C51 inserted", "socket empty"}) {
        EXPECT_NE(output.find(said), std::string::npos) << said << " in\n" << output;
    }
}

TEST(UnitSimProgram, BaudTakesTheWireTimeOfEveryByte) {
    TempDir dir;
    UnitSimProcess unit;
    ASSERT_TRUE(unit.Start(dir.Path(), "COM2", {"--baud", "9600"}));
    HostPort host(unit.Link());
    // 5 bytes out and 64 back, 10 bits each at 9600 baud: 71.9 ms at least.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(host.Exchange({0x37, 0x00, 0x00, 0x00, 0x40}, 64).size(), 64U);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::microseconds(71'875));
}

}  // namespace
}  // namespace zvk::test
