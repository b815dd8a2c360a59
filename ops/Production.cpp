#include "ops/Production.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "app/FileIo.h"
#include "app/Messages.h"
#include "app/Preferences.h"
#include "app/SafeFile.h"
#include "ops/FileLock.h"

namespace zvk {
namespace {

constexpr std::string_view kRepeatKey = "auto.repeat";
constexpr std::string_view kLogKey = "auto.log";
constexpr std::string_view kSerialKey = "auto.serial";
constexpr std::string_view kSerialBufferKey = "auto.serial.buffer";
constexpr std::string_view kSerialAddressKey = "auto.serial.address";
constexpr std::string_view kSerialFormatKey = "auto.serial.format";
constexpr std::string_view kSerialFileKey = "auto.serial.file";

std::string Errno() { return std::strerror(errno); }

}  // namespace

ProductionSettings LoadProductionSettings() {
    ProductionSettings settings;
    settings.repeat = GetPreference(kRepeatKey, "0") == "1";
    settings.logPath = GetPreference(kLogKey);
    settings.serial = GetPreference(kSerialKey, "0") == "1";
    SerialPlan& plan = settings.serialPlan;
    plan.buffer =
        GetPreference(kSerialBufferKey) == "eeprom" ? BufferKind::Eeprom : BufferKind::Flash;
    const auto address = ParseSerialNumber("0x" + GetPreference(kSerialAddressKey, "0"));
    plan.address = static_cast<std::uint16_t>(address && *address <= 0xFFFF ? *address : 0);
    if (const auto format = ParseSerialFormat(GetPreference(kSerialFormatKey, "le32"))) {
        plan.format = *format;
    }
    plan.file = GetPreference(kSerialFileKey);
    return settings;
}

void StoreProductionSettings(const ProductionSettings& settings) {
    const SerialPlan& plan = settings.serialPlan;
    char address[8];
    std::snprintf(address, sizeof address, "%04X", plan.address);
    const std::string format = SerialFormatName(plan.format);
    (void)SetPreferences(
        {{kRepeatKey, settings.repeat ? "1" : "0"},
         {kLogKey, settings.logPath},
         {kSerialKey, settings.serial ? "1" : "0"},
         {kSerialBufferKey, plan.buffer == BufferKind::Eeprom ? "eeprom" : "flash"},
         {kSerialAddressKey, address},
         {kSerialFormatKey, format},
         {kSerialFileKey, plan.file}});
}

std::string IsoLocalTime(std::chrono::system_clock::time_point time) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    const LocalTime local = ToLocalTime(seconds);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local.fields);
    // Offsets stay within a day; the bound keeps the text short whatever comes.
    const long offset = local.offsetMinutes;
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
          std::string_view(row.reason), std::string_view(row.serial),
          std::string_view(row.station)}) {
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
    // A link another user planted in a shared sticky folder is not followed.
    if (!MayFollowLinks(path)) {
        error_ = Errno();
        return false;
    }
    const int fd = OpenForAppending(path);
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
    // Under the lock, so that of several runs starting on a new log only
    // one writes the header.
    const FileLock lock(fd_);
    std::string opening;
    if (!lock.Locked() || ::fstat(fd_, &st) != 0) {
        error_ = Errno();
    } else if (st.st_size == 0) {
        opening = std::string(kProductionLogHeader) + "\n";
    } else {
        // A log that cannot be read is taken as ending its last line.
        char last = '\n';
        if (ReadByteAt(fd_, st.st_size - 1, last) && last != '\n') opening = "\n";
    }
    if (!error_.empty() || (!opening.empty() && !WriteWhole(opening))) {
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    return true;
}

bool ProductionLog::Append(const ProductionRow& row) {
    if (fd_ < 0) {
        error_ = "not open";
        return false;
    }
    const FileLock lock(fd_);
    if (!lock.Locked()) {
        error_ = Errno();
        return false;
    }
    return WriteWhole(FormatProductionRow(row));
}

bool ProductionLog::WriteWhole(const std::string& text) {
    // The end the log has now, for taking a part-written row back. Under the
    // lock nobody else appends meanwhile.
    const off_t end = ::lseek(fd_, 0, SEEK_END);
    ssize_t n = 0;
    do {
        n = ::write(fd_, text.data(), text.size());
    } while (n < 0 && errno == EINTR);
    if (n != static_cast<ssize_t>(text.size())) {
        error_ = n < 0 ? Errno() : "only a part of the row could be written";
        if (n > 0 && (end < 0 || ::ftruncate(fd_, end) != 0)) {
            error_ += "; the log now ends in a part of a row";
        }
        return false;
    }
    if (!SyncToDisk(fd_)) {
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
