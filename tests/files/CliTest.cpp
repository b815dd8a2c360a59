// zvk-cli convert and checksum, run as the built program.

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/files/FilesFixture.h"
#include "tests/support/ShellRun.h"

namespace zvk::test {
namespace {

using CliRun = ShellRun;

class ZvkCli : public FilesTest {
  protected:
    ShellRun RunCli(const std::string& arguments, const std::string& input = "") {
        return RunShell(ShellQuote(ZVK_CLI) + " " + arguments, dir_, input);
    }
};

TEST_F(ZvkCli, ConvertsBetweenHexAndBinary) {
    const auto image = RandomBytes(0x5000, 3);
    WriteFile("image.bin", std::string(image.begin(), image.end()));

    CliRun run = RunCli("convert image.bin image.HEX");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err,
              "Load Program: File Loaded Successfully.\n"
              "zvk-cli: loaded 0000H to 4FFFH\n"
              "Save Memory: Operation Completed Succesfully.\n");
    const std::string hex = ReadFile(PathOf("image.HEX"));
    EXPECT_TRUE(hex.starts_with(":10000000"));
    EXPECT_EQ(std::count(hex.begin(), hex.end(), '\n'), 0x5000 / 16 + 1);
    EXPECT_TRUE(hex.ends_with("\r\n:00000001FF\n"));

    run = RunCli("convert --from 0100 --to 010f image.HEX back.dat");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(PathOf("back.dat")),
              std::string(image.begin() + 0x100, image.begin() + 0x110));

    run = RunCli("convert --format hex --from 0100 --to 0100 image.bin one.bin");
    EXPECT_EQ(run.status, 0) << run.err;
    char record[32];
    std::snprintf(record, sizeof record, ":01010000%02X%02X\r\n", image[0x100],
                  (0x100 - ((1 + 1 + image[0x100]) & 0xFF)) & 0xFF);
    EXPECT_EQ(ReadFile(PathOf("one.bin")), std::string(record) + ":00000001FF\n");
}

// sdcc writes its images as ".ihx", with records of any length in the order
// its linker emits them. srec_cat, reading the same file as Intel HEX, is the
// judge of the image every command must load from it. Fails without sdcc or
// srec_cat.
TEST_F(ZvkCli, SdccIhxFilesAreReadAsIntelHex) {
    for (const char* source : {"examples/demo.c", "tests/data/e2e_firmware.c"}) {
        SCOPED_TRACE(source);
        const std::string name = std::filesystem::path(source).stem().string();
        const CliRun sdcc = RunShell("sdcc -mmcs51 --code-size 0x5000 " +
                                         ShellQuote(std::string(ZVK_SOURCE_DIR) + "/" + source) +
                                         " -o " + ShellQuote(dir_.string() + "/"),
                                     dir_);
        ASSERT_EQ(sdcc.status, 0) << "sdcc is needed (scripts/setup installs it)\n" << sdcc.err;
        const std::string ihx = name + ".ihx";
        ASSERT_TRUE(std::filesystem::exists(PathOf(ihx)));
        const CliRun srec = RunShell("srec_cat -disable-sequence-warnings " + ihx +
                                         " -Intel -fill 0xFF 0x0000 0x5000 -o srec.bin -Binary",
                                     dir_);
        ASSERT_EQ(srec.status, 0) << "srec_cat is needed (scripts/setup installs it)\n" << srec.err;
        const std::string image = ReadFile(PathOf("srec.bin"));
        ASSERT_EQ(image.size(), 0x5000u);
        ASSERT_GT(std::count_if(image.begin(), image.end(), [](char c) { return c != '\xFF'; }), 20)
            << "the firmware should be a real program";

        const CliRun convert = RunCli("-q convert " + ihx + " out.bin");
        EXPECT_EQ(convert.status, 0) << convert.err;
        EXPECT_EQ(convert.err, "") << "read as Intel HEX, not as a binary image";
        EXPECT_TRUE(ReadFile(PathOf("out.bin")) == image) << "the same image as srec_cat's";

        // The other commands that load an image take the same rule.
        for (const std::string command : {"checksum IN 0000 4FFF", "disasm --to 00FF IN"}) {
            SCOPED_TRACE(command);
            std::string fromIhx = command;
            std::string fromBin = command;
            fromIhx.replace(fromIhx.find("IN"), 2, ihx);
            fromBin.replace(fromBin.find("IN"), 2, "srec.bin");
            const CliRun a = RunCli(fromIhx);
            const CliRun b = RunCli(fromBin);
            EXPECT_EQ(a.status, 0) << a.err;
            EXPECT_EQ(a.err, "");
            EXPECT_FALSE(a.out.empty());
            EXPECT_EQ(a.out, b.out);
        }
    }
}

TEST_F(ZvkCli, ConvertIntoTheEepromAtAnAddress) {
    WriteFile("small.bin", std::string(16, 'x'));
    const CliRun run = RunCli("convert --eeprom --load-at 07F8 --part at89s8252 small.bin out.bin");
    EXPECT_EQ(run.status, 1) << "the load ran past the buffer's end";
    EXPECT_NE(run.err.find("zvk-cli: loaded 07F8H to 07FFH\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("ERROR: Address Exceeds the Buffer Capacity."), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(PathOf("out.bin"))) << "nothing saved after a failed load";

    WriteFile("small.hex", ":0207F000ABCD8F\n:00000001FF\n");
    const CliRun eeprom = RunCli("convert --eeprom small.hex out.bin");
    EXPECT_EQ(eeprom.status, 0) << eeprom.err;
    const std::string out = ReadFile(PathOf("out.bin"));
    ASSERT_EQ(out.size(), 2048u) << "the whole EEPROM buffer by default";
    EXPECT_EQ(out.substr(0x7F0, 3), "\xAB\xCD\xFF");
}

TEST_F(ZvkCli, ConvertReportsErrors) {
    WriteFile("bad.hex", ":0400500000010203A5\n:00000001FF\n");
    CliRun run = RunCli("convert bad.hex out.bin");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "ERROR: Invalid HEX file\nERROR: File Loading Stopped\n");
    EXPECT_FALSE(std::filesystem::exists(PathOf("out.bin")));

    WriteFile("ok.hex", ":00000001FF\n");
    run = RunCli("convert --part AT89C2051 --to 0800 ok.hex out.bin");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Address Error: Ending Address exceeds device capacity!\n");

    EXPECT_EQ(RunCli("convert only-one-file").status, 2);
    EXPECT_EQ(RunCli("convert --part AT89X99 ok.hex out.bin").status, 2);
    EXPECT_EQ(RunCli("convert --format srec ok.hex out.bin").status, 2);
}

TEST_F(ZvkCli, HelpAfterACommandShowsItsOwnUsage) {
    const CliRun help = RunCli("--help");
    ASSERT_EQ(help.status, 0);
    ASSERT_EQ(help.out.rfind("Usage: zvk-cli ", 0), 0u);
    EXPECT_EQ(RunCli("-h").out, help.out);
    EXPECT_EQ(RunCli("-V").out, RunCli("--version").out);
    for (const char* arguments : {"program --help", "program -h", "--port COM1 program x --help"}) {
        const CliRun run = RunCli(arguments);
        EXPECT_EQ(run.status, 0) << arguments;
        EXPECT_EQ(run.out.rfind("Usage: zvk-cli program FILE|- ", 0), 0u) << run.out;
        for (const char* part : {"\nOptions:\n", "  --no-erase ", "  --port COMn|PATH ",
                                 "  --format ihex|bin ", "\nExample:\n  zvk-cli program "}) {
            EXPECT_NE(run.out.find(part), std::string::npos) << part;
        }
        EXPECT_EQ(run.err, "") << arguments;
    }
    const CliRun convert = RunCli("convert in.hex --help out.bin");
    EXPECT_EQ(convert.out.rfind("Usage: zvk-cli convert ", 0), 0u) << convert.out;
    EXPECT_EQ(convert.out.find("--port"), std::string::npos) << "convert uses no device";
    // After "--" it is a file's name like any other.
    const CliRun named = RunCli("convert -- --help out.bin");
    EXPECT_EQ(named.status, 1);
    EXPECT_EQ(named.err,
              "ERROR: Unable to open the selected file\n"
              "zvk-cli: --help: No such file or directory\n");
}

// A usage error names what is wrong in one line, then points to the help.
TEST_F(ZvkCli, UsageErrorsNameTheProblem) {
    const struct {
        const char* arguments;
        const char* line;
        const char* hint;
    } cases[] = {
        {"chek", "unknown command 'chek' (did you mean 'check'?)", "zvk-cli --help"},
        {"--bogus", "unknown option '--bogus'", "zvk-cli --help"},
        {"check --bogus", "unknown option '--bogus'", "zvk-cli check --help"},
        {"program -x image.hex", "unknown option '-x'", "zvk-cli program --help"},
        {"--port COM12 check",
         "--port 'COM12': no such port; COM1 to COM9, or a device such as "
         "/dev/ttyUSB0",
         "zvk-cli check --help"},
        {"check --port ./no-such-tty", "--port './no-such-tty': no such device",
         "zvk-cli check --help"},
        {"check --part AT89S25",
         "unknown part 'AT89S25'; near: AT89S52 (zvk-cli parts lists "
         "them all)",
         "zvk-cli check --help"},
        {"convert --part 89c2015 a b",
         "unknown part '89c2015'; near: AT89C2051 (zvk-cli parts "
         "lists them all)",
         "zvk-cli convert --help"},
        {"read --format srec x", "--format 'srec': ihex or bin", "zvk-cli read --help"},
        {"--port COM1 settings",
         "give --port, --part, --spi or --parallel after 'settings' to "
         "store them",
         "zvk-cli settings --help"},
    };
    for (const auto& c : cases) {
        const CliRun run = RunCli(c.arguments);
        EXPECT_EQ(run.status, 2) << c.arguments;
        EXPECT_EQ(run.err, "zvk-cli: " + std::string(c.line) + "\nTry '" + c.hint + "'.\n");
        EXPECT_EQ(run.out, "") << c.arguments;
    }
}

TEST_F(ZvkCli, PartsByEitherName) {
    const CliRun parts = RunCli("parts");
    EXPECT_EQ(parts.status, 0);
    const auto lines = parts.Lines();
    ASSERT_EQ(lines.size(), kDeviceCount + 1);
    EXPECT_EQ(lines[0], "NAME       PART         FLASH EEPROM  MODES");
    EXPECT_EQ(lines[12], "89S8252    AT89S8252     8192   2048  Parallel, SPI");
    EXPECT_EQ(lines[2], "89C2051    AT89C2051     2048      -  Parallel");
    // Both forms select the part, in any case: 0800 is beyond an AT89C2051.
    for (const char* part : {"AT89C2051", "89c2051", "at89C2051"}) {
        WriteFile("one.hex", ":00000001FF\n");
        const CliRun run = RunCli("convert --part " + std::string(part) + " --to 0800 one.hex o");
        EXPECT_EQ(run.err, "Address Error: Ending Address exceeds device capacity!\n") << part;
    }
}

// A HEX file is read as HEX whatever its name, standard input and output are
// "-", and --format overrides both the name and the content.
TEST_F(ZvkCli, HexByContentStandardStreamsAndFormat) {
    const std::string hex = Record(0, 0x0100, {0x02, 0x00, 0x30}) + ":00000001FF\n";
    WriteFile("blink.txt", hex);
    WriteFile("-", hex);
    const std::string expected = std::string("\x02\x00\x30", 3);

    CliRun run = RunCli("convert --from 0100 --to 0102 blink.txt out.bin");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(PathOf("out.bin")), expected);
    EXPECT_EQ(run.err.rfind("zvk-cli: blink.txt holds Intel HEX records: read as Intel HEX "
                            "(--format bin reads it as binary)\n",
                            0),
              0u)
        << run.err;

    run = RunCli("convert --in-format bin --from 0000 --to 0002 blink.txt out.bin");
    EXPECT_EQ(ReadFile(PathOf("out.bin")), hex.substr(0, 3)) << "read as bytes when told";

    // Standard input in, binary out; the file named "-" is reached as "./-".
    for (const char* in : {"-", "./-"}) {
        run = RunCli("convert --from 0100 --to 0102 " + std::string(in) + " out.bin", hex);
        EXPECT_EQ(run.status, 0) << in << run.err;
        EXPECT_EQ(ReadFile(PathOf("out.bin")), expected) << in;
    }
    // Standard output: Intel HEX unless --format bin, and nothing else on it.
    run = RunCli("convert --from 0100 --to 0102 blink.txt -");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, Record(0, 0x0100, {0x02, 0x00, 0x30}, "\r\n") + ":00000001FF\n");
    run = RunCli("-q convert --format bin --from 0100 --to 0102 - -", hex);
    EXPECT_EQ(run.out, expected);
    EXPECT_EQ(run.err, "") << "-q prints errors only";

    // A name that says HEX over content that is not stays the loader's error.
    WriteFile("text.hex", "not hex\n");
    run = RunCli("convert text.hex out.bin");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "ERROR: Invalid HEX file\nERROR: File Loading Stopped\n");
}

// settings --port/--part/--spi|--parallel store those fields and keep the others.
TEST_F(ZvkCli, SettingsStoredFromTheShell) {
    // A copy in the test's folder, a portable one: its zvk.dat is written beside it.
    std::filesystem::create_directory(PathOf("bin"));
    std::filesystem::copy_file(ZVK_CLI, PathOf("bin/zvk-cli"));
    const auto settings = [&](const std::string& arguments) {
        return RunShell(ShellQuote(PathOf("bin/zvk-cli")) + " settings " + arguments, dir_);
    };
    const auto line = [](const CliRun& run, const std::string& start) {
        for (const auto& l : run.Lines()) {
            if (l.rfind(start, 0) == 0) return l;
        }
        return std::string("(none)");
    };
    const CliRun before = settings("");
    ASSERT_EQ(before.status, 0);
    CliRun run = settings("--port com4");
    EXPECT_EQ(run.status, 0) << run.err;
    run = settings("--part 89s52 --spi");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(line(run, "port: "), "port: COM4");
    EXPECT_EQ(line(run, "part: "), "part: AT89S52");
    EXPECT_EQ(line(run, "mode: "), "mode: SPI");
    for (const char* kept : {"program range: ", "options: ", "auto steps: "}) {
        EXPECT_EQ(line(run, kept), line(before, kept));
    }
    run = settings("--parallel");
    EXPECT_EQ(line(run, "mode: "), "mode: Parallel");
    EXPECT_EQ(line(run, "port: "), "port: COM4");
    EXPECT_EQ(line(run, "part: "), "part: AT89S52");
    // What cannot be stored changes nothing.
    EXPECT_EQ(settings("--port COM12").status, 2);
    EXPECT_EQ(settings("--part AT89C2051 --spi").status, 2);
    EXPECT_EQ(line(settings(""), "part: "), "part: AT89S52");
    EXPECT_EQ(line(run, "settings file: "), "settings file: " + PathOf("bin/zvk.dat"));
}

TEST_F(ZvkCli, AFailedSaveLeavesTheOldFileAsItWas) {
    const auto image = RandomBytes(0x5000, 4);
    WriteFile("big.bin", std::string(image.begin(), image.end()));
    const std::string oldHex = ":0100000055AA\r\n:00000001FF\n";
    const std::string oldBin(1500, '\x5A');
    struct Case {
        const char* out;
        const char* format;
        const char* old;
        bool ignoreSignal;  // the write then fails instead of the signal killing the process
    };
    const std::vector<Case> cases = {
        {"old.hex", "", oldHex.c_str(), false},
        {"old.hex", "", oldHex.c_str(), true},
        {"old.bin", "--format bin", oldBin.c_str(), false},
        {"old.bin", "--format bin", oldBin.c_str(), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.out) + (c.ignoreSignal ? " with SIGXFSZ ignored" : ""));
        // Each case starts from big.bin alone: a process killed in the middle
        // of its save leaves its temporary file behind.
        for (const auto& name : FilesInDir()) {
            if (name != "big.bin") std::filesystem::remove(PathOf(name));
        }
        WriteFile(c.out, c.old);
        const CliRun run =
            RunShell(std::string("(") + (c.ignoreSignal ? "trap '' XFSZ; " : "") + "ulimit -f 4; " +
                         ShellQuote(ZVK_CLI) + " convert --part AT89C55 " + c.format + " big.bin " +
                         c.out + ")",
                     dir_);
        EXPECT_NE(run.status, 0);
        EXPECT_EQ(ReadFile(PathOf(c.out)), c.old);
        if (c.ignoreSignal) {
            EXPECT_NE(run.err.find("ERROR: Unable to Write the file"), std::string::npos)
                << run.err;
            EXPECT_EQ(FilesInDir(), (std::vector<std::string>{"big.bin", c.out}));
        }
    }

    // A device that refuses every write, reached through a link: the save
    // fails, and the link stays.
    std::filesystem::create_symlink("/dev/full", PathOf("full.bin"));
    const CliRun full = RunCli("convert big.bin full.bin");
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.err.find("ERROR: Unable to Write the file"), std::string::npos) << full.err;
    EXPECT_TRUE(std::filesystem::is_symlink(PathOf("full.bin")));
}

// Every command that reads an image refuses what is not a regular file at
// once, instead of loading it as an empty image or waiting on it.
TEST_F(ZvkCli, InputsThatAreNotFilesAreRefused) {
    std::filesystem::create_directory(PathOf("folder.hex"));
    ASSERT_EQ(::mkfifo(PathOf("pipe.bin").c_str(), 0600), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = PathOf("socket.bin");
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);

    const std::vector<std::string> commands = {"convert IN out.bin", "checksum IN 0000 000F",
                                               "disasm IN",          "program IN",
                                               "verify IN",          "auto IN"};
    const struct {
        const char* name;
        const char* reason;
    } inputs[] = {{"folder.hex", "is a folder"},
                  {"pipe.bin", "not a regular file"},
                  {"socket.bin", "not a regular file"},
                  {"/dev/null", "not a regular file"}};
    for (const auto [input, reason] : inputs) {
        for (const auto& command : commands) {
            std::string arguments = command;
            arguments.replace(arguments.find("IN"), 2, input);
            SCOPED_TRACE(arguments);
            // A wait on the FIFO would be cut by the time-out, with another status.
            const CliRun run = RunShell("timeout 5 " + ShellQuote(ZVK_CLI) + " " + arguments, dir_);
            EXPECT_EQ(run.status, 1);
            EXPECT_EQ(run.err, "ERROR: Unable to open the selected file\nzvk-cli: " +
                                   std::string(input) + ": " + reason + "\n");
            EXPECT_EQ(run.out, "");
        }
    }
    ::close(sock);
    EXPECT_FALSE(std::filesystem::exists(PathOf("out.bin")));
}

TEST_F(ZvkCli, Checksum) {
    WriteFile("ff.bin", std::string(4096, '\xFF'));
    CliRun run = RunCli("checksum ff.bin 0000 0FFF");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Check sum = F000\n");

    WriteFile("two.hex", ":020100000102FA\n:00000001FF\n");
    run = RunCli("checksum --load-at 0100 two.hex 0100 0101");
    EXPECT_EQ(run.out, "Check sum = 0003\n") << "a .hex name is read as Intel HEX";

    run = RunCli("checksum --load-at 0100 --eeprom ff.bin 0100 0800");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("ERROR: Address Exceeds the Buffer Capacity."), std::string::npos);

    run = RunCli("checksum --part AT89C2051 two.hex 0000 0800");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Error: Address out of Range\n");
    EXPECT_EQ(RunCli("checksum two.hex 0000").status, 2);
}

}  // namespace
}  // namespace zvk::test
