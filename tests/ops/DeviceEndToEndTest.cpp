// zvk-cli's device commands against zvk-unit-sim on a pseudo-terminal, with a
// firmware image that sdcc compiles inside the test.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "tests/support/ShellRun.h"
#include "tests/support/UnitSimProcess.h"

namespace zvk {
namespace {

using test::ReadTextFile;
using test::RunShell;
using test::ShellQuote;
using test::ShellRun;
using test::SplitLines;
using test::TempDir;
using test::UnitSimProcess;

constexpr std::size_t kC55Size = 20480;

// A copy of zvk-cli in the test's folder, so that the zvk.dat it reads (the
// one beside it) is the test's, not whatever the build folder holds; the
// mode and options a run takes from it are then the first start's.
std::string OwnCli(const TempDir& dir) {
    const auto copy = dir / "zvk-cli";
    if (!std::filesystem::exists(copy)) std::filesystem::copy_file(ZVK_CLI_PATH, copy);
    return ShellQuote(copy.string());
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
    const std::string text = ReadTextFile(path);
    return {text.begin(), text.end()};
}

// The Flash lines of a unit dump ("0000: FF FF ...") as bytes.
std::vector<std::uint8_t> DumpFlash(const std::string& dump) {
    std::vector<std::uint8_t> flash;
    bool inFlash = false;
    for (const auto& line : SplitLines(dump)) {
        if (line.rfind("flash ", 0) == 0) {
            inFlash = true;
        } else if (line.rfind("eeprom ", 0) == 0) {
            inFlash = false;
        } else if (inFlash && line.size() > 6 && line[4] == ':') {
            for (std::size_t at = 6; at + 2 <= line.size(); at += 3) {
                flash.push_back(
                    static_cast<std::uint8_t>(std::stoul(line.substr(at, 2), nullptr, 16)));
            }
        }
    }
    return flash;
}

std::string HexBytes(const std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t count) {
    std::string text;
    char byte[4];
    for (std::size_t i = from; i < from + count; ++i) {
        std::snprintf(byte, sizeof byte, i == from ? "%02X" : " %02X", bytes[i]);
        text += byte;
    }
    return text;
}

class DeviceEndToEndTest : public ::testing::Test {
  protected:
    // Compiles the test firmware with sdcc into DIR/fw.hex and, through
    // srec_cat, the 20 KB image it must give on an AT89C55 (DIR/fw.bin).
    void BuildFirmware() {
        const std::string source = std::string(ZVK_SOURCE_DIR) + "/tests/data/e2e_firmware.c";
        const auto d = dir.Path().string();
        const std::string build =
            "cd " + d + " && sdcc -mmcs51 --code-size 0x5000 " + source + " -o " + d +
            "/ >sdcc.txt 2>&1 && packihx e2e_firmware.ihx >fw.hex 2>/dev/null";
        ASSERT_EQ(std::system(build.c_str()), 0) << "sdcc and packihx are needed:\n"
                                                 << ReadTextFile(dir / "sdcc.txt");
        const std::string toBinary = "srec_cat -disable-sequence-warnings " + d +
                                     "/fw.hex -Intel -fill 0xFF 0x0000 0x5000 -o " + d +
                                     "/fw.bin -Binary";
        ASSERT_EQ(std::system(toBinary.c_str()), 0) << "srec_cat is needed";
        image = ReadBytes(dir / "fw.bin");
        ASSERT_EQ(image.size(), kC55Size);
        std::size_t used = 0;
        for (const auto b : image) used += b != 0xFF;
        ASSERT_GT(used, 100u) << "the firmware should be a real program";
    }

    bool StartUnit(std::vector<std::string> options) {
        options.insert(options.begin(), {"--part", "AT89C55"});
        return unit.Start(dir.Path(), "unit", options);
    }

    ShellRun Cli(const std::vector<std::string>& arguments, const std::string& input = "") {
        std::string command = OwnCli(dir) + " --port " +
                              ShellQuote(unit.Link().string()) + " --part AT89C55";
        for (const auto& a : arguments) command += " " + ShellQuote(a);
        return RunShell(command, dir.Path(), input);
    }

    TempDir dir;
    UnitSimProcess unit;
    std::vector<std::uint8_t> image;
};

TEST_F(DeviceEndToEndTest, ProgramVerifyAndReadBackACompiledFirmware) {
    BuildFirmware();
    ASSERT_TRUE(StartUnit({}));
    const std::string hex = (dir / "fw.hex").string();

    const ShellRun program = Cli({"program", hex, "--full"});
    EXPECT_EQ(program.status, 0) << program.err;
    EXPECT_NE(program.err.find("Write to Device - Flash: Programming Completed..."),
              std::string::npos)
        << program.err;
    const auto programLog = unit.WireLog();

    const ShellRun verify = Cli({"verify", hex});
    EXPECT_EQ(verify.status, 0) << verify.err;
    EXPECT_NE(verify.err.find("Verify Device - Flash: Verification Completed - OK"),
              std::string::npos)
        << verify.err;

    const ShellRun read = Cli({"read", (dir / "back.bin").string()});
    EXPECT_EQ(read.status, 0) << read.err;
    const ShellRun readHex =
        Cli({"read", (dir / "back.hex").string(), "--from", "0000", "--to", "00ff"});
    EXPECT_EQ(readHex.status, 0) << readHex.err;

    ASSERT_EQ(unit.Stop(), 0);
    EXPECT_EQ(DumpFlash(unit.Dump()), image);
    EXPECT_EQ(ReadBytes(dir / "back.bin"), image);
    // The HEX read-back of the first 256 bytes, through srec_cat.
    const std::string toBinary = "srec_cat " + (dir / "back.hex").string() + " -Intel -o " +
                                 (dir / "back-hex.bin").string() + " -Binary";
    ASSERT_EQ(std::system(toBinary.c_str()), 0);
    EXPECT_EQ(ReadBytes(dir / "back-hex.bin"),
              std::vector<std::uint8_t>(image.begin(), image.begin() + 256));

    // The opening exchanges of Program, byte for byte: the device check, the
    // runner's and the job's unit checks, the erase, the announcement of all
    // 20480 bytes, the first data byte, and the first verify block.
    ASSERT_GT(programLog.size(), 9u);
    const std::string signature = "> 14 < 1E 55 FF";
    EXPECT_EQ(std::vector<std::string>(programLog.begin(), programLog.begin() + 8),
              (std::vector<std::string>{"> 0D < 2D", signature, "> 0D < 2D", "> 0D < 2D", signature,
                                        "> 15", signature, "> 1E 00 00 50 00"}));
    EXPECT_EQ(programLog[8], "> " + HexBytes(image, 0, 1) + " < 2D");
    EXPECT_EQ(programLog[8 + kC55Size - 1], "> " + HexBytes(image, kC55Size - 1, 1) + " < 2D");
    EXPECT_EQ(programLog[8 + kC55Size], "> 1D 00 00 00 10 < " + HexBytes(image, 0, 16));
    EXPECT_EQ(programLog.size(), 8 + kC55Size + kC55Size / 16);
}

TEST_F(DeviceEndToEndTest, EraseBlankCheckAutoAndProtect) {
    BuildFirmware();
    ASSERT_TRUE(StartUnit({"--image", (dir / "fw.bin").string()}));
    const std::string hex = (dir / "fw.hex").string();

    const ShellRun badRange = Cli({"blank-check", "--from", "0200", "--to", "01ff"});
    EXPECT_EQ(badRange.status, 1);
    EXPECT_EQ(badRange.err, "Error: Device Ending Address is Less than Device Starting Address!\n");
    EXPECT_EQ(Cli({"protect", "--lock", "LB4"}).status, 2);

    const ShellRun notBlank = Cli({"blank-check", "--from", "0000", "--to", "000f"});
    EXPECT_EQ(notBlank.status, 1);
    std::size_t nonBlank = 0;
    for (std::size_t a = 0; a < 16; ++a) nonBlank += image[a] != 0xFF;
    EXPECT_EQ(notBlank.Lines().size(), nonBlank);
    ASSERT_FALSE(notBlank.Lines().empty());
    EXPECT_EQ(notBlank.Lines()[0], " 0000\t\t" + HexBytes(image, 0, 1));

    const ShellRun erase = Cli({"erase"});
    EXPECT_EQ(erase.status, 0);
    EXPECT_EQ(erase.err, "Erase: Chip Erased Sucessfully\n");
    const ShellRun blank = Cli({"blank-check"});
    EXPECT_EQ(blank.status, 0) << blank.out;
    EXPECT_EQ(blank.err, "Blank Check Device - Flash: BlankCheck Completed...\n");

    const ShellRun autoRun =
        Cli({"auto", hex, "--steps", "erase,blank,program,verify,protect", "--lock", "lb1,LB2"});
    EXPECT_EQ(autoRun.status, 0) << autoRun.err;
    EXPECT_NE(
        autoRun.err.find("Auto Programming Mode - AT89C55: Auto Programming Process Completed..."),
        std::string::npos)
        << autoRun.err;

    ASSERT_EQ(unit.Stop(), 0);
    const std::string dump = unit.Dump();
    EXPECT_NE(dump.find("lock-bits LB1 LB2\n"), std::string::npos) << dump.substr(0, 80);
    EXPECT_EQ(DumpFlash(dump), image);
}

// A small HEX image, named anything or piped in, on a chip that holds 00
// everywhere: erased first, written and verified over its own stretches only,
// and read back through standard output (srec_cat judges both files).
TEST_F(DeviceEndToEndTest, SmallHexImageThroughPipesOnAUsedChip) {
    std::vector<std::uint8_t> code(133);
    for (std::size_t i = 0; i < code.size(); ++i) code[i] = static_cast<std::uint8_t>(i * 37 + 11);
    std::ofstream(dir / "code.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(code.data()),
               static_cast<std::streamsize>(code.size()));
    std::ofstream(dir / "zeros.bin", std::ios::binary) << std::string(kC55Size, '\0');
    const std::string d = dir.Path().string();
    ASSERT_EQ(std::system(("srec_cat " + d + "/code.bin -Binary -offset 0x0100 -o " + d +
                           "/blink.txt -Intel")
                              .c_str()),
              0)
        << "srec_cat is needed";
    const std::string hexText = ReadTextFile(dir / "blink.txt");
    std::vector<std::uint8_t> expected(kC55Size, 0xFF);
    std::copy(code.begin(), code.end(), expected.begin() + 0x100);

    for (const bool piped : {true, false}) {
        SCOPED_TRACE(piped ? "standard input" : "blink.txt");
        ASSERT_TRUE(StartUnit({"--image", (dir / "zeros.bin").string()}));
        const ShellRun program = piped ? Cli({"program", "/dev/stdin"}, hexText)
                                       : Cli({"-v", "program", (dir / "blink.txt").string()});
        EXPECT_EQ(program.status, 0) << program.err;
        EXPECT_NE(program.err.find("holds Intel HEX records: read as Intel HEX"), std::string::npos)
            << program.err;
        // The erase, then 0100..018F (the image in whole verify blocks) announced once.
        const auto log = unit.WireLog();
        EXPECT_EQ(std::count(log.begin(), log.end(), "> 15"), 1);
        EXPECT_EQ(std::count(log.begin(), log.end(), "> 1E 01 00 00 90"), 1);
        EXPECT_LT(log.size(), 0x90u + 0x90u / 16 + 20) << "the whole chip was sent";
        if (!piped) {
            EXPECT_NE(program.err.find("zvk-cli: range: 0100 to 018F (from the image)\n"),
                      std::string::npos)
                << program.err;
            EXPECT_NE(program.err.find("zvk-cli: Write to Device - Flash: Erasing  AT89C55... "),
                      std::string::npos)
                << program.err;
        }
        const ShellRun verify = Cli({"verify", "-"}, hexText);
        EXPECT_EQ(verify.status, 0) << verify.err;
        const ShellRun read = Cli({"-q", "read", "-"});
        EXPECT_EQ(read.status, 0);
        EXPECT_EQ(read.err, "");
        std::ofstream(dir / "back.hex", std::ios::binary) << read.out;
        ASSERT_EQ(std::system(
                      ("srec_cat " + d + "/back.hex -Intel -o " + d + "/back.bin -Binary").c_str()),
                  0);
        EXPECT_EQ(ReadBytes(dir / "back.bin"), expected);
        ASSERT_EQ(unit.Stop(), 0);
        EXPECT_EQ(DumpFlash(unit.Dump()), expected);
    }
}

// A verify report never keeps an earlier run's list, and read --verify does
// not write a file from a line that spoils bytes.
TEST_F(DeviceEndToEndTest, VerifyReportAndReadTwice) {
    std::vector<std::uint8_t> chip(kC55Size);
    for (std::size_t i = 0; i < chip.size(); ++i) chip[i] = static_cast<std::uint8_t>(i * 7 + 3);
    const auto write = [&](const std::string& name, const std::vector<std::uint8_t>& bytes) {
        std::ofstream((dir / name).string(), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return (dir / name).string();
    };
    const std::string same = write("same.bin", chip);
    std::vector<std::uint8_t> other(chip.begin(), chip.begin() + 0x100);
    for (std::size_t i = 0; i < 130; ++i) other[i] ^= 0x01;
    const std::string differing = write("other.bin", other);
    ASSERT_TRUE(StartUnit({"--image", same}));
    const std::string report = (dir / "r.txt").string();
    const ShellRun bad = Cli({"verify", differing, "--report", report});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(SplitLines(ReadTextFile(report)).size(), 131u);
    const ShellRun good = Cli({"verify", same, "--report", report});
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_EQ(ReadTextFile(report), " Address\tDevice data\tBuffer data\r\n");
    const ShellRun twice = Cli({"read", "--verify", (dir / "twice.bin").string()});
    EXPECT_EQ(twice.status, 0) << twice.err;
    EXPECT_EQ(ReadBytes(dir / "twice.bin"), chip);
    unit.Stop();

    ASSERT_TRUE(StartUnit({"--image", same, "--garbage-every", "997"}));
    const ShellRun spoiled = Cli({"read", "--verify", (dir / "spoiled.bin").string()});
    EXPECT_EQ(spoiled.status, 1);
    EXPECT_NE(spoiled.err.find("zvk-cli: the two reads differ at "), std::string::npos)
        << spoiled.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "spoiled.bin"));
}

TEST_F(DeviceEndToEndTest, SerialProgrammingSwitch) {
    ASSERT_TRUE(unit.Start(dir.Path(), "unit", {"--part", "AT89S8252"}));
    EXPECT_EQ(Cli({"serial-disable"}).status, 2);  // AT89C55 has no switch
    const ShellRun off = Cli({"serial-disable", "--part", "AT89S8252", "--parallel"});
    EXPECT_EQ(off.status, 0) << off.err;
    EXPECT_EQ(off.err, "Serial Program Disable: Serial Program Disabled Sucessfully\n");
    ASSERT_EQ(unit.Stop(), 0);
    EXPECT_NE(unit.Dump().find("serial-programming disabled"), std::string::npos);
}

TEST_F(DeviceEndToEndTest, SilentUnit) {
    ASSERT_TRUE(StartUnit({"--silent"}));
    const ShellRun check = Cli({"check"});
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(check.err, "Error: Unable to Access the programmer!\n");
}

TEST_F(DeviceEndToEndTest, WrongPartInTheSocket) {
    ASSERT_TRUE(StartUnit({"--wrong-part", "AT89C52"}));
    const ShellRun check = Cli({"blank-check"});
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(check.err,
              "ERROR: Error - Device Mismatch!\n"
              "zvk-cli: the chip's signature is 1E 52 FF: AT89C52\n");
}

TEST_F(DeviceEndToEndTest, ProgrammingFailureNamesTheAddress) {
    BuildFirmware();
    ASSERT_TRUE(StartUnit({"--fail-at", "0123"}));
    const ShellRun program = Cli({"program", (dir / "fw.hex").string(), "--full"});
    EXPECT_EQ(program.status, 1);
    EXPECT_EQ(program.err, "Error: Programming Failed at 0123\n");
}

TEST_F(DeviceEndToEndTest, GarbageDuringVerifyIsListedNeverOk) {
    BuildFirmware();
    ASSERT_TRUE(StartUnit({}));
    const std::string hex = (dir / "fw.hex").string();
    ASSERT_EQ(Cli({"program", hex}).status, 0);
    unit.Stop();
    const std::string bin = (dir / "fw.bin").string();
    ASSERT_TRUE(StartUnit({"--image", bin, "--garbage-every", "97"}));
    const ShellRun verify = Cli({"verify", hex, "--report", (dir / "report.txt").string()});
    EXPECT_EQ(verify.status, 1);
    EXPECT_EQ(verify.err.find("Verification Completed - OK"), std::string::npos);
    EXPECT_NE(verify.err.find("Verification Completed - Error"), std::string::npos) << verify.err;
    const auto lines = verify.Lines();
    ASSERT_FALSE(lines.empty());
    // Every listed line is a true difference: the chip column is the inverted byte.
    for (const auto& line : lines) {
        unsigned address = 0, chip = 0, buffer = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), " %4X %2X %2X", &address, &chip, &buffer), 3) << line;
        EXPECT_EQ(buffer, image[address]);
        EXPECT_EQ(chip, static_cast<unsigned>(image[address] ^ 0xFF));
    }
    const std::string report = ReadTextFile(dir / "report.txt");
    EXPECT_EQ(report.rfind(" Address\tDevice data\tBuffer data\r\n", 0), 0u);
}

TEST_F(DeviceEndToEndTest, ALinkFailureEndsTheCommandOnceAndIsNeverASuccess) {
    std::vector<std::uint8_t> chip(kC55Size);
    for (std::size_t i = 0; i < chip.size(); ++i) chip[i] = static_cast<std::uint8_t>(i * 7 + 3);
    const std::string bin = (dir / "chip.bin").string();
    std::ofstream(bin, std::ios::binary)
        .write(reinterpret_cast<const char*>(chip.data()),
               static_cast<std::streamsize>(chip.size()));
    const std::string out = (dir / "out.hex").string();
    const std::string timedOut =
        "ERROR: Time out error\nERROR: Read Time out error in serial communication!\n";
    const std::string loaded = "Load Program: File Loaded Successfully.\n";
    struct Case {
        std::vector<std::string> unitOptions;
        std::vector<std::string> command;
        std::string err;
    };
    const Case cases[] = {
        {{"--image", bin, "--drop-every", "30"}, {"read", out}, timedOut},
        {{"--image", bin, "--drop-every", "30"}, {"verify", bin}, loaded + timedOut},
        // Check, signature, two programmer checks and the signature before
        // programming take 9 answers; the 92nd data byte gets none, and the
        // unit cannot be brought back from programming.
        {{"--silent-after", "100"},
         {"program", bin, "--no-erase"},
         loaded + "Error: Programming Failed at 005B\n"
                  "ERROR: The programmer unit did not come back from programming that stopped "
                  "part-way. Reset the programmer unit!\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command[0]);
        std::ofstream(out) << "kept";
        ASSERT_TRUE(StartUnit(c.unitOptions));
        const auto start = std::chrono::steady_clock::now();
        const ShellRun run = Cli(c.command);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(ReadTextFile(out) == "kept") << "the output file was replaced";
        unit.Stop();
    }
}

// scripts/production-demo: two stations of zvk-cli auto --repeat --count 3
// with serial numbers and a log against two zvk-unit-sim --socket-control,
// the script changing the chips; station B's second chip is an AT89C51 in an
// AT89S52 run.
TEST(ProductionEndToEndTest, TwoStationsWithSerialNumbersOneChipTheWrongPart) {
    TempDir dir;
    const std::string command =
        "ZVK_CLI=" + OwnCli(dir) + " ZVK_UNIT_SIM=" + ShellQuote(ZVK_UNIT_SIM_PATH) +
        " " + ShellQuote(std::string(ZVK_SOURCE_DIR) + "/scripts/production-demo") + " " +
        ShellQuote(dir.Path().string());
    const ShellRun run = RunShell(command, dir.Path());
    ASSERT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_NE(run.out.find("unitA: 3 chips: 3 passed, 0 failed"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("unitB: 3 chips: 2 passed, 1 failed"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("2 stations, 6 chips: 5 passed, 1 failed"), std::string::npos);

    const auto log = SplitLines(ReadTextFile(dir / "run.csv"));
    ASSERT_EQ(log.size(), 7u) << ReadTextFile(dir / "run.csv");
    EXPECT_EQ(log[0],
              "time,part,image,checksum,steps,result,failed_step,failed_address,seconds,"
              "reason,serial,station");
    // The image's sum over the whole Flash, as the Checksum command gives it.
    const auto image = ReadBytes(dir / "img.bin");
    ASSERT_EQ(image.size(), 0x1FF0u);
    unsigned sum = 0x10 * 0xFF;
    for (const auto b : image) sum += b;
    char checksum[8];
    std::snprintf(checksum, sizeof checksum, "%04X", sum & 0xFFFF);
    const std::string imageField = (dir / "img.hex").lexically_normal().string();
    std::set<std::string> serials;
    for (std::size_t i = 1; i < log.size(); ++i) {
        SCOPED_TRACE(log[i]);
        EXPECT_NE(log[i].find(std::string(",AT89S52,") + imageField + "," + checksum +
                              ",erase+blank+program+verify,"),
                  std::string::npos);
        if (log[i].find(",fail,check,") != std::string::npos) {
            EXPECT_TRUE(log[i].ends_with(",Error - Device Mismatch!,,unitB"));
        } else {
            EXPECT_NE(log[i].find(",pass,,,"), std::string::npos);
            const std::size_t station = log[i].rfind(',');
            const std::size_t serial = log[i].rfind(',', station - 1) + 1;
            EXPECT_TRUE(serials.insert(log[i].substr(serial, station - serial)).second);
        }
    }
    // Unique and consecutive; which station got which depends on the timing.
    EXPECT_EQ(serials, (std::set<std::string>{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(ReadTextFile(dir / "sn.txt"), "6\n");
    std::size_t held = 0;
    for (std::size_t at = 0; (at = run.out.find("holds the image and serial number", at)) !=
                             std::string::npos;
         ++at) {
        ++held;
    }
    EXPECT_EQ(held, 5u) << run.out;
    EXPECT_EQ(run.out.find("does NOT hold"), std::string::npos) << run.out;
}

// Ctrl+C between chips ends the run at once; SIGTERM or SIGHUP while a chip
// is being programmed gives it up and logs it as aborted, never as passed.
TEST(ProductionEndToEndTest, StoppedBetweenChipsOrInTheMiddleOfOne) {
    struct Case {
        const char* name;
        std::vector<std::string> unitOptions;
        const char* waitFor;  // a shell test that holds once the moment has come
        const char* signal;
        int status;
        const char* summary;
        std::size_t logLines;
    };
    const Case cases[] = {
        {"INT while waiting for a chip",
         {"--no-chip"},
         "grep -qx 'Insert a chip...' out.txt",
         "INT",
         0,
         "0 chips: 0 passed, 0 failed",
         1},
        {"TERM while programming",
         {"--baud", "9600"},
         "grep -q '^> 38 ' wire.log",
         "TERM",
         1,
         "1 chip: 0 passed, 1 failed",
         2},
        // A closed terminal or a dropped ssh session.
        {"HUP while programming",
         {"--baud", "9600"},
         "grep -q '^> 38 ' wire.log",
         "HUP",
         1,
         "1 chip: 0 passed, 1 failed",
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        std::vector<std::string> options{"--part", "AT89S52"};
        options.insert(options.end(), c.unitOptions.begin(), c.unitOptions.end());
        UnitSimProcess unit;
        ASSERT_TRUE(unit.Start(dir.Path(), "unit", options));
        std::ofstream(dir / "img.hex") << ":0400000012345678E8\n:00000001FF\n";
        const std::string script =
            OwnCli(dir) +
            " --port unit --part AT89S52 --parallel auto img.hex --steps program --repeat"
            " --log run.csv"
            " >out.txt 2>err.txt &"
            " pid=$!; for i in $(seq 1500); do " +
            c.waitFor +
            " && break; sleep 0.02; done;"
            " kill -" +
            c.signal + " $pid; wait $pid; echo $?";
        const ShellRun run = RunShell("sh -c " + ShellQuote(script), dir.Path());
        EXPECT_EQ(run.out, std::to_string(c.status) + "\n") << ReadTextFile(dir / "err.txt");
        EXPECT_NE(ReadTextFile(dir / "out.txt").find(c.summary), std::string::npos)
            << ReadTextFile(dir / "out.txt");
        const auto log = SplitLines(ReadTextFile(dir / "run.csv"));
        ASSERT_EQ(log.size(), c.logLines);
        if (c.logLines == 2) {
            EXPECT_NE(log[1].find(",fail,program,"), std::string::npos) << log[1];
            EXPECT_TRUE(log[1].ends_with(",Aborted,,unit")) << log[1];
        }
    }
}

TEST(ProductionEndToEndTest, WhatCannotBeARunIsRefusedBeforeAnyChip) {
    TempDir dir;
    std::ofstream(dir / "img.hex") << ":0400000012345678E8\n:00000001FF\n";
    std::filesystem::create_directory(dir / "folder");
    struct Case {
        std::string arguments;
        int status;
        const char* err;
    };
    const Case cases[] = {
        {"--count 3", 2, "--count needs --repeat"},
        {"--repeat --count 0", 2, "--count: 0 is not a number of chips"},
        {"--repeat --count x", 2, "--count: x is not a number of chips"},
        {"--repeat --count ' 3'", 2, "--count:  3 is not a number of chips"},
        {"--repeat --count -1", 2, "--count: -1 is not a number of chips"},
        {"--repeat --spi", 2, "--repeat needs Parallel mode"},
        {"--repeat --log folder", 1, "Error: Cannot write the log file folder: Is a directory"},
        {"--port a --port b", 2, "several ports need --repeat"},
        {"--serial 1FF0 --serial-file sn.txt", 2, "--serial needs --repeat"},
        {"--repeat --serial 1FF0", 2, "--serial needs --serial-file FILE"},
        {"--repeat --serial-file sn.txt", 2, "--serial-file needs --serial or --serial-eeprom"},
        {"--repeat --serial 1FF0 --serial-eeprom 0 --serial-file sn.txt", 2,
         "--serial and --serial-eeprom cannot be given together"},
        {"--repeat --serial 1FFE --serial-file sn.txt", 2,
         "the serial number's place Flash 1FFE-2001 lies outside the AT89S52 (last address 1FFF)"},
        {"--repeat --serial 0002 --serial-file sn.txt", 2,
         "the serial number's place Flash 0002-0005 holds bytes of the image"},
        {"--repeat --serial-eeprom 0 --serial-file sn.txt", 2,
         "AT89S52 has no EEPROM for the serial number"},
        {"--repeat --serial 1FF0 --serial-file sn.txt --serial-format le8 --serial-start 256", 2,
         "serial number 256 does not fit le8 (largest 255)"},
        {"--repeat --serial 1FF0 --serial-file sn.txt --serial-format int", 2,
         "--serial-format: unknown format int"},
        {"--repeat --serial 1FF0 --serial-file sn.txt --serial-step 0", 2,
         "--serial-step: 0 is not a whole number from 1"},
        {"--repeat --serial 1FF0 --serial-file sn.txt --steps verify", 2,
         "serial numbers need the program step"},
        {"--repeat --serial 1FF0 --serial-file folder", 2,
         "cannot read the serial number file folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const ShellRun run = RunShell(
            OwnCli(dir) + " --port nowhere --part AT89S52 auto img.hex " + c.arguments,
            dir.Path());
        EXPECT_EQ(run.status, c.status);
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("Cannot Establish Communication"), std::string::npos) << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "sn.txt")) << "no number was taken";
}

}  // namespace
}  // namespace zvk
