#include "sim/SocketControl.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <utility>

#include "app/DeviceTable.h"
#include "app/SafeFile.h"
#include "sim/Dump.h"

namespace zvk::sim {
namespace {

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

}  // namespace

SocketCommandResult ApplySocketCommand(std::string_view line, UnitModel& model) {
    line = Trim(line);
    const auto blank = line.find_first_of(" \t");
    const std::string_view word = line.substr(0, blank);
    const std::string_view rest =
        blank == std::string_view::npos ? std::string_view{} : Trim(line.substr(blank));
    if (word == "remove" && rest.empty()) {
        model.RemoveChip();
        return {true, "socket empty"};
    }
    if (word == "dump" && !rest.empty()) {
        // Whole or not at all, so that whoever waits for the file reads it complete.
        std::ostringstream dump;
        WriteDump(dump, model);
        if (!WriteFileSafely(std::string(rest), dump.str())) {
            return {false, "cannot write " + std::string(rest)};
        }
        return {true, "dumped to " + std::string(rest)};
    }
    if (word == "insert") {
        std::optional<std::uint8_t> part;
        if (!rest.empty()) {
            part = FindDeviceByName(rest);
            if (!part) return {false, "unknown part " + std::string(rest)};
        }
        model.InsertChip(part);
        return {true, std::string(model.Part().PartName) + " inserted"};
    }
    return {false, "unknown socket command: " + std::string(line)};
}

SocketControl::~SocketControl() {
    if (write_ >= 0) ::close(write_);
    if (read_ < 0) return;
    // Only the FIFO this unit made is removed, not one put there since.
    struct stat opened {};
    struct stat there {};
    if (::fstat(read_, &opened) == 0 && ::lstat(path_.c_str(), &there) == 0 &&
        opened.st_dev == there.st_dev && opened.st_ino == there.st_ino) {
        ::unlink(path_.c_str());
    }
    ::close(read_);
}

bool SocketControl::Open(const std::string& path) {
    path_ = path;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISFIFO(st.st_mode)) {
            std::fprintf(stderr, "zvk-unit-sim: %s exists and is not a FIFO\n", path.c_str());
            return false;
        }
        ::unlink(path.c_str());
    }
    if (::mkfifo(path.c_str(), 0600) != 0) {
        std::fprintf(stderr, "zvk-unit-sim: cannot create %s: %s\n", path.c_str(),
                     std::strerror(errno));
        return false;
    }
    read_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    // Our own writer: without one, the FIFO reads as ended after each
    // writer closes, and poll reports it ready for ever.
    write_ = read_ < 0 ? -1 : ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (read_ < 0 || write_ < 0) {
        std::fprintf(stderr, "zvk-unit-sim: cannot open %s: %s\n", path.c_str(),
                     std::strerror(errno));
        return false;
    }
    return true;
}

void SocketControl::Serve(UnitModel& model) {
    char chunk[512];
    ssize_t n = 0;
    while ((n = ::read(read_, chunk, sizeof chunk)) > 0) {
        for (ssize_t i = 0; i < n; ++i) {
            const char c = chunk[i];
            if (c != '\n') {
                if (!skipping_ && pending_.size() < kLongestLine) {
                    pending_ += c;
                } else if (!skipping_) {
                    std::fprintf(stderr, "zvk-unit-sim: socket command too long, ignored\n");
                    skipping_ = true;
                    pending_.clear();
                }
                continue;
            }
            const std::string line = std::move(pending_);
            pending_.clear();
            if (std::exchange(skipping_, false) || Trim(line).empty()) continue;
            const SocketCommandResult result = ApplySocketCommand(line, model);
            std::FILE* out = result.understood ? stdout : stderr;
            std::fprintf(out, "zvk-unit-sim: %s\n", result.text.c_str());
            std::fflush(out);
        }
    }
}

}  // namespace zvk::sim
