#include "app/SafeFile.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zvk {
namespace fs = std::filesystem;

namespace {

// A name beside the target that no other save of this or another process
// picks: ".name.zvk-<pid>-<n>".
std::string TemporaryNameFor(const fs::path& target, unsigned attempt) {
    static std::atomic<unsigned> counter{0};
#ifdef _WIN32
    const unsigned long pid = 0;
#else
    const auto pid = static_cast<unsigned long>(::getpid());
#endif
    const std::string name = "." + target.filename().string() + ".zvk-" + std::to_string(pid) +
                             "-" + std::to_string(counter++) + "-" + std::to_string(attempt);
    return (target.parent_path() / name).string();
}

#ifndef _WIN32
// A save that was killed (a file size limit, a power cut, a crash) leaves its temporary file
// behind. The next save of the same target removes those whose process is gone; a save still
// running elsewhere keeps its own.
void RemoveLeftOverTemporaries(const fs::path& target) {
    const std::string prefix = "." + target.filename().string() + ".zvk-";
    std::error_code ec;
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        const char* digits = name.data() + prefix.size();
        const char* last = name.data() + name.size();
        pid_t pid = 0;
        const auto [stop, error] = std::from_chars(digits, last, pid);
        if (error != std::errc() || stop == digits || stop == last || *stop != '-') continue;
        if (pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH) {
            std::error_code removeError;
            fs::remove(it->path(), removeError);
        }
    }
}

// Creates the temporary file exclusively, with the permissions a new file gets
// (0666 less the umask), or with the existing target's.
std::FILE* CreateTemporary(const fs::path& target, bool targetExists, mode_t targetMode,
                           std::string& path) {
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        path = TemporaryNameFor(target, attempt);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return nullptr;
        }
        if (targetExists) ::fchmod(fd, targetMode & 07777);
        std::FILE* stream = ::fdopen(fd, "wb");
        if (stream == nullptr) {
            const int saved = errno;
            ::close(fd);
            ::unlink(path.c_str());
            errno = saved;
        }
        return stream;
    }
    errno = EEXIST;
    return nullptr;
}
#endif

}  // namespace

SafeFile::~SafeFile() { Abandon(); }

SafeFile::SafeFile(SafeFile&& other) noexcept
    : stream_(std::exchange(other.stream_, nullptr)),
      target_(std::move(other.target_)),
      writingPath_(std::move(other.writingPath_)),
      direct_(other.direct_),
      failed_(other.failed_) {}

SafeFile& SafeFile::operator=(SafeFile&& other) noexcept {
    if (this != &other) {
        Abandon();
        stream_ = std::exchange(other.stream_, nullptr);
        target_ = std::move(other.target_);
        writingPath_ = std::move(other.writingPath_);
        direct_ = other.direct_;
        failed_ = other.failed_;
    }
    return *this;
}

bool SafeFile::Open(const std::string& target) {
    Abandon();
    failed_ = false;
    // An empty name is no file; its temporary would land in whatever folder
    // the program was started from.
    if (target.empty()) return false;
    std::error_code ec;
    fs::path path(target);
    // Saving over a link replaces the file it points to, not the link.
    if (fs::is_symlink(fs::symlink_status(path, ec))) {
        const fs::path resolved = fs::weakly_canonical(path, ec);
        if (!ec) path = resolved;
    }
    target_ = path.string();
    const fs::file_status status = fs::status(path, ec);
    const bool exists = !ec && fs::exists(status);
    direct_ = exists && !fs::is_regular_file(status);
    if (direct_) {
        writingPath_ = target_;
        stream_ = std::fopen(target_.c_str(), "wb");
        return stream_ != nullptr;
    }
#ifdef _WIN32
    for (unsigned attempt = 0; attempt < 100 && stream_ == nullptr; ++attempt) {
        writingPath_ = TemporaryNameFor(path, attempt);
        stream_ = std::fopen(writingPath_.c_str(), "wbx");
        if (stream_ == nullptr && errno != EEXIST) break;
    }
#else
    // Replacing a file by renaming needs only the folder's write permission;
    // a file its owner made read-only stays refused, as writing it in place
    // would be.
    if (exists && ::access(target_.c_str(), W_OK) != 0) {
        writingPath_.clear();
        return false;
    }
    RemoveLeftOverTemporaries(path);
    struct stat info {};
    const bool statted = exists && ::stat(target_.c_str(), &info) == 0;
    stream_ = CreateTemporary(path, statted, statted ? info.st_mode : 0, writingPath_);
#endif
    if (stream_ == nullptr) writingPath_.clear();
    return stream_ != nullptr;
}

bool SafeFile::Write(const void* data, std::size_t size) {
    if (stream_ == nullptr) return false;
    if (size != 0 && std::fwrite(data, 1, size, stream_) != size) failed_ = true;
    return !failed_;
}

bool SafeFile::Commit() {
    if (stream_ == nullptr) return false;
    bool ok = !failed_ && std::fflush(stream_) == 0;
#ifndef _WIN32
    // On the disk before it replaces the old file: a power cut then leaves the
    // old file or the new one, never an empty one.
    if (ok && !direct_ && ::fsync(::fileno(stream_)) != 0) ok = false;
#endif
    if (std::fclose(std::exchange(stream_, nullptr)) != 0) ok = false;
    if (direct_) return ok;
    std::error_code ec;
    if (ok) {
        fs::rename(writingPath_, target_, ec);
        ok = !ec;
    }
    if (!ok) fs::remove(writingPath_, ec);
    return ok;
}

void SafeFile::Abandon() {
    if (stream_ == nullptr) return;
    std::fclose(std::exchange(stream_, nullptr));
    if (!direct_) {
        std::error_code ec;
        fs::remove(writingPath_, ec);
    }
}

bool WriteFileSafely(const std::string& target, std::string_view bytes) {
    SafeFile file;
    return file.Open(target) && file.Write(bytes) && file.Commit();
}

std::FILE* OpenRegularFileForReading(const std::string& path) {
#ifdef _WIN32
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return nullptr;
    return std::fopen(path.c_str(), "rb");
#else
    // Non-blocking, so that a FIFO with no writer cannot hold the open; the
    // flag is cleared again before reading a regular file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    std::FILE* stream = ::fdopen(fd, "rb");
    if (stream == nullptr) ::close(fd);
    return stream;
#endif
}

std::optional<std::string> ReadRegularFile(const std::string& path) {
    std::FILE* file = OpenRegularFileForReading(path);
    if (file == nullptr) return std::nullopt;
    std::string text;
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) text.append(chunk, n);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return std::nullopt;
    return text;
}

}  // namespace zvk
