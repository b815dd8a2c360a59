#pragma once
// Runs zvk-unit-sim as a child process for end-to-end tests: in a fresh
// temporary directory, with its wire log and dump there, and stops it with
// SIGTERM. What it prints goes to DIR/unit.out. The path of the program
// comes from the build (ZVK_UNIT_SIM_PATH).
//
// On Linux its link is DIR/<linkName>. A Windows test program under Wine
// runs the Linux unit, whose link is then the Wine COM port <linkName>
// ("COM123"), a link in the prefix's dosdevices folder.

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cctype>
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

// zvk-unit-sim as a child process. On Windows under Wine: Wine starts a Unix
// program named to CreateProcessW, but the process handle it gives back does
// not follow that program. So there a shell starts the unit, notes its
// process id in DIR/unit.pid and, once it has ended, its exit status in
// DIR/unit.status (each written whole, then renamed, so that no half is
// ever read); the shell's kill stops it.
class UnitSimProcess {
  public:
    UnitSimProcess() = default;
    ~UnitSimProcess() { Stop(); }
    UnitSimProcess(const UnitSimProcess&) = delete;
    UnitSimProcess& operator=(const UnitSimProcess&) = delete;

    // Starts the unit with the given options plus --link (DIR/<linkName>;
    // on Windows the Wine COM port linkName), --wire-log and --dump in DIR,
    // and waits until its link is there. False when it did not come up
    // within five seconds, or on Windows when this is not Wine.
    bool Start(const std::filesystem::path& dir, const std::string& linkName,
               std::vector<std::string> options) {
        dir_ = dir;
        wireLog_ = dir / "wire.log";
        dump_ = dir / "dump.txt";
        output_ = dir / "unit.out";
#ifdef _WIN32
        const char* prefix = std::getenv("WINEPREFIX");
        const std::string unixDir = UnitPath(dir);
        if (prefix == nullptr || unixDir.empty()) return false;
        std::string device = linkName;
        for (char& c : device) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const std::string unixLink = std::string(prefix) + "/dosdevices/" + device;
        link_ = DosFileName(unixLink);
        options.insert(options.begin(), {ZVK_UNIT_SIM_PATH, "--link", unixLink, "--wire-log",
                                         UnitPath(wireLog_), "--dump", UnitPath(dump_)});
        options.insert(options.begin(),
                       {"-c",
                        "d=$1; shift; \"$@\" >\"$d/unit.out\" 2>&1 & echo $! >\"$d/unit.pid.new\"; "
                        "mv \"$d/unit.pid.new\" \"$d/unit.pid\"; "
                        "wait $!; echo $? >\"$d/unit.status.new\"; "
                        "mv \"$d/unit.status.new\" \"$d/unit.status\"",
                        "sh", unixDir});
        if (!Run("/bin/sh", options)) return false;
        // The port's link leads to a terminal that Windows calls cannot look
        // at without opening it; the unit says on which terminal it is once
        // its link is there.
        for (int i = 0; i < 1000; ++i) {
            if (pid_ <= 0) pid_ = std::atol(ReadTextFile(dir / "unit.pid").c_str());
            if (pid_ > 0 && Output().find(" on /dev/") != std::string::npos) return true;
            std::error_code ec;
            if (std::filesystem::exists(dir / "unit.status", ec)) {
                pid_ = -1;  // it has ended
                return false;
            }
            ::Sleep(5);
        }
        Stop();
        return false;
#else
        link_ = dir / linkName;
        options.insert(options.begin(), {ZVK_UNIT_SIM_PATH, "--link", link_.string(), "--wire-log",
                                         wireLog_.string(), "--dump", dump_.string()});
        pid_ = Spawn(options, output_);
        for (int i = 0; i < 1000 && pid_ > 0; ++i) {
            // Followed to its end, so that a link left behind by an earlier
            // unit does not count.
            struct stat st {};
            if (::stat(link_.c_str(), &st) == 0) return true;
            int status = 0;
            if (::waitpid(static_cast<pid_t>(pid_), &status, WNOHANG) == pid_) {
                pid_ = -1;
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
#endif
    }

    // Sends SIGTERM and waits for the end; the exit status, or -1.
    int Stop() {
        if (pid_ <= 0) return -1;
#ifdef _WIN32
        Run("/bin/sh", {"-c", "kill -TERM \"$1\"", "sh", std::to_string(pid_)});
        pid_ = -1;
        for (int i = 0; i < 2000; ++i) {
            const std::string status = ReadTextFile(dir_ / "unit.status");
            if (!status.empty()) return std::atoi(status.c_str());
            ::Sleep(5);
        }
        return -1;
#else
        ::kill(static_cast<pid_t>(pid_), SIGTERM);
        int status = 0;
        const pid_t done = ::waitpid(static_cast<pid_t>(pid_), &status, 0);
        pid_ = -1;
        if (done <= 0 || !WIFEXITED(status)) return -1;
        return WEXITSTATUS(status);
#endif
    }

    // A file's name as the unit, a Linux program, knows it.
    static std::string UnitPath(const std::filesystem::path& path) {
#ifdef _WIN32
        using Call = char*(CDECL*)(const wchar_t*);
        const auto call = WineCall<Call>("wine_get_unix_file_name");
        if (call == nullptr) return {};
        char* name = call(path.wstring().c_str());
        if (name == nullptr) return {};
        std::string unixName = name;
        ::HeapFree(::GetProcessHeap(), 0, name);
        return unixName;
#else
        return path.string();
#endif
    }

    [[nodiscard]] long Pid() const { return pid_; }
    [[nodiscard]] const std::filesystem::path& Link() const { return link_; }
    [[nodiscard]] std::vector<std::string> WireLog() const {
        return SplitLines(ReadTextFile(wireLog_));
    }
    [[nodiscard]] std::string Dump() const { return ReadTextFile(dump_); }
    // What the unit printed on stdout and stderr.
    [[nodiscard]] std::string Output() const { return ReadTextFile(output_); }

  private:
#ifdef _WIN32
    // Wine's own calls between its file names and the Unix ones.
    template <typename Call>
    static Call WineCall(const char* name) {
        return reinterpret_cast<Call>(
            reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32"), name)));
    }
    static std::filesystem::path DosFileName(const std::string& unixName) {
        using Call = wchar_t*(CDECL*)(const char*);
        const auto call = WineCall<Call>("wine_get_dos_file_name");
        if (call == nullptr) return {};
        wchar_t* name = call(unixName.c_str());
        if (name == nullptr) return {};
        std::filesystem::path dosName(name);
        ::HeapFree(::GetProcessHeap(), 0, name);
        return dosName;
    }

    // One argument of a Windows command line, which Wine splits back into
    // the Unix program's arguments.
    static std::wstring Quoted(const std::string& argument) {
        std::wstring quoted = L"\"";
        unsigned backslashes = 0;
        for (const char c : argument) {
            if (c == '\\') {
                ++backslashes;
                continue;
            }
            quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, L'\\');
            backslashes = 0;
            quoted += static_cast<wchar_t>(static_cast<unsigned char>(c));
        }
        quoted.append(2 * backslashes, L'\\');
        return quoted + L"\"";
    }

    // Starts a Unix program and does not wait for it; true when it started.
    static bool Run(const std::string& program, const std::vector<std::string>& arguments) {
        std::wstring line = Quoted(program);
        for (const std::string& argument : arguments) line += L" " + Quoted(argument);
        const std::wstring path(program.begin(), program.end());
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!::CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &process)) {
            return false;
        }
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
        return true;
    }
#else
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
#endif

    long pid_ = -1;
    std::filesystem::path dir_;
    std::filesystem::path link_;
    std::filesystem::path wireLog_;
    std::filesystem::path dump_;
    std::filesystem::path output_;
};

}  // namespace zvk::test
