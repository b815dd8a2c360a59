// What only a real port shows, for both real transports (QSerialPort and
// termios): the line settings, the transfer contract of SerialTransport.h on a
// terminal the test plays the unit on, exclusive use, closing and reopening,
// and a unit that goes away.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/DeviceTable.h"
#include "link/Link.h"
#include "link/Protocol.h"
#include "tests/link/LinkRigs.h"
#include "tests/support/MessageRecorder.h"

namespace zvk::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using std::chrono::milliseconds;

// A pseudo-terminal of the test's own: the test is the unit on the master
// side, and keeps a descriptor of the port's side (opened before the
// transport takes it) to look at its line settings and its input queue.
class OwnTerminal {
  public:
    OwnTerminal() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
        const char* name = ::ptsname(master_);
        if (name == nullptr) return;
        name_ = name;
        port_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~OwnTerminal() {
        CloseMaster();
        if (port_ >= 0) ::close(port_);
    }
    OwnTerminal(const OwnTerminal&) = delete;
    OwnTerminal& operator=(const OwnTerminal&) = delete;

    [[nodiscard]] bool Ready() const { return master_ >= 0 && port_ >= 0; }
    [[nodiscard]] const std::string& Name() const { return name_; }
    [[nodiscard]] int PortSide() const { return port_; }

    // The unit sends these bytes; returns once they wait in the port's input.
    void Send(const Bytes& bytes) {
        ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        for (int i = 0; i < 200 && Waiting() < bytes.size(); ++i) {
            ::usleep(5000);
        }
        ASSERT_GE(Waiting(), bytes.size());
    }
    // Everything the port has sent, until nothing more comes for 200 ms.
    Bytes Received() {
        Bytes got;
        pollfd in{master_, POLLIN, 0};
        while (::poll(&in, 1, 200) > 0) {
            std::uint8_t chunk[4096];
            const ssize_t n = ::read(master_, chunk, sizeof chunk);
            if (n <= 0) break;
            got.insert(got.end(), chunk, chunk + n);
        }
        return got;
    }
    // The unit goes away: the port's side hangs up.
    void CloseMaster() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }

  private:
    [[nodiscard]] std::size_t Waiting() const {
        int n = 0;
        return ::ioctl(port_, FIONREAD, &n) == 0 ? static_cast<std::size_t>(n) : 0;
    }

    int master_ = -1;
    int port_ = -1;
    std::string name_;
};

template <typename Port>
class SerialPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAppState();
        SelectDevice(*FindDeviceByName("AT89S52"));
        App().ProgrammingMode = kModeParallel;
    }
    void TearDown() override {
        CloseProgrammerPort();
        if (rig_) rig_->Stop();
    }

    // zvk-unit-sim as COM2, opened through this transport.
    PtyRig<Port>& StartUnit() {
        rig_.emplace();
        rig_->Start(Unit());
        return *rig_;
    }

    // A transport of this kind, opened and configured on the own terminal.
    std::unique_ptr<SerialTransport> OpenOwn() {
        EXPECT_TRUE(terminal.Ready());
        auto port = Port::Factory()();
        EXPECT_TRUE(port->Open(terminal.Name()));
        EXPECT_TRUE(port->Configure());
        return port;
    }

    template <typename F>
    static milliseconds Timed(F&& f) {
        const auto start = std::chrono::steady_clock::now();
        f();
        return std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start);
    }

    OwnTerminal terminal;
    MessageRecorder messages_;
    std::optional<PtyRig<Port>> rig_;
};

struct PortNames {
    template <typename T>
    static std::string GetName(int /*index*/) {
        return T::kName;
    }
};

#ifdef ZVK_TEST_QT_TRANSPORT
using Ports = ::testing::Types<QtPort, TermiosPort>;
#else
using Ports = ::testing::Types<TermiosPort>;
#endif
TYPED_TEST_SUITE(SerialPortTest, Ports, PortNames);

TYPED_TEST(SerialPortTest, ConfigureSetsTheUnitsLineWhateverTheLineWasBefore) {
    ASSERT_TRUE(this->terminal.Ready());
    // Everything the unit's line is not: slow, parity, two stop bits, seven
    // bits, handshakes, and a cooked line that echoes and edits.
    termios dirty{};
    ASSERT_EQ(::tcgetattr(this->terminal.PortSide(), &dirty), 0);
    ::cfsetispeed(&dirty, B9600);
    ::cfsetospeed(&dirty, B9600);
    dirty.c_cflag = (dirty.c_cflag & ~CSIZE) | CS7 | PARENB | CSTOPB | CRTSCTS;
    dirty.c_iflag |= IXON | IXOFF | ICRNL | ISTRIP;
    dirty.c_oflag |= OPOST | ONLCR;
    dirty.c_lflag |= ICANON | ECHO | ISIG | IEXTEN;
    ASSERT_EQ(::tcsetattr(this->terminal.PortSide(), TCSANOW, &dirty), 0);

    auto port = this->OpenOwn();
    termios line{};
    ASSERT_EQ(::tcgetattr(this->terminal.PortSide(), &line), 0);
    EXPECT_EQ(::cfgetispeed(&line), B38400);
    EXPECT_EQ(::cfgetospeed(&line), B38400);
    EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(line.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF), 0u);
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO), 0u);

    // Raw both ways: every byte value crosses unchanged, none is taken for
    // a line end, a flow-control stop or a signal.
    Bytes every(256);
    std::iota(every.begin(), every.end(), std::uint8_t{0});
    this->terminal.Send(every);
    Bytes got(300, 0);
    std::size_t n = 0;
    while (n < every.size()) {
        const std::ptrdiff_t r = port->Read(got.data() + n, got.size() - n, milliseconds(1000));
        ASSERT_GT(r, 0) << "after " << n << " bytes";
        n += static_cast<std::size_t>(r);
    }
    got.resize(n);
    EXPECT_EQ(got, every);
    EXPECT_EQ(port->Write(every.data(), every.size(), milliseconds(1000)), 256);
    EXPECT_EQ(this->terminal.Received(), every);
}

// A port may turn out to be someone's terminal (a stale link to a
// pseudo-terminal that a shell now has): it is left as it was found.
TYPED_TEST(SerialPortTest, ClosingPutsTheTerminalBackInTheModeItHadBefore) {
    ASSERT_TRUE(this->terminal.Ready());
    termios cooked{};
    ASSERT_EQ(::tcgetattr(this->terminal.PortSide(), &cooked), 0);
    ::cfsetispeed(&cooked, B9600);
    ::cfsetospeed(&cooked, B9600);
    cooked.c_iflag |= ICRNL;
    cooked.c_oflag |= OPOST | ONLCR;
    cooked.c_lflag |= ICANON | ECHO | ISIG;
    ASSERT_EQ(::tcsetattr(this->terminal.PortSide(), TCSANOW, &cooked), 0);
    termios before{};
    ASSERT_EQ(::tcgetattr(this->terminal.PortSide(), &before), 0);

    auto port = this->OpenOwn();
    port->Close();
    termios after{};
    ASSERT_EQ(::tcgetattr(this->terminal.PortSide(), &after), 0);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_oflag, before.c_oflag);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(::cfgetospeed(&after), B9600);
}

TYPED_TEST(SerialPortTest, AReadGivesWhatHasComeAtOnceAndNothingOnlyAfterItsTimeout) {
    auto port = this->OpenOwn();
    std::uint8_t block[16] = {};

    std::ptrdiff_t n = 99;
    auto took = this->Timed([&] { n = port->Read(block, sizeof block, milliseconds(150)); });
    EXPECT_EQ(n, 0);
    EXPECT_GE(took, milliseconds(150));

    // No waiting for the rest of the block, and no byte lost when the block
    // is smaller than what has come.
    this->terminal.Send({'a', 'b', 'c'});
    took = this->Timed([&] { n = port->Read(block, 2, milliseconds(5000)); });
    EXPECT_EQ(n, 2);
    EXPECT_LT(took, milliseconds(2500));
    n = port->Read(block + 2, sizeof block - 2, milliseconds(5000));
    EXPECT_EQ(n, 1);
    EXPECT_EQ(Bytes(block, block + 3), (Bytes{'a', 'b', 'c'}));

    // Purge drops what has come and not been read.
    this->terminal.Send({'x', 'y', 'z'});
    port->Purge();
    EXPECT_EQ(port->Read(block, sizeof block, milliseconds(100)), 0);
}

TYPED_TEST(SerialPortTest, AWriteNobodyTakesEndsAtItsTimeoutAndWhatDidNotGoNeverGoes) {
    auto port = this->OpenOwn();
    // Far more than the terminal holds while the unit reads nothing.
    const Bytes block(1 << 20, 0x55);
    std::ptrdiff_t written = -1;
    const auto took =
        this->Timed([&] { written = port->Write(block.data(), block.size(), milliseconds(300)); });
    EXPECT_GE(took, milliseconds(300));
    EXPECT_LT(took, milliseconds(3000));
    EXPECT_GT(written, 0);
    EXPECT_LT(written, static_cast<std::ptrdiff_t>(block.size()));
    // The unit gets no more than the write said went (QSerialPort drops what
    // still waited in the driver as well), and then the next command, with
    // nothing of the rest in between.
    const Bytes next{0x0D};
    const std::size_t received = this->terminal.Received().size();
    EXPECT_GT(received, 0u);
    EXPECT_LE(received, static_cast<std::size_t>(written));
    EXPECT_EQ(port->Write(next.data(), next.size(), milliseconds(1000)), 1);
    EXPECT_EQ(this->terminal.Received(), next);
}

TYPED_TEST(SerialPortTest, APortThatIsNotATerminalIsNotOpened) {
    TempDir dir;
    std::ofstream(dir / "plain") << "not a serial port";
    auto port = TypeParam::Factory()();
    EXPECT_FALSE(port->Open((dir / "plain").string()));
    EXPECT_FALSE(port->Open((dir / "missing").string()));
}

TYPED_TEST(SerialPortTest, APortInUseCannotBeOpenedASecondTimeUntilItIsClosed) {
    this->StartUnit();
    ASSERT_NE(OpenProgrammerPort(kCom2), nullptr);
    // Neither a second port of the same kind nor zvk-cli's termios port gets
    // it while it is held.
    auto same = TypeParam::Factory()();
    EXPECT_FALSE(same->Open(ResolvePortName(kCom2)));
    auto termios = MakePosixSerialTransport();
    EXPECT_FALSE(termios->Open(ResolvePortName(kCom2)));
    EXPECT_TRUE(CheckProgrammer(App().ProgrammerLink));

    CloseProgrammerPort();
    EXPECT_TRUE(same->Open(ResolvePortName(kCom2)));
    same->Close();
    EXPECT_TRUE(termios->Open(ResolvePortName(kCom2)));
}

TYPED_TEST(SerialPortTest, TheUnitStaysReachableWhenThePortIsClosedAndOpenedAgain) {
    this->StartUnit();
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(OpenProgrammerPort(kCom2), nullptr) << i;
        EXPECT_TRUE(CheckProgrammer(App().ProgrammerLink)) << i;
        CloseProgrammerPort();
    }
    EXPECT_TRUE(this->messages_.Lines().empty());
}

TYPED_TEST(SerialPortTest, AUnitThatGoesAwayGivesACommunicationErrorAtOnce) {
    auto& rig = this->StartUnit();
    ASSERT_NE(OpenProgrammerPort(kCom2), nullptr);
    rig.Stop();
    std::uint8_t block[3] = {0x32, 0, 0};
    LinkWrite(App().ProgrammerLink, block, 1);
    bool read = true;
    const auto took = this->Timed([&] { read = LinkRead(App().ProgrammerLink, block, 3); });
    EXPECT_FALSE(read);
    EXPECT_LT(took, milliseconds(2000)) << "not a time-out";
    ASSERT_FALSE(this->messages_.Lines().empty());
    EXPECT_EQ(this->messages_.Lines().back(), "ERROR|Serial port communication error!");

    // The same on the own terminal, for both directions.
    auto port = this->OpenOwn();
    this->terminal.CloseMaster();
    EXPECT_EQ(port->Read(block, sizeof block, milliseconds(1000)), -1);
    EXPECT_EQ(port->Write(block, sizeof block, milliseconds(1000)), -1);
}

// zvk-cli stopped with Ctrl+C or killed while it holds the port: the next
// program can still open it, also while another process (here the test, as
// the virtual unit does) keeps the terminal open.
TEST(TermiosSerialPort, APortHeldByAProgramThatIsStoppedByASignalIsFreeAgain) {
    for (const int signal : {SIGINT, SIGTERM}) {
        OwnTerminal terminal;
        ASSERT_TRUE(terminal.Ready());
        termios before{};
        ASSERT_EQ(::tcgetattr(terminal.PortSide(), &before), 0);
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t holder = ::fork();
        ASSERT_GE(holder, 0);
        if (holder == 0) {
            auto port = MakePosixSerialTransport();
            const char opened = port->Open(terminal.Name()) && port->Configure() ? 1 : 0;
            [[maybe_unused]] const auto n = ::write(ready[1], &opened, 1);
            for (;;) ::pause();
        }
        ::close(ready[1]);
        char opened = 0;
        EXPECT_EQ(::read(ready[0], &opened, 1), 1);
        ::close(ready[0]);
        EXPECT_EQ(opened, 1) << signal;
        EXPECT_FALSE(MakePosixSerialTransport()->Open(terminal.Name())) << "held; " << signal;
        ::kill(holder, signal);
        int status = 0;
        ASSERT_EQ(::waitpid(holder, &status, 0), holder);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal)
            << "ends as the signal ends a program; " << signal;
        termios after{};
        ASSERT_EQ(::tcgetattr(terminal.PortSide(), &after), 0);
        EXPECT_EQ(after.c_lflag, before.c_lflag) << "the mode is put back; " << signal;
        EXPECT_EQ(after.c_iflag, before.c_iflag) << signal;
        EXPECT_TRUE(MakePosixSerialTransport()->Open(terminal.Name())) << signal;
    }
}

}  // namespace
}  // namespace zvk::test
