#include "ops/Production.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "app/Messages.h"
#include "app/Preferences.h"

namespace zvk {
namespace {

constexpr std::string_view kRepeatKey = "auto.repeat";
constexpr std::string_view kLogKey = "auto.log";

std::string Errno() { return std::strerror(errno); }

}  // namespace

ProductionSettings LoadProductionSettings() {
    return {GetPreference(kRepeatKey, "0") == "1", GetPreference(kLogKey)};
}

void StoreProductionSettings(const ProductionSettings& settings) {
    (void)SetPreferences({{kRepeatKey, settings.repeat ? "1" : "0"}, {kLogKey, settings.logPath}});
}

std::string IsoLocalTime(std::chrono::system_clock::time_point time) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    // Offsets stay within a day; the bound keeps the text short whatever comes.
    const long offset = local.tm_gmtoff / 60;
    const int magnitude = static_cast<int>((offset < 0 ? -offset : offset) % (24 * 60));
    char zone[16];
    std::snprintf(zone, sizeof zone, "%c%02d:%02d", offset < 0 ? '-' : '+', magnitude / 60,
                  magnitude % 60);
    return std::string(text) + zone;
}

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string FormatProductionRow(const ProductionRow& row) {
    char checksum[8];
    std::snprintf(checksum, sizeof checksum, "%04X", row.checksum);
    char address[8] = "";
    if (row.failedAddress) std::snprintf(address, sizeof address, "%04X", *row.failedAddress);
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", static_cast<double>(row.taken.count()) / 1000.0);
    std::string line = IsoLocalTime(row.time);
    for (const std::string_view field :
         {std::string_view(row.part), std::string_view(row.image), std::string_view(checksum),
          std::string_view(row.steps), std::string_view(row.passed ? "pass" : "fail"),
          std::string_view(row.failedStep), std::string_view(address), std::string_view(seconds),
          std::string_view(row.reason)}) {
        line += ',';
        line += CsvField(field);
    }
    return line + "\n";
}

ProductionLog::~ProductionLog() {
    if (fd_ >= 0) ::close(fd_);
}

bool ProductionLog::Open(const std::string& path) {
    path_ = path;
    // Read access only to look at the last byte; not blocking on a FIFO that
    // nobody reads: it is refused below anyway.
    constexpr int kFlags = O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK;
    int fd = ::open(path.c_str(), O_RDWR | kFlags, 0666);
    if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_WRONLY | kFlags, 0666);
    if (fd < 0) {
        error_ = Errno();
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error_ = "not a regular file";
        ::close(fd);
        return false;
    }
    fd_ = fd;
    std::string opening;
    if (st.st_size == 0) {
        opening = std::string(kProductionLogHeader) + "\n";
    } else {
        // A log that cannot be read is taken as ending its last line.
        char last = '\n';
        if (::pread(fd_, &last, 1, st.st_size - 1) == 1 && last != '\n') opening = "\n";
    }
    if (!opening.empty() && !WriteWhole(opening)) {
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    return true;
}

bool ProductionLog::Append(const ProductionRow& row) {
    return WriteWhole(FormatProductionRow(row));
}

bool ProductionLog::WriteWhole(const std::string& text) {
    if (fd_ < 0) {
        error_ = "not open";
        return false;
    }
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error_ = n < 0 ? Errno() : "nothing written";
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd_) != 0) {
        error_ = Errno();
        return false;
    }
    return true;
}

void ShowLogError(const ProductionLog& log) {
    ShowMessage("Cannot write the log file " + log.Path() + ": " + log.Error(), "Error",
                MessageIcon::Stop);
}

}  // namespace zvk
