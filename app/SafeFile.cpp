#include "app/SafeFile.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

#include "app/Utf8Path.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
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
unsigned long ProcessId() {
#ifdef _WIN32
    return ::GetCurrentProcessId();
#else
    return static_cast<unsigned long>(::getpid());
#endif
}

// Whether no process of that id runs any more.
bool ProcessGone(unsigned long pid) {
#ifdef _WIN32
    const HANDLE process =
        ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr) return ::GetLastError() == ERROR_INVALID_PARAMETER;
    DWORD code = 0;
    const bool ended = ::GetExitCodeProcess(process, &code) && code != STILL_ACTIVE;
    ::CloseHandle(process);
    return ended;
#else
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
#endif
}

std::string TemporaryNameFor(const fs::path& target, unsigned attempt) {
    static std::atomic<unsigned> counter{0};
    const std::string name = "." + Utf8FromPath(target.filename()) + ".zvk-" +
                             std::to_string(ProcessId()) + "-" + std::to_string(counter++) + "-" +
                             std::to_string(attempt);
    return Utf8FromPath(target.parent_path() / PathFromUtf8(name));
}

// A save that was killed (a file size limit, a power cut, a crash) leaves its temporary file
// behind. The next save of the same target removes those whose process is gone; a save still
// running elsewhere keeps its own.
void RemoveLeftOverTemporaries(const fs::path& target) {
    const std::string prefix = "." + Utf8FromPath(target.filename()) + ".zvk-";
    std::error_code ec;
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = Utf8FromPath(it->path().filename());
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        const char* digits = name.data() + prefix.size();
        const char* last = name.data() + name.size();
        unsigned long pid = 0;
        const auto [stop, error] = std::from_chars(digits, last, pid);
        if (error != std::errc() || stop == digits || stop == last || *stop != '-') continue;
        if (pid > 0 && pid != ProcessId() && ProcessGone(pid)) {
            std::error_code removeError;
            fs::remove(it->path(), removeError);
        }
    }
}

#ifdef _WIN32
// Creates the temporary file exclusively. CREATE_NEW, not fopen's "x" mode,
// which msvcrt does not know.
std::FILE* CreateTemporary(const fs::path& target, std::string& path) {
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        path = TemporaryNameFor(target, attempt);
        const HANDLE file = ::CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                          CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            if (::GetLastError() == ERROR_FILE_EXISTS) continue;
            errno = ::GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
            return nullptr;
        }
        const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_BINARY);
        if (fd < 0) {
            ::CloseHandle(file);
            ::DeleteFileW(WideFromUtf8(path).c_str());
            return nullptr;
        }
        std::FILE* stream = ::_fdopen(fd, "wb");
        if (stream == nullptr) {
            ::_close(fd);
            ::DeleteFileW(WideFromUtf8(path).c_str());
        }
        return stream;
    }
    errno = EEXIST;
    return nullptr;
}

// A file whose read-only attribute is set is refused, as writing it in
// place would be.
bool ReadOnlyFile(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(WideFromUtf8(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}
#else

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
    if (!MayFollowLinks(target)) return false;
    std::error_code ec;
    fs::path path = PathFromUtf8(target);
    // Saving over a link replaces the file it points to, not the link.
    if (fs::is_symlink(fs::symlink_status(path, ec))) {
        const fs::path resolved = fs::weakly_canonical(path, ec);
        if (!ec) path = resolved;
    }
    target_ = Utf8FromPath(path);
    const fs::file_status status = fs::status(path, ec);
    const bool exists = !ec && fs::exists(status);
    direct_ = exists && !fs::is_regular_file(status);
    if (direct_) {
        writingPath_ = target_;
        stream_ = OpenFileUtf8(target_, "wb");
        return stream_ != nullptr;
    }
#ifdef _WIN32
    if (exists && ReadOnlyFile(target_)) {
        writingPath_.clear();
        errno = EACCES;
        return false;
    }
    RemoveLeftOverTemporaries(path);
    stream_ = CreateTemporary(path, writingPath_);
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
    // On the disk before it replaces the old file: a power cut then leaves the
    // old file or the new one, never an empty one.
#ifdef _WIN32
    if (ok && !direct_ &&
        !::FlushFileBuffers(reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream_))))) {
        ok = false;
    }
#else
    if (ok && !direct_ && ::fsync(::fileno(stream_)) != 0) ok = false;
#endif
    if (std::fclose(std::exchange(stream_, nullptr)) != 0) ok = false;
    if (direct_) return ok;
    std::error_code ec;
    if (ok) {
#ifdef _WIN32
        // Fails, leaving the old file, while another program holds the
        // target open without sharing it for deletion.
        ok = ::MoveFileExW(WideFromUtf8(writingPath_).c_str(), WideFromUtf8(target_).c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
        fs::rename(writingPath_, target_, ec);
        ok = !ec;
#endif
    }
    if (!ok) fs::remove(PathFromUtf8(writingPath_), ec);
    return ok;
}

void SafeFile::Abandon() {
    if (stream_ == nullptr) return;
    std::fclose(std::exchange(stream_, nullptr));
    if (!direct_) {
        std::error_code ec;
        fs::remove(PathFromUtf8(writingPath_), ec);
    }
}

bool MayFollowLinks(const std::string& path) {
#ifdef _WIN32
    (void)path;
    return true;
#else
    // As many links as the kernel follows in one name.
    constexpr int kMaxLinks = 40;
    fs::path at(path);
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        struct stat link {};
        if (::lstat(at.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return true;
        const fs::path folder = at.parent_path().empty() ? fs::path(".") : at.parent_path();
        struct stat owner {};
        if (::stat(folder.c_str(), &owner) != 0) return true;  // the open will say why
        const bool shared = (owner.st_mode & S_ISVTX) != 0 && (owner.st_mode & S_IWOTH) != 0;
        if (shared && link.st_uid != ::geteuid() && link.st_uid != owner.st_uid) {
            errno = EACCES;
            return false;
        }
        std::error_code ec;
        const fs::path next = fs::read_symlink(at, ec);
        if (ec) return true;
        at = next.is_absolute() ? next : folder / next;
    }
    return true;  // a loop of links, which the open refuses
#endif
}

bool WriteFileSafely(const std::string& target, std::string_view bytes) {
    SafeFile file;
    return file.Open(target) && file.Write(bytes) && file.Commit();
}

std::FILE* OpenRegularFileForReading(const std::string& path) {
#ifdef _WIN32
    std::error_code ec;
    if (!fs::is_regular_file(PathFromUtf8(path), ec)) return nullptr;
    return OpenFileUtf8(path, "rb");
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
