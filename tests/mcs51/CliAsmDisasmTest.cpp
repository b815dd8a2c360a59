// Runs the built zvk-cli as scripts do and checks its asm and disasm output,
// exit statuses and error messages.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/ShellRun.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;

class ZvkCli : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_FALSE(directory_.Path().empty()); }

    fs::path WriteFile(const std::string& name, const std::string& bytes) {
        const fs::path path = directory_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    // Runs zvk-cli with the arguments (already quoted for the shell) and
    // the given standard input.
    zvk::test::ShellRun Cli(const std::string& arguments, const std::string& input = "") {
        return zvk::test::RunShell(zvk::test::ShellQuote(ZVK_CLI_PATH) + " " + arguments,
                                   directory_.Path(), input);
    }

    zvk::test::TempDir directory_;
};

using Lines = std::vector<std::string>;

TEST_F(ZvkCli, AsmPlacesEachLineBehindThePrevious) {
    const zvk::test::ShellRun run = Cli("asm --at 0100 'CJNE A,#05,0110' 'DJNZ R2,0100'");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.Lines(), (Lines{"0100  B4 05 0D", "0103  DA FB"}));

    const zvk::test::ShellRun atZero = Cli("asm 'ljmp 0030' nop");
    EXPECT_EQ(atZero.status, 0);
    EXPECT_EQ(atZero.Lines(), (Lines{"0000  02 00 30", "0003  00"}));
}

TEST_F(ZvkCli, AsmReadsStandardInputAndReportsEachError) {
    const zvk::test::ShellRun run =
        Cli("asm --at ff00", "mov a,#12\r\n\n   \nSJMP 0000\nadd a,r8\nmov dptr,#1234\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.Lines(), (Lines{"FF00  74 12", "FF02  error: Relative jump too long",
                                  "FF02  error: Illegal Operand", "FF02  90 12 34"}));
}

TEST_F(ZvkCli, AsmWrapsAtTheTopOfMemoryAndRefusesABadAddress) {
    const zvk::test::ShellRun run = Cli("asm --at FFFF 'MOV A,#1' NOP");
    EXPECT_EQ(run.Lines(), (Lines{"FFFF  74 01", "0001  00"}));
    const zvk::test::ShellRun bad = Cli("asm --at 12345 NOP");
    EXPECT_EQ(bad.status, 2);
    EXPECT_TRUE(bad.Lines().empty());
    EXPECT_NE(bad.err.find("--at"), std::string::npos) << bad.err;
}

TEST_F(ZvkCli, DisasmShowsTheWholeDefaultPart) {
    const fs::path image = WriteFile("ljmp.bin", std::string("\x02\x00\x30", 3));
    const zvk::test::ShellRun run = Cli("disasm '" + image.string() + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    ASSERT_GE(run.Lines().size(), 2u);
    EXPECT_EQ(run.Lines()[0], "  0000         02 00 30    LJMP   0030");
    EXPECT_EQ(run.Lines()[1], "  0003         FF          MOV    R7,A");
    EXPECT_EQ(run.Lines().back().substr(0, 6), "  4FFF") << "AT89C55 reaches 4FFF";
    EXPECT_EQ(run.Lines().size(), 1u + (0x5000 - 3)) << "one LJMP, then one line per erased byte";
    for (const auto& line : run.Lines()) ASSERT_NE(line.back(), ' ') << '"' << line << '"';
}

TEST_F(ZvkCli, DisasmRangeOfAPartWithTheImageMoved) {
    const fs::path image = WriteFile("code.bin", std::string("\x75\x89\x21\x80\xFE\xA5", 6));
    const zvk::test::ShellRun run =
        Cli("disasm --part at89c2051 --load-at 7FA --from 7fa --to 0800 '" + image.string() + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.Lines(), (Lines{
                               "  07FA         75 89 21    MOV    TMOD,#21",
                               "  07FD         80 FE       SJMP   07FD",
                               "  07FF         A5          RESERVED",
                               // Past the part's last address the buffer reads FF.
                               "  0800         FF          MOV    R7,A",
                           }));
}

TEST_F(ZvkCli, DisasmRefusesMissingAndOversizedFiles) {
    const zvk::test::ShellRun missing = Cli("disasm '" + (directory_ / "none.bin").string() + "'");
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.Lines().empty());
    EXPECT_EQ(missing.err, "ERROR: Unable to open the selected file\nzvk-cli: " +
                               (directory_ / "none.bin").string() +
                               ": No such file or directory\n");

    const fs::path big = WriteFile("big.bin", std::string(0x0400, '\0'));
    const zvk::test::ShellRun tooBig =
        Cli("disasm --part AT89C1051 --load-at 0001 '" + big.string() + "'");
    EXPECT_EQ(tooBig.status, 1);
    EXPECT_TRUE(tooBig.Lines().empty());
    EXPECT_NE(tooBig.err.find("ERROR: Address Exceeds the Buffer Capacity."), std::string::npos)
        << tooBig.err;

    const zvk::test::ShellRun fits =
        Cli("disasm --part AT89C1051 --from 3FF '" + big.string() + "'");
    EXPECT_EQ(fits.status, 0) << fits.err;
    EXPECT_EQ(fits.Lines(), (Lines{"  03FF         00          NOP"}));

    const zvk::test::ShellRun unknownPart = Cli("disasm --part AT89X '" + big.string() + "'");
    EXPECT_EQ(unknownPart.status, 2);
}

TEST_F(ZvkCli, DisasmReadsIntelHexByTheFilesName) {
    const fs::path image = WriteFile("code.HEX", ":03010000020030CA\r\n:00000001FF\r\n");
    const zvk::test::ShellRun run =
        Cli("disasm --from 00FF --to 0103 " + zvk::test::ShellQuote(image.string()));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.Lines(), (Lines{
                               "  00FF         FF          MOV    R7,A",
                               "  0100         02 00 30    LJMP   0030",
                               "  0103         FF          MOV    R7,A",
                           }));
}

// What asm writes, disasm reads back as the same instructions.
TEST_F(ZvkCli, AssembledCodeDisassemblesToItsSource) {
    const Lines source = {"MOV    SP,#5F", "ACALL  0740", "JNB    TI,0705", "CJNE   R3,#0A,0700",
                          "MOV    30,DPL"};
    std::string input;
    for (const auto& line : source) input += line + "\n";
    const zvk::test::ShellRun assembled = Cli("asm --at 0700", input);
    ASSERT_EQ(assembled.status, 0) << assembled.err;
    std::string bytes;
    for (const auto& line : assembled.Lines()) {
        std::istringstream fields(line.substr(6));
        for (std::string byte; fields >> byte;)
            bytes += static_cast<char>(std::stoi(byte, nullptr, 16));
    }
    const fs::path image = WriteFile("program.bin", bytes);
    char to[8];
    std::snprintf(to, sizeof to, "%04zX", 0x700 + bytes.size() - 1);
    const zvk::test::ShellRun listed = Cli("disasm --load-at 0700 --from 0700 --to " +
                                           std::string(to) + " '" + image.string() + "'");
    ASSERT_EQ(listed.status, 0) << listed.err;
    ASSERT_EQ(listed.Lines().size(), source.size());
    for (std::size_t i = 0; i < source.size(); ++i) {
        EXPECT_EQ(listed.Lines()[i].substr(27), source[i]);
        EXPECT_EQ(listed.Lines()[i].substr(2, 4), assembled.Lines()[i].substr(0, 4));
    }
}

}  // namespace
