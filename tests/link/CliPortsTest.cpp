// zvk-cli settings and ports, run as a user runs an installed copy: the
// program in a folder nobody may write to, the settings in the user's folder
// given by XDG_CONFIG_HOME.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/SettingsFolders.h"
#include "tests/support/ShellRun.h"
#include "tests/support/UnitSimProcess.h"

namespace zvk::test {
namespace {

namespace fs = std::filesystem;

class CliPorts : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(bin_);
        fs::copy_file(ZVK_CLI_PATH, bin_ / "zvk-cli");
        readOnly_.emplace(bin_);
    }

    ShellRun Cli(const std::string& arguments) {
        return RunShell("XDG_CONFIG_HOME=" + ShellQuote((dir_ / "config").string()) +
                            " HOME=" + ShellQuote((dir_ / "home").string()) + " " +
                            ShellQuote((bin_ / "zvk-cli").string()) + " " + arguments,
                        dir_.Path());
    }

    TempDir dir_;
    fs::path bin_ = dir_ / "bin";
    fs::path settings_ = dir_ / "config" / "zvk";
    std::optional<ReadOnlyFolder> readOnly_;
};

TEST_F(CliPorts, AnAssignedComNameReachesTheUnit) {
    UnitSimProcess unit;
    ASSERT_TRUE(unit.Start(dir_.Path(), "unit", {"--part", "AT89S52"}));
    const std::string pty = fs::read_symlink(unit.Link()).string();

    ShellRun run = Cli("ports --assign COM3 " + ShellQuote(pty));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "COM3  " + (settings_ / "COM3").string() + " -> " + pty +
                           "  (present, assigned in the settings folder)\n");
    EXPECT_EQ(fs::read_symlink(settings_ / "COM3").string(), pty);

    run = Cli("--port COM3 --part AT89S52 check");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "AT89S52: signature 1E 52 06\n");

    run = Cli("ports");
    EXPECT_EQ(run.status, 0) << run.err;
    const auto lines = run.Lines();
    ASSERT_GE(lines.size(), 11u) << run.out;
    EXPECT_EQ(lines[0], "settings folder: " + settings_.string());
    EXPECT_EQ(lines[1].rfind("COM1  /dev/ttyS0  (", 0), 0u) << lines[1];
    EXPECT_EQ(lines[3], "COM3  " + (settings_ / "COM3").string() + " -> " + pty +
                            "  (present, assigned in the settings folder)");
    EXPECT_EQ(lines[9], "COM9  /dev/ttyS8  (not present, the system's own name)");
    EXPECT_EQ(lines[10].rfind("serial ports found:", 0), 0u) << lines[10];

    run = Cli("ports --unassign com3");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "COM3  /dev/ttyS2  (not present, the system's own name)\n");
    run = Cli("--port COM3 --part AT89S52 check");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "Error: Cannot Establish Communication\n"
              "zvk-cli: COM3 is /dev/ttyS2: No such file or directory\n");

    EXPECT_EQ(std::distance(fs::directory_iterator(bin_), fs::directory_iterator()), 1)
        << "nothing is written beside an installed program";
}

TEST_F(CliPorts, RefusesWhatItCannotDo) {
    struct Case {
        std::string arguments;
        int status;
        std::string err;
    };
    const Case cases[] = {
        {"ports --assign COM10 /dev/null", 2, "zvk-cli: COM10 is not a COM name: COM1 to COM9\n"},
        {"ports --assign COM0 /dev/null", 2, "zvk-cli: COM0 is not a COM name: COM1 to COM9\n"},
        {"ports --unassign ttyS0", 2, "zvk-cli: ttyS0 is not a COM name: COM1 to COM9\n"},
        {"ports --assign COM3 /dev/zvk-no-such-port", 1,
         "zvk-cli: /dev/zvk-no-such-port does not exist\n"},
        {"ports --unassign COM4", 1,
         "zvk-cli: COM4 has no assignment in " + settings_.string() + "\n"},
        {"ports --assign COM3", 2, "zvk-cli: ports --assign COMn DEVICE: one device is needed\n"},
        {"ports --assign COM3 --unassign COM3", 2,
         "zvk-cli: ports: --assign and --unassign do not go together\n"},
        {"ports COM3", 2, "zvk-cli: ports takes no arguments without --assign\n"},
        {"settings now", 2, "zvk-cli: settings takes no arguments\n"},
    };
    for (const Case& c : cases) {
        const ShellRun run = Cli(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments;
        // A usage error points to the command's help.
        const std::string command = c.arguments.substr(0, c.arguments.find(' '));
        const std::string hint = c.status == 2 ? "Try 'zvk-cli " + command + " --help'.\n" : "";
        EXPECT_EQ(run.err, c.err + hint) << c.arguments;
        EXPECT_EQ(run.out, "") << c.arguments;
    }
    EXPECT_FALSE(fs::exists(dir_ / "config")) << "a refusal writes nothing";
}

TEST_F(CliPorts, SettingsShowsTheFileInUseInWords) {
    ShellRun run = Cli("settings");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "settings file: " + (settings_ / "zvk.dat").string() +
                           " (missing: the settings of a first start)\n"
                           "port: COM2\n"
                           "part: AT89C1051\n"
                           "mode: Parallel\n"
                           "blank check range: 0000 to 0000\n"
                           "program range: 0000 to 0000, buffer from 0000\n"
                           "verify range: 0000 to 0000, buffer from 0000\n"
                           "read range: 0000 to 0000, buffer from 0000\n"
                           "protection of 40-pin parts: none\n"
                           "protection of 20-pin parts: none\n"
                           "auto steps: none\n"
                           "options: none\n"
                           "other settings: " +
                           (settings_ / "zvk.conf").string() + " (none)\n");
    EXPECT_FALSE(fs::exists(settings_)) << "showing the settings writes nothing";

    fs::create_directories(settings_);
    // COM3, AT89S8252 in SPI mode, ranges of every kind, LB2 of the 40-pin
    // parts and LB1 of the 20-pin ones, three auto steps, two options.
    std::ofstream(settings_ / "zvk.dat") << "020b"
                                            "0100"
                                            "01ff"
                                            "00"
                                            "0000"
                                            "1fff"
                                            "0000"
                                            "01"
                                            "0010"
                                            "0020"
                                            "0030"
                                            "00"
                                            "0000"
                                            "07ff"
                                            "0800"
                                            "01"
                                            "00"
                                            "12"
                                            "0d"
                                            "05";
    std::ofstream(settings_ / "zvk.conf") << "images.folder=/home/ann/8051 images\n";
    run = Cli("settings");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "settings file: " + (settings_ / "zvk.dat").string() +
                           "\n"
                           "port: COM3\n"
                           "part: AT89S8252\n"
                           "mode: SPI\n"
                           "blank check range: 0100 to 01FF\n"
                           "program range: 0000 to 1FFF, buffer from 0000, Full Device\n"
                           "verify range: 0010 to 0020, buffer from 0030\n"
                           "read range: 0000 to 07FF, buffer from 0800, Full Device\n"
                           "protection of 40-pin parts: LB2\n"
                           "protection of 20-pin parts: LB1\n"
                           "auto steps: Erase, Program, Verify\n"
                           "options: Clear Buffer before loading new file, Erase the device "
                           "before Programming\n"
                           "other settings: " +
                           (settings_ / "zvk.conf").string() +
                           "\n"
                           "  images.folder=/home/ann/8051 images\n");

    // SPI stored for a part that has none: AT89C2051 (01).
    std::ofstream(settings_ / "zvk.dat") << "0201" + std::string(60, '0');
    run = Cli("settings");
    EXPECT_NE(run.out.find("\nmode: SPI (runs Parallel: this part has no SPI)\n"),
              std::string::npos)
        << run.out;

    fs::remove(settings_ / "zvk.dat");
    fs::create_directory(settings_ / "zvk.dat");
    run = Cli("settings");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.Lines().at(0), "settings file: " + (settings_ / "zvk.dat").string() +
                                     " (unreadable: the settings of a first start)");
    EXPECT_EQ(run.Lines().at(1), "port: COM2");
}

// A portable copy keeps everything beside the program, as it always did.
TEST_F(CliPorts, APortableCopyKeepsItsSettingsBesideTheProgram) {
    readOnly_.reset();
    ShellRun run = Cli("ports --assign COM5 /dev/null");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(fs::read_symlink(bin_ / "COM5"), "/dev/null");
    EXPECT_EQ(run.out, "COM5  " + (bin_ / "COM5").string() +
                           " -> /dev/null  (present, beside the program)\n");
    run = Cli("settings");
    EXPECT_EQ(run.Lines().at(0), "settings file: " + (bin_ / "zvk.dat").string() +
                                     " (missing: the settings of a first start)");
    EXPECT_FALSE(fs::exists(dir_ / "config"));
}

}  // namespace
}  // namespace zvk::test
