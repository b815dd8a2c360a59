// The port's name and the link's failure messages, with a transport that does
// what each case needs.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "app/AppState.h"
#include "link/Link.h"
#include "link/Protocol.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/SettingsFolders.h"
#include "tests/support/UnitSimProcess.h"

namespace zvk::test {
namespace {

using Lines = std::vector<std::string>;

struct Script {
    bool opens = true;
    bool hungUp = false;
    int opened = 0;
    bool configures = true;
    std::ptrdiff_t written = -2;  // -2: everything
    std::ptrdiff_t read = 0;
    std::string openedName;
    // Reads that bring a byte, each 10 ms after the one before (-1: for
    // ever), before the reads of `read`; those then take their whole timeout.
    int chatter = 0;
    bool quietReadsTakeTheirTime = false;
    int purges = 0;
};

class ScriptedTransport final : public SerialTransport {
  public:
    explicit ScriptedTransport(Script& script) : script_(script) {}
    bool Open(const std::string& name) override {
        script_.openedName = name;
        if (script_.opens) ++script_.opened;
        return script_.opens;
    }
    bool HungUp() const override { return script_.hungUp; }
    bool Configure() override { return script_.configures; }
    void Purge() override { ++script_.purges; }
    std::ptrdiff_t Write(const std::uint8_t*, std::size_t count, Clock::Duration) override {
        return script_.written == -2 ? static_cast<std::ptrdiff_t>(count) : script_.written;
    }
    std::ptrdiff_t Read(std::uint8_t*, std::size_t, Clock::Duration timeout) override {
        if (script_.chatter != 0) {
            if (script_.chatter > 0) --script_.chatter;
            CurrentClock().Sleep(std::min(timeout, Clock::Duration(10)));
            return 1;
        }
        if (script_.quietReadsTakeTheirTime) CurrentClock().Sleep(timeout);
        return script_.read;
    }
    void Close() override {}

  private:
    Script& script_;
};

class LinkPort : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAppState();
        App().ProgramDirectory = dir_.Path().string();
        previous_ =
            SetTransportFactory([this] { return std::make_unique<ScriptedTransport>(script_); });
    }
    void TearDown() override {
        CloseProgrammerPort();
        SetTransportFactory(std::move(previous_));
    }

    TempDir dir_;
    Script script_;
    MessageRecorder messages_;
    ManualClock clock_;
    ScopedClock scopedClock_{clock_};
    TransportFactory previous_;
};

TEST_F(LinkPort, ComNIsALinkOrFileInTheProgramDirectoryElseTtyS) {
    std::ofstream(dir_ / "COM3") << "";
    std::filesystem::create_symlink(dir_ / "gone", dir_ / "COM4");
    EXPECT_EQ(ResolvePortName(2), (dir_ / "COM3").string());
    EXPECT_EQ(ResolvePortName(3), (dir_ / "COM4").string()) << "a dangling link still counts";
    EXPECT_EQ(ResolvePortName(0), "/dev/ttyS0");
    EXPECT_EQ(ResolvePortName(8), "/dev/ttyS8");

    EXPECT_NE(OpenProgrammerPort(2), nullptr);
    EXPECT_EQ(script_.openedName, (dir_ / "COM3").string());
}

// An installed program: COMn beside it first, then an assignment in the
// settings folder, then the system's own name.
TEST_F(LinkPort, ComNLooksBesideTheProgramThenInTheSettingsFolder) {
    namespace fs = std::filesystem;
    const fs::path program = dir_ / "bin";
    const fs::path settings = dir_ / "config" / "zvk";
    fs::create_directories(program);
    fs::create_directories(settings);
    fs::create_symlink("/dev/null", program / "COM1");
    fs::create_symlink("/dev/null", settings / "COM1");  // hidden by the one beside the program
    fs::create_symlink("/dev/zero", settings / "COM2");
    fs::create_symlink(dir_ / "unplugged", settings / "COM3");
    std::ofstream(dir_ / "config" / "COM4") << "";  // not in the zvk folder: no assignment
    ReadOnlyFolder readOnly(program);
    ScopedEnvironment xdg("XDG_CONFIG_HOME", (dir_ / "config").string());
    App().ProgramDirectory = program.string();

    struct Case {
        std::uint8_t index;
        std::string name;
        PortSource source;
    };
    const Case cases[] = {
        {0, (program / "COM1").string(), PortSource::ProgramDirectory},
        {1, (settings / "COM2").string(), PortSource::SettingsFolder},
        {2, (settings / "COM3").string(), PortSource::SettingsFolder},
        {3, "/dev/ttyS3", PortSource::System},
        {8, "/dev/ttyS8", PortSource::System},
    };
    for (const Case& c : cases) {
        const ResolvedPort port = ResolvePort(c.index);
        EXPECT_EQ(port.name, c.name) << int(c.index);
        EXPECT_EQ(port.source, c.source) << int(c.index);
        EXPECT_EQ(ResolvePortName(c.index), c.name);
    }
    EXPECT_NE(OpenProgrammerPort(1), nullptr);
    EXPECT_EQ(script_.openedName, (settings / "COM2").string());
}

// When the open port must be opened again: after a failed transfer, once its
// device has gone, and when its name has come to lead to another device
// (told apart by what it is, not by its name); a quiet reopen says nothing.
TEST_F(LinkPort, APortInErrorOrLeadingElsewhereIsOpenedAgainQuietly) {
    namespace fs = std::filesystem;
    fs::create_symlink("/dev/null", dir_ / "COM2");
    ASSERT_NE(OpenProgrammerPort(1), nullptr);
    EXPECT_FALSE(ProgrammerPortInError());
    EXPECT_FALSE(ProgrammerPortStale(1));
    EXPECT_TRUE(ProgrammerPortStale(2)) << "another port";

    // The same name made again for the same device is the same port.
    fs::remove(dir_ / "COM2");
    fs::create_symlink("/dev/null", dir_ / "COM2");
    EXPECT_FALSE(ProgrammerPortStale(1));
    // Another device behind the same name and link target.
    fs::remove(dir_ / "COM2");
    fs::create_symlink(dir_ / "device", dir_ / "COM2");
    fs::create_symlink("/dev/null", dir_ / "device");
    EXPECT_FALSE(ProgrammerPortStale(1)) << "still /dev/null";
    fs::remove(dir_ / "device");
    fs::create_symlink("/dev/zero", dir_ / "device");
    EXPECT_FALSE(ProgrammerPortInError());
    EXPECT_TRUE(ProgrammerPortStale(1));
    EXPECT_TRUE(RefreshProgrammerPort(1));
    EXPECT_EQ(script_.opened, 2);
    EXPECT_FALSE(ProgrammerPortStale(1));

    // A failed transfer leaves the port in error until it is opened again.
    script_.written = -1;
    const std::uint8_t byte = 0x0D;
    EXPECT_FALSE(LinkWrite(App().ProgrammerLink, &byte, 1));
    EXPECT_TRUE(ProgrammerPortInError());
    script_.written = -2;
    EXPECT_TRUE(RefreshProgrammerPort(1));
    EXPECT_EQ(script_.opened, 3);
    EXPECT_FALSE(ProgrammerPortInError());

    // A device that has gone; and a reopen that fails leaves none, quietly.
    script_.hungUp = true;
    EXPECT_TRUE(ProgrammerPortInError());
    script_.opens = false;
    EXPECT_FALSE(RefreshProgrammerPort(1));
    EXPECT_EQ(App().ProgrammerLink, nullptr);
    EXPECT_TRUE(ProgrammerPortInError());
    EXPECT_EQ(messages_.Lines(), Lines{"ERROR|Serial port communication error!"});
}

TEST_F(LinkPort, ComNamesAreCom1ToCom9InAnyCase) {
    const std::pair<const char*, int> cases[] = {
        {"COM1", 0}, {"com9", 8},  {"Com5", 4},        {"COM0", -1}, {"COM10", -1},
        {"COM", -1}, {"CON1", -1}, {"/dev/ttyS0", -1}, {"", -1},
    };
    for (const auto& [name, index] : cases) {
        const auto parsed = ParseComName(name);
        EXPECT_EQ(parsed ? int(*parsed) : -1, index) << name;
    }
    EXPECT_EQ(ComName(0), "COM1");
    EXPECT_EQ(ComName(8), "COM9");
}

TEST_F(LinkPort, APortThatCannotBeOpenedOrConfiguredIsNone) {
    // A COM port that opens but takes no line settings is none, silently.
    script_.configures = false;
    EXPECT_EQ(OpenProgrammerPort(0), nullptr);
    EXPECT_EQ(App().ProgrammerLink, nullptr);
    EXPECT_TRUE(messages_.Lines().empty());
    // Opened by its device name (zvk-cli's --port), whose run ends there, it
    // says why.
    EXPECT_EQ(OpenProgrammerDevice("/dev/ttyUSB0"), nullptr);
    // The quiet reopen before a command says nothing.
    EXPECT_FALSE(RefreshProgrammerPort(0));
    EXPECT_EQ(messages_.Lines(), Lines{"Error|Cannot Establish Communication"});

    // Configured, it is the programmer port like a COM port, but stands for none.
    script_.configures = true;
    ASSERT_NE(OpenProgrammerDevice("/dev/ttyUSB0"), nullptr);
    EXPECT_EQ(script_.openedName, "/dev/ttyUSB0");
    EXPECT_NE(App().ProgrammerLink, nullptr);
    EXPECT_FALSE(ProgrammerPortInError());
    EXPECT_TRUE(ProgrammerPortStale(0));

    messages_.messages.clear();
    SetTransportFactory({});
    EXPECT_EQ(OpenProgrammerPort(0), nullptr);
    EXPECT_EQ(messages_.Lines(), Lines{"Error|Cannot Establish Communication"});
}

TEST_F(LinkPort, AnOpenedPortWaitsForTheLineToFallQuietButNotForEver) {
    using std::chrono::milliseconds;
    script_.quietReadsTakeTheirTime = true;
    // What is left of another program's exchange: five bytes, 10 ms apart.
    script_.chatter = 5;
    auto start = clock_.Now();
    ASSERT_NE(OpenProgrammerPort(0), nullptr);
    EXPECT_EQ(script_.chatter, 0);
    EXPECT_EQ(clock_.Now() - start, 5 * milliseconds(10) + kQuietLine);
    EXPECT_EQ(script_.purges, 2) << "after opening, and once the line is quiet";

    // A unit that never stops talking holds the program up only so long.
    script_.chatter = -1;
    start = clock_.Now();
    ASSERT_NE(OpenProgrammerPort(0), nullptr);
    EXPECT_EQ(clock_.Now() - start, kQuietLineBound);
    EXPECT_TRUE(messages_.Lines().empty());
}

TEST_F(LinkPort, EveryTransferFailureShowsItsMessage) {
    SerialTransport* port = OpenProgrammerPort(0);
    ASSERT_NE(port, nullptr);
    std::uint8_t block[4] = {};

    script_.written = 0;  // nothing left within the wait bound
    EXPECT_EQ(LinkWriteRaw(port, block, 1), LinkTimedOut);
    EXPECT_TRUE(messages_.Lines().empty()) << "the raw write shows nothing";
    EXPECT_FALSE(LinkWrite(port, block, 1));
    script_.written = -1;
    EXPECT_EQ(LinkWriteRaw(port, block, 1), LinkFailed);
    EXPECT_FALSE(LinkWrite(port, block, 1));
    script_.read = -1;
    EXPECT_EQ(LinkReadRaw(port, block, 1), LinkFailed);
    EXPECT_FALSE(LinkRead(port, block, 1));
    EXPECT_EQ(messages_.Lines(), (Lines{"ERROR|Write Time out error in serial communication!",
                                        "ERROR|Serial port communication error!",
                                        "ERROR|Serial port communication error!"}));
    for (const auto& m : messages_.messages) EXPECT_EQ(m.icon, MessageIcon::Stop);

    // The programmer check reads its answer raw; a port that fails there
    // says so too, once, and counts as a failure of the link.
    messages_.messages.clear();
    script_.written = -2;
    const std::uint64_t failures = LinkFailureCount();
    EXPECT_FALSE(CheckProgrammer(port));
    EXPECT_EQ(messages_.Lines(), Lines{"ERROR|Serial port communication error!"});
    EXPECT_EQ(LinkFailureCount(), failures + 1);
}

}  // namespace
}  // namespace zvk::test
