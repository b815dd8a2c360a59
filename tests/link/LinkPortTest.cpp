// The port's name and the link's failure messages, with a transport that does
// what each case needs.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/AppState.h"
#include "link/Link.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/UnitSimProcess.h"

namespace zvk::test {
namespace {

using Lines = std::vector<std::string>;

struct Script {
    bool opens = true;
    bool configures = true;
    std::ptrdiff_t written = -2;  // -2: everything
    std::ptrdiff_t read = 0;
    std::string openedName;
};

class ScriptedTransport final : public SerialTransport {
  public:
    explicit ScriptedTransport(Script& script) : script_(script) {}
    bool Open(const std::string& name) override {
        script_.openedName = name;
        return script_.opens;
    }
    bool Configure() override { return script_.configures; }
    void Purge() override {}
    std::ptrdiff_t Write(const std::uint8_t*, std::size_t count, Clock::Duration) override {
        return script_.written == -2 ? static_cast<std::ptrdiff_t>(count) : script_.written;
    }
    std::ptrdiff_t Read(std::uint8_t*, std::size_t, Clock::Duration) override {
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

TEST_F(LinkPort, APortThatCannotBeConfiguredIsNoneWithoutAMessage) {
    script_.configures = false;
    EXPECT_EQ(OpenProgrammerPort(0), nullptr);
    EXPECT_EQ(App().ProgrammerLink, nullptr);
    EXPECT_TRUE(messages_.Lines().empty());

    SetTransportFactory({});
    EXPECT_EQ(OpenProgrammerPort(0), nullptr);
    EXPECT_EQ(messages_.Lines(), Lines{"Error|Cannot Establish Communication"});
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
}

}  // namespace
}  // namespace zvk::test
