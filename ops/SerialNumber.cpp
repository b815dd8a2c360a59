#include "ops/SerialNumber.h"

#include <fcntl.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <system_error>

#include "app/Buffers.h"
#include "app/DeviceTable.h"
#include "app/SafeFile.h"
#include "ops/FileLock.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace zvk {
namespace {

struct EncodingName {
    SerialEncoding encoding;
    std::string_view prefix;
    unsigned smallest;  // size
    unsigned largest;
    unsigned multiple;  // the size in the name is a multiple of this
};

constexpr EncodingName kEncodings[] = {
    {SerialEncoding::LittleEndian, "le", 8, 64, 8},  // bits
    {SerialEncoding::BigEndian, "be", 8, 64, 8},
    {SerialEncoding::Bcd, "bcd", 2, 20, 2},  // digits
    {SerialEncoding::Decimal, "dec", 1, 20, 1},
    {SerialEncoding::Hex, "hex", 1, 16, 1},
};

bool Binary(const SerialFormat& format) {
    return format.encoding == SerialEncoding::LittleEndian ||
           format.encoding == SerialEncoding::BigEndian;
}

std::string Errno() { return std::strerror(errno); }

// The lock that every run sharing the counter takes: a file of its own
// beside the counter, which is replaced by every save and so cannot carry
// the lock itself.
class CounterLock {
  public:
    explicit CounterLock(const std::string& counter) {
#ifdef _WIN32
        fd_ = ::open((counter + ".lock").c_str(), O_RDWR | O_CREAT, 0666);
#else
        fd_ = ::open((counter + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
#endif
        if (fd_ >= 0) lock_.emplace(fd_);
    }
    ~CounterLock() {
        lock_.reset();
        if (fd_ >= 0) ::close(fd_);
    }
    CounterLock(const CounterLock&) = delete;
    CounterLock& operator=(const CounterLock&) = delete;
    [[nodiscard]] bool Locked() const { return lock_ && lock_->Locked(); }

  private:
    int fd_ = -1;
    std::optional<FileLock> lock_;
};

// After the rename the folder holds the new name only once the folder itself
// is on the disk.
bool SyncFolderOf(const std::string& path) {
#ifdef _WIN32
    (void)path;
    return true;
#else
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (folder.empty()) folder = ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
#endif
}

}  // namespace

std::optional<SerialFormat> ParseSerialFormat(std::string_view name) {
    for (const EncodingName& e : kEncodings) {
        if (!name.starts_with(e.prefix)) continue;
        const std::string_view digits = name.substr(e.prefix.size());
        unsigned size = 0;
        const auto [stop, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), size);
        if (digits.empty() || digits[0] == '0' || error != std::errc() ||
            stop != digits.data() + digits.size() || size < e.smallest || size > e.largest ||
            size % e.multiple != 0) {
            return std::nullopt;
        }
        SerialFormat format{e.encoding, size};
        if (Binary(format)) format.size = size / 8;
        return format;
    }
    return std::nullopt;
}

std::string SerialFormatName(const SerialFormat& format) {
    for (const EncodingName& e : kEncodings) {
        if (e.encoding != format.encoding) continue;
        return std::string(e.prefix) +
               std::to_string(Binary(format) ? format.size * 8 : format.size);
    }
    return {};
}

unsigned SerialByteCount(const SerialFormat& format) {
    return format.encoding == SerialEncoding::Bcd ? format.size / 2 : format.size;
}

std::uint64_t LargestSerial(const SerialFormat& format) {
    constexpr std::uint64_t kAll = std::numeric_limits<std::uint64_t>::max();
    switch (format.encoding) {
        case SerialEncoding::LittleEndian:
        case SerialEncoding::BigEndian:
            return format.size >= 8 ? kAll : (std::uint64_t{1} << (8 * format.size)) - 1;
        case SerialEncoding::Hex:
            return format.size >= 16 ? kAll : (std::uint64_t{1} << (4 * format.size)) - 1;
        case SerialEncoding::Bcd:
        case SerialEncoding::Decimal: {
            if (format.size >= 20) return kAll;
            std::uint64_t power = 1;
            for (unsigned i = 0; i < format.size; ++i) power *= 10;
            return power - 1;
        }
    }
    return 0;
}

std::vector<std::uint8_t> EncodeSerial(std::uint64_t number, const SerialFormat& format) {
    std::vector<std::uint8_t> bytes(SerialByteCount(format));
    const auto count = bytes.size();
    switch (format.encoding) {
        case SerialEncoding::LittleEndian:
            for (std::size_t i = 0; i < count; ++i)
                bytes[i] = static_cast<std::uint8_t>(number >> (8 * i));
            break;
        case SerialEncoding::BigEndian:
            for (std::size_t i = 0; i < count; ++i) {
                bytes[count - 1 - i] = static_cast<std::uint8_t>(number >> (8 * i));
            }
            break;
        case SerialEncoding::Bcd:
            for (std::size_t i = 0; i < count; ++i) {
                const auto low = static_cast<std::uint8_t>(number % 10);
                number /= 10;
                const auto high = static_cast<std::uint8_t>(number % 10);
                number /= 10;
                bytes[count - 1 - i] = static_cast<std::uint8_t>(high << 4 | low);
            }
            break;
        case SerialEncoding::Decimal:
            for (std::size_t i = 0; i < count; ++i) {
                bytes[count - 1 - i] = static_cast<std::uint8_t>('0' + number % 10);
                number /= 10;
            }
            break;
        case SerialEncoding::Hex:
            for (std::size_t i = 0; i < count; ++i) {
                bytes[count - 1 - i] = static_cast<std::uint8_t>("0123456789ABCDEF"[number % 16]);
                number /= 16;
            }
            break;
    }
    return bytes;
}

std::optional<std::uint64_t> ParseSerialNumber(std::string_view text) {
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        base = 16;
        text.remove_prefix(2);
    }
    std::uint64_t value = 0;
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || stop != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::string SerialTooLargeText(std::uint64_t number, const SerialFormat& format) {
    return "serial number " + std::to_string(number) + " does not fit " + SerialFormatName(format) +
           " (largest " + std::to_string(LargestSerial(format)) + ")";
}

std::optional<std::string> SerialPlaceProblem(const SerialPlan& plan) {
    const unsigned bytes = SerialByteCount(plan.format);
    const bool eeprom = plan.buffer == BufferKind::Eeprom;
    if (eeprom && !SelectedDeviceInfo().HasEeprom) {
        return std::string(SelectedDeviceInfo().PartName) + " has no EEPROM for the serial number";
    }
    const unsigned last = LastAddress(plan.buffer);
    char place[64];
    std::snprintf(place, sizeof place, "%s %04X-%04X", eeprom ? "EEPROM" : "Flash", plan.address,
                  plan.address + bytes - 1);
    if (plan.address + bytes - 1 > last) {
        char limit[16];
        std::snprintf(limit, sizeof limit, "%04X", last);
        return "the serial number's place " + std::string(place) + " lies outside the " +
               std::string(SelectedDeviceInfo().PartName) + " (last address " + limit + ")";
    }
    if (plan.overwrite) return std::nullopt;
    for (unsigned a = plan.address; a < plan.address + bytes; ++a) {
        if (GetOrigin(plan.buffer, static_cast<std::uint16_t>(a)) != OriginNone) {
            return "the serial number's place " + std::string(place) +
                   " holds bytes of the image (--serial-overwrite writes over them)";
        }
    }
    return std::nullopt;
}

std::optional<std::uint64_t> SerialCounter::ReadLocked() {
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(plan_.file, ec);
    if (ec || !std::filesystem::exists(status)) return plan_.start;
    const auto text = ReadRegularFile(plan_.file);
    if (!text) {
        error_ = "cannot read the serial number file " + plan_.file;
        return std::nullopt;
    }
    std::string_view number(*text);
    while (!number.empty() && (number.back() == '\n' || number.back() == '\r')) {
        number.remove_suffix(1);
    }
    const auto value = ParseSerialNumber(number);
    if (!value) error_ = "the serial number file " + plan_.file + " does not hold a number";
    return value;
}

std::optional<std::uint64_t> SerialCounter::Peek() {
    const CounterLock lock(plan_.file);
    if (!lock.Locked()) {
        error_ = "cannot lock " + plan_.file + ".lock: " + Errno();
        return std::nullopt;
    }
    return ReadLocked();
}

std::optional<std::uint64_t> SerialCounter::Take() {
    const CounterLock lock(plan_.file);
    if (!lock.Locked()) {
        error_ = "cannot lock " + plan_.file + ".lock: " + Errno();
        return std::nullopt;
    }
    const auto number = ReadLocked();
    if (!number) return std::nullopt;
    if (*number > LargestSerial(plan_.format)) {
        error_ = SerialTooLargeText(*number, plan_.format);
        return std::nullopt;
    }
    if (*number > std::numeric_limits<std::uint64_t>::max() - plan_.step) {
        error_ = "no serial number follows " + std::to_string(*number);
        return std::nullopt;
    }
    const std::uint64_t next = *number + plan_.step;
    if (!WriteFileSafely(plan_.file, std::to_string(next) + "\n") || !SyncFolderOf(plan_.file)) {
        error_ = "cannot write the serial number file " + plan_.file + ": " + Errno();
        return std::nullopt;
    }
    return number;
}

}  // namespace zvk
