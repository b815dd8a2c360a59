#pragma once
// Runs zvk-unit-sim as a child process for end-to-end tests: in a fresh
// temporary directory, with its link, wire log and dump there, and stops it
// with SIGTERM. What it prints goes to DIR/unit.out. The path of the program
// comes from the build (ZVK_UNIT_SIM_PATH).

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/TempDir.h"

namespace zvk::test {

inline std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

#ifndef _WIN32  // a POSIX program on a pseudo-terminal
class UnitSimProcess {
  public:
    UnitSimProcess() = default;
    ~UnitSimProcess() { Stop(); }
    UnitSimProcess(const UnitSimProcess&) = delete;
    UnitSimProcess& operator=(const UnitSimProcess&) = delete;

    // Starts the unit with the given options plus --link DIR/<linkName>,
    // --wire-log and --dump in DIR, and waits until its link is there.
    // False when it did not come up within five seconds.
    bool Start(const std::filesystem::path& dir, const std::string& linkName,
               std::vector<std::string> options) {
        link_ = dir / linkName;
        wireLog_ = dir / "wire.log";
        dump_ = dir / "dump.txt";
        options.insert(options.begin(), {ZVK_UNIT_SIM_PATH, "--link", link_.string(), "--wire-log",
                                         wireLog_.string(), "--dump", dump_.string()});
        output_ = dir / "unit.out";
        pid_ = Spawn(options, output_);
        for (int i = 0; i < 1000 && pid_ > 0; ++i) {
            // Followed to its end, so that a link left behind by an earlier
            // unit does not count.
            struct stat st {};
            if (::stat(link_.c_str(), &st) == 0) return true;
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    // Sends SIGTERM and waits for the end; the exit status, or -1.
    int Stop() {
        if (pid_ <= 0) return -1;
        ::kill(pid_, SIGTERM);
        int status = 0;
        const pid_t done = ::waitpid(pid_, &status, 0);
        pid_ = -1;
        if (done <= 0 || !WIFEXITED(status)) return -1;
        return WEXITSTATUS(status);
    }

    [[nodiscard]] pid_t Pid() const { return pid_; }
    [[nodiscard]] const std::filesystem::path& Link() const { return link_; }
    [[nodiscard]] std::vector<std::string> WireLog() const {
        return SplitLines(ReadTextFile(wireLog_));
    }
    [[nodiscard]] std::string Dump() const { return ReadTextFile(dump_); }
    // What the unit printed on stdout and stderr.
    [[nodiscard]] std::string Output() const { return ReadTextFile(output_); }

  private:
    static pid_t Spawn(const std::vector<std::string>& arguments,
                       const std::filesystem::path& output) {
        std::vector<char*> argv;
        for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int fd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd >= 0) {
                ::dup2(fd, STDOUT_FILENO);
                ::dup2(fd, STDERR_FILENO);
                if (fd > STDERR_FILENO) ::close(fd);
            }
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        return pid;
    }

    pid_t pid_ = -1;
    std::filesystem::path link_;
    std::filesystem::path wireLog_;
    std::filesystem::path dump_;
    std::filesystem::path output_;
};

#endif

}  // namespace zvk::test
