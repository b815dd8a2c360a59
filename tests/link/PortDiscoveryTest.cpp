// The machine's serial ports read from a sysfs and /dev tree built in the
// test's folder, and COM names assigned to them in the settings folder.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "app/AppState.h"
#include "app/Installation.h"
#include "link/PortDiscovery.h"
#include "tests/support/FakeSysfs.h"
#include "tests/support/SettingsFolders.h"
#include "tests/support/TempDir.h"

namespace zvk::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFtdiId = "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";

// A machine with a real UART, seven UARTs the driver only could have, a USB
// adapter with a stable name, a USB modem without a serial number, a console
// and a port whose node udev has not made.
class PortDiscovery : public ::testing::Test {
  protected:
    void SetUp() override {
        sysfs_.AddUart("ttyS0", "pnp0/00:01", "serial", 4);
        for (int i = 1; i < 8; ++i) {
            sysfs_.AddUart("ttyS" + std::to_string(i), "platform/serial8250", "serial8250", 0);
        }
        sysfs_.AddUsb("ttyUSB0", "pci0000:00/usb1/1-2", "FT232R USB UART", "FTDI", "A50285BI",
                      true);
        sysfs_.AddById(kFtdiId, "ttyUSB0");
        sysfs_.AddUsb("ttyACM0", "pci0000:00/usb1/1-3", "Arduino Uno", "", "", false);
        sysfs_.AddVirtual("tty0");
        sysfs_.AddUart("ttyS9", "pnp0/00:02", "serial", 4, false);
        roots_ = {sysfs_.Sys(), sysfs_.Dev()};

        ResetAppState();
        fs::create_directories(program_);
        readOnly_.emplace(program_);
        App().ProgramDirectory = program_.string();
    }
    void TearDown() override { App().ProgramDirectory.clear(); }

    TempDir dir_;
    FakeSysfs sysfs_{dir_.Path()};
    DiscoveryRoots roots_;
    fs::path program_ = dir_ / "bin";
    fs::path settings_ = dir_ / "config" / "zvk";
    std::optional<ReadOnlyFolder> readOnly_;
    ScopedEnvironment xdg_{"XDG_CONFIG_HOME", (dir_ / "config").string()};
};

TEST_F(PortDiscovery, FindsThePortsThatAreThereWithWhatTheKernelKnows) {
    // An attribute that is not a regular file reads as absent, at once
    // rather than when a writer comes.
    ASSERT_EQ(
        ::mkfifo((fs::path(sysfs_.Sys()) / "devices/pci0000:00/usb1/1-3/manufacturer").c_str(),
                 0600),
        0);
    const auto ports = DiscoverSerialPorts(roots_);
    ASSERT_EQ(ports.size(), 3u);
    const auto node = [this](const char* name) { return sysfs_.NodePath(name); };
    EXPECT_EQ(ports[0].device, node("ttyACM0"));
    EXPECT_EQ(ports[0].description, "Arduino Uno");
    EXPECT_EQ(ports[0].manufacturer, "");
    EXPECT_EQ(ports[0].serialNumber, "");
    EXPECT_EQ(ports[0].stableName, "");

    EXPECT_EQ(ports[1].device, node("ttyS0"));
    EXPECT_EQ(ports[1].description, "serial (platform)");
    EXPECT_EQ(ports[1].stableName, "");

    EXPECT_EQ(ports[2].device, node("ttyUSB0"));
    EXPECT_EQ(ports[2].description, "FT232R USB UART");
    EXPECT_EQ(ports[2].manufacturer, "FTDI");
    EXPECT_EQ(ports[2].serialNumber, "A50285BI");
    EXPECT_EQ(ports[2].stableName,
              (fs::path(sysfs_.Dev()) / "serial" / "by-id" / kFtdiId).string());

    EXPECT_TRUE(DiscoverSerialPorts({(dir_ / "nothing").string(), sysfs_.Dev()}).empty());
}

// The link goes to the stable name where there is one, so that it still
// holds after the adapter was plugged in elsewhere.
TEST_F(PortDiscovery, AnAssignmentIsALinkInTheSettingsFolder) {
    const std::string byId = (fs::path(sysfs_.Dev()) / "serial" / "by-id" / kFtdiId).string();
    struct Case {
        std::uint8_t index;
        std::string device;
        std::string target;
    };
    const Case cases[] = {
        {2, sysfs_.NodePath("ttyUSB0"), byId},
        {3, byId, byId},
        {4, sysfs_.NodePath("ttyS0"), sysfs_.NodePath("ttyS0")},
        {5, "/dev/null", "/dev/null"},
        {2, sysfs_.NodePath("ttyACM0"), sysfs_.NodePath("ttyACM0")},  // replaces the first
    };
    for (const Case& c : cases) {
        ASSERT_EQ(AssignPort(c.index, c.device, roots_), "") << c.device;
        const fs::path link = settings_ / ("COM" + std::to_string(c.index + 1));
        EXPECT_EQ(fs::read_symlink(link).string(), c.target);
        EXPECT_TRUE(HasAssignment(c.index));
        EXPECT_EQ(ResolvePortName(c.index), link.string());
        const ComPortView view = DescribeComPort(c.index);
        EXPECT_EQ(view.resolved.source, PortSource::SettingsFolder);
        EXPECT_EQ(view.linkTarget, c.target);
        EXPECT_TRUE(view.present);
    }
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(settings_)) ++entries;
    EXPECT_EQ(entries, 4u) << "no temporary link is left behind";
    EXPECT_TRUE(fs::is_empty(program_));

    ASSERT_EQ(UnassignPort(2), "");
    EXPECT_FALSE(fs::exists(fs::symlink_status(settings_ / "COM3")));
    EXPECT_EQ(ResolvePortName(2), "/dev/ttyS2");
    EXPECT_TRUE(fs::exists(sysfs_.NodePath("ttyACM0"))) << "only the link goes";
}

TEST_F(PortDiscovery, AssignmentsThatCannotBeMadeSayWhy) {
    EXPECT_EQ(AssignPort(0, (dir_ / "missing").string(), roots_),
              (dir_ / "missing").string() + " does not exist");
    EXPECT_EQ(AssignPort(0, "", roots_), " does not exist");
    EXPECT_EQ(AssignPort(0, dir_.Path().string(), roots_), dir_.Path().string() + " does not exist")
        << "a folder is no device";
    EXPECT_EQ(UnassignPort(0), "COM1 has no assignment in " + settings_.string());

    fs::create_directories(settings_);
    std::ofstream(settings_ / "COM2") << "kept";
    EXPECT_EQ(AssignPort(1, "/dev/null", roots_),
              (settings_ / "COM2").string() + " is not a link; it was left as it is");
    EXPECT_EQ(UnassignPort(1), "COM2 has no assignment in " + settings_.string());
    EXPECT_TRUE(fs::is_regular_file(settings_ / "COM2"));

    // A folder that cannot be made: the user's folder would be below a file.
    std::ofstream(dir_ / "file") << "x";
    ScopedEnvironment xdg("XDG_CONFIG_HOME", (dir_ / "file").string());
    const std::string failure = AssignPort(0, "/dev/null", roots_);
    EXPECT_EQ(failure.rfind("cannot write " + (dir_ / "file" / "zvk" / "COM1").string() + ": ", 0),
              0u)
        << failure;

    // An installed copy without any folder of the user's has nowhere to keep
    // a link: not beside itself, nor in the folder it was started from.
    const fs::path data = (program_ / DataDirectoryFromProgramDirectory()).lexically_normal();
    fs::create_directories(data / "help");
    std::ofstream(data / "help" / "index.html") << "<html></html>";
    ScopedEnvironment noXdg("XDG_CONFIG_HOME", std::nullopt);
    ScopedEnvironment noHome("HOME", std::nullopt);
    const fs::path started = dir_ / "started-here";
    fs::create_directories(started);
    const fs::path previous = fs::current_path();
    fs::current_path(started);
    EXPECT_EQ(AssignPort(0, "/dev/null", roots_),
              "there is no settings folder for COM1: neither XDG_CONFIG_HOME nor HOME names a "
              "folder");
    fs::current_path(previous);
    EXPECT_TRUE(fs::is_empty(started));
    EXPECT_TRUE(fs::is_empty(program_));
}

TEST_F(PortDiscovery, ABareNameIsTheNodeInTheDeviceFolder) {
    ASSERT_EQ(AssignPort(6, "ttyUSB0", roots_), "");
    EXPECT_EQ(fs::read_symlink(settings_ / "COM7"),
              fs::path(sysfs_.Dev()) / "serial" / "by-id" / kFtdiId);
}

TEST_F(PortDiscovery, AnAssignedDeviceThatIsGoneIsShownAsNotPresent) {
    ASSERT_EQ(AssignPort(0, sysfs_.NodePath("ttyACM0"), roots_), "");
    fs::remove(sysfs_.NodePath("ttyACM0"));
    const ComPortView view = DescribeComPort(0);
    EXPECT_EQ(view.resolved.name, (settings_ / "COM1").string()) << "the link still counts";
    EXPECT_FALSE(view.present);
    EXPECT_FALSE(DescribeComPort(7).present || PortPresent("/dev/ttyS7-none"));
}

}  // namespace
}  // namespace zvk::test
