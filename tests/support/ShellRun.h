#pragma once
// Runs a command through the shell, as a script would, and collects its exit
// status, standard output and standard error. Used by the tests that drive the
// built programs (zvk-cli, zvk-unit-sim).

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace zvk::test {

struct ShellRun {
    int status = -1;  // the exit status, or -1 when the command did not exit normally
    std::string out;
    std::string err;

    // Standard output split into lines, without their line ends.
    [[nodiscard]] std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::istringstream in(out);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
};

// Quotes a text for the shell.
inline std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

// Runs the command in the directory (which also holds the files for standard
// input and error) with the given standard input.
inline ShellRun RunShell(const std::string& command, const std::filesystem::path& directory,
                         const std::string& input = "") {
    const auto in = directory / ".shell-run.in";
    const auto err = directory / ".shell-run.err";
    std::ofstream(in, std::ios::binary) << input;
    const std::string full = "cd " + ShellQuote(directory.string()) + " && " + command + " < " +
                             ShellQuote(in.string()) + " 2> " + ShellQuote(err.string());
    ShellRun run;
    std::FILE* pipe = popen(full.c_str(), "r");
    if (pipe == nullptr) return run;
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        run.out.append(chunk, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream errFile(err, std::ios::binary);
    run.err.assign(std::istreambuf_iterator<char>(errFile), {});
    std::filesystem::remove(in);
    std::filesystem::remove(err);
    return run;
}

}  // namespace zvk::test
