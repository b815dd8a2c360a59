// Runs the built zvk-cli as scripts do and checks its asm and disasm output,
// exit statuses and error messages.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct CliRun {
    int status = -1;
    std::vector<std::string> lines;  // standard output
    std::string errors;              // standard error
};

class ZvkCli : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/zvk-cli-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory_ = pattern;
    }
    void TearDown() override { fs::remove_all(directory_); }

    fs::path WriteFile(const std::string& name, const std::string& bytes) {
        const fs::path path = directory_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    // Runs zvk-cli with the arguments (already quoted for the shell) and
    // the given standard input.
    CliRun Cli(const std::string& arguments, const std::string& input = "") {
        const fs::path in = WriteFile("stdin.txt", input);
        const fs::path err = directory_ / "stderr.txt";
        const std::string command = std::string("'") + ZVK_CLI_PATH + "' " + arguments + " < '" +
                                    in.string() + "' 2> '" + err.string() + "'";
        CliRun run;
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr) return run;
        std::string out;
        char buffer[4096];
        std::size_t got = 0;
        while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
        const int status = pclose(pipe);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::istringstream lines(out);
        for (std::string line; std::getline(lines, line);) run.lines.push_back(line);
        std::ifstream errFile(err);
        run.errors.assign(std::istreambuf_iterator<char>(errFile), {});
        return run;
    }

    fs::path directory_;
};

using Lines = std::vector<std::string>;

TEST_F(ZvkCli, AsmPlacesEachLineBehindThePrevious) {
    const CliRun run = Cli("asm --at 0100 'CJNE A,#05,0110' 'DJNZ R2,0100'");
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.lines, (Lines{"0100  B4 05 0D", "0103  DA FB"}));

    const CliRun atZero = Cli("asm 'ljmp 0030' nop");
    EXPECT_EQ(atZero.status, 0);
    EXPECT_EQ(atZero.lines, (Lines{"0000  02 00 30", "0003  00"}));
}

TEST_F(ZvkCli, AsmReadsStandardInputAndReportsEachError) {
    const CliRun run =
        Cli("asm --at ff00", "mov a,#12\r\n\n   \nSJMP 0000\nadd a,r8\nmov dptr,#1234\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.lines, (Lines{"FF00  74 12", "FF02  error: Relative jump too long",
                                "FF02  error: Illegal Operand", "FF02  90 12 34"}));
}

TEST_F(ZvkCli, AsmWrapsAtTheTopOfMemoryAndRefusesABadAddress) {
    const CliRun run = Cli("asm --at FFFF 'MOV A,#1' NOP");
    EXPECT_EQ(run.lines, (Lines{"FFFF  74 01", "0001  00"}));
    const CliRun bad = Cli("asm --at 12345 NOP");
    EXPECT_EQ(bad.status, 2);
    EXPECT_TRUE(bad.lines.empty());
    EXPECT_NE(bad.errors.find("--at"), std::string::npos) << bad.errors;
}

TEST_F(ZvkCli, DisasmShowsTheWholeDefaultPart) {
    const fs::path image = WriteFile("ljmp.bin", std::string("\x02\x00\x30", 3));
    const CliRun run = Cli("disasm '" + image.string() + "'");
    EXPECT_EQ(run.status, 0) << run.errors;
    ASSERT_GE(run.lines.size(), 2u);
    EXPECT_EQ(run.lines[0], "  0000         02 00 30    LJMP   0030");
    EXPECT_EQ(run.lines[1], "  0003         FF          MOV    R7,A");
    EXPECT_EQ(run.lines.back().substr(0, 6), "  4FFF") << "AT89C55 reaches 4FFF";
    EXPECT_EQ(run.lines.size(), 1u + (0x5000 - 3)) << "one LJMP, then one line per erased byte";
    for (const auto& line : run.lines) ASSERT_NE(line.back(), ' ') << '"' << line << '"';
}

TEST_F(ZvkCli, DisasmRangeOfAPartWithTheImageMoved) {
    const fs::path image = WriteFile("code.bin", std::string("\x75\x89\x21\x80\xFE\xA5", 6));
    const CliRun run =
        Cli("disasm --part at89c2051 --load-at 7FA --from 7fa --to 0800 '" + image.string() + "'");
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.lines, (Lines{
                             "  07FA         75 89 21    MOV    TMOD,#21",
                             "  07FD         80 FE       SJMP   07FD",
                             "  07FF         A5          RESERVED",
                             // Past the part's last address the buffer reads FF.
                             "  0800         FF          MOV    R7,A",
                         }));
}

TEST_F(ZvkCli, DisasmRefusesMissingAndOversizedFiles) {
    const CliRun missing = Cli("disasm '" + (directory_ / "none.bin").string() + "'");
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.lines.empty());
    EXPECT_NE(missing.errors.find("none.bin"), std::string::npos) << missing.errors;

    const fs::path big = WriteFile("big.bin", std::string(0x0400, '\0'));
    const CliRun tooBig = Cli("disasm --part AT89C1051 --load-at 0001 '" + big.string() + "'");
    EXPECT_EQ(tooBig.status, 1);
    EXPECT_TRUE(tooBig.lines.empty());
    EXPECT_NE(tooBig.errors.find("do not fit"), std::string::npos) << tooBig.errors;

    const CliRun fits = Cli("disasm --part AT89C1051 --from 3FF '" + big.string() + "'");
    EXPECT_EQ(fits.status, 0) << fits.errors;
    EXPECT_EQ(fits.lines, (Lines{"  03FF         00          NOP"}));

    const CliRun unknownPart = Cli("disasm --part AT89X '" + big.string() + "'");
    EXPECT_EQ(unknownPart.status, 2);
}

// What asm writes, disasm reads back as the same instructions.
TEST_F(ZvkCli, AssembledCodeDisassemblesToItsSource) {
    const Lines source = {"MOV    SP,#5F", "ACALL  0740", "JNB    TI,0705", "CJNE   R3,#0A,0700",
                          "MOV    30,DPL"};
    std::string input;
    for (const auto& line : source) input += line + "\n";
    const CliRun assembled = Cli("asm --at 0700", input);
    ASSERT_EQ(assembled.status, 0) << assembled.errors;
    std::string bytes;
    for (const auto& line : assembled.lines) {
        std::istringstream fields(line.substr(6));
        for (std::string byte; fields >> byte;)
            bytes += static_cast<char>(std::stoi(byte, nullptr, 16));
    }
    const fs::path image = WriteFile("program.bin", bytes);
    char to[8];
    std::snprintf(to, sizeof to, "%04zX", 0x700 + bytes.size() - 1);
    const CliRun listed = Cli("disasm --load-at 0700 --from 0700 --to " + std::string(to) + " '" +
                              image.string() + "'");
    ASSERT_EQ(listed.status, 0) << listed.errors;
    ASSERT_EQ(listed.lines.size(), source.size());
    for (std::size_t i = 0; i < source.size(); ++i) {
        EXPECT_EQ(listed.lines[i].substr(27), source[i]);
        EXPECT_EQ(listed.lines[i].substr(2, 4), assembled.lines[i].substr(0, 4));
    }
}

}  // namespace
