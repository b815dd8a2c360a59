// zvk-cli's programming mode, seen on the wire of zvk-unit-sim: the mode
// zvk.dat holds unless --spi or --parallel says otherwise, and Parallel for a
// part without SPI whatever is stored, as the desktop program runs it.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/ShellRun.h"
#include "tests/support/UnitSimProcess.h"

namespace zvk {
namespace {

using test::RunShell;
using test::ShellQuote;
using test::ShellRun;
using test::TempDir;
using test::UnitSimProcess;
using Lines = std::vector<std::string>;

// zvk.dat for a part (its index in the catalogue) and a programming mode,
// with COM1 and all ranges 0.
std::string SettingsFile(const char* partIndex, const char* mode) {
    return std::string("00") + partIndex + std::string(52, '0') + mode + "000000";
}

constexpr const char* kS52 = "0f";
constexpr const char* kC55 = "09";
constexpr const char* kSpi = "00";
constexpr const char* kParallel = "02";

// Reading the first 16 bytes: the device check, the read job's look for
// the unit, and the read command of the mode's command set.
const std::vector<std::string> kRead{"read", "first.bin", "--from", "0000", "--to", "000f"};
const std::string kBlank = "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF";
const Lines kS52ParallelRead{"> 0D < 2D", "> 32 < 1E 52 06", "> 0D < 2D",
                             "> 37 00 00 00 10 < " + kBlank};
const Lines kS52SpiRead{"> 0D < 2D", "> 3B 00 00 00 10 < " + kBlank};

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class StoredModeTest : public ::testing::Test {
  protected:
    // A copy of zvk-cli of the test's own, so that the zvk.dat beside it is
    // the test's and not the build's.
    void SetUp() override { std::filesystem::copy_file(ZVK_CLI_PATH, dir / "zvk-cli"); }

    // Runs zvk-cli against a unit with this part, with zvk.dat holding
    // `settings`; gives the run and fills `wire` with the unit's wire log.
    ShellRun Run(const std::string& part, const std::string& settings,
                 const std::vector<std::string>& arguments, Lines& wire) {
        std::ofstream(dir / "zvk.dat") << settings;
        UnitSimProcess unit;
        EXPECT_TRUE(unit.Start(dir.Path(), "unit", {"--part", part}));
        std::string command =
            ShellQuote((dir / "zvk-cli").string()) + " --port " + ShellQuote(unit.Link().string());
        for (const auto& a : arguments) command += " " + ShellQuote(a);
        const ShellRun run = RunShell(command, dir.Path());
        unit.Stop();
        wire = unit.WireLog();
        return run;
    }

    TempDir dir;
};

TEST_F(StoredModeTest, TheDeviceCommandsUseTheStoredModeUnlessAnOptionSaysOtherwise) {
    struct Case {
        const char* part;
        std::string settings;
        std::vector<std::string> arguments;
        int status;
        std::string err;
        Lines wire;
    };
    const std::string saved = "Save Memory: Operation Completed Succesfully.\n";
    const Case cases[] = {
        {"AT89S52", SettingsFile(kS52, kSpi), kRead, 0, saved, kS52SpiRead},
        {"AT89S52", SettingsFile(kS52, kParallel), kRead, 0, saved, kS52ParallelRead},
        // The options win over zvk.dat, also before the command name.
        {"AT89S52", SettingsFile(kS52, kSpi), Join({"--parallel"}, kRead), 0, saved,
         kS52ParallelRead},
        {"AT89S52", SettingsFile(kS52, kParallel), Join(kRead, {"--spi"}), 0, saved, kS52SpiRead},
        // A part without SPI reads its signature in Parallel mode, whatever
        // zvk.dat holds.
        {"AT89C55", SettingsFile(kC55, kSpi), kRead, 0, saved,
         Lines{"> 0D < 2D", "> 14 < 1E 55 FF", "> 0D < 2D", "> 1D 00 00 00 10 < " + kBlank}},
        {"AT89S52",
         SettingsFile(kS52, kSpi),
         {"--part", "AT89C55", "check"},
         1,
         "ERROR: Error - Device Mismatch!\n"
         "zvk-cli: the chip's signature is 1E 52 06: AT89S52\n",
         Lines{"> 0D < 2D", "> 14 < 1E 52 06"}},
        // Usage errors touch nothing.
        {"AT89S52",
         SettingsFile(kS52, kSpi),
         Join({"--spi", "--parallel"}, kRead),
         2,
         "zvk-cli: --spi and --parallel cannot be given together\nTry 'zvk-cli read --help'.\n",
         {}},
        {"AT89C55",
         SettingsFile(kC55, kParallel),
         Join(kRead, {"--spi"}),
         2,
         "zvk-cli: AT89C55 cannot be programmed over SPI\nTry 'zvk-cli read --help'.\n",
         {}},
        // A production run tells one chip from the next by the device check,
        // which SPI mode has not.
        {"AT89S52",
         SettingsFile(kS52, kSpi),
         {"auto", "img.hex", "--repeat"},
         2,
         "zvk-cli: --repeat needs Parallel mode: without the device check a new chip cannot be "
         "told from the last one\nTry 'zvk-cli auto --help'.\n",
         {}},
    };
    for (const Case& c : cases) {
        std::string label = c.settings.substr(2, 2) + "/" + c.settings.substr(56, 2);
        for (const auto& a : c.arguments) label += " " + a;
        Lines wire;
        const ShellRun run = Run(c.part, c.settings, c.arguments, wire);
        EXPECT_EQ(run.status, c.status) << label << "\n" << run.err;
        EXPECT_EQ(run.err, c.err) << label;
        EXPECT_EQ(wire, c.wire) << label;
    }
}

TEST_F(StoredModeTest, TheUsageNamesBothModeOptions) {
    const ShellRun run = RunShell(ShellQuote((dir / "zvk-cli").string()), dir.Path());
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("[--spi|--parallel]"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace zvk
