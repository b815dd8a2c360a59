#include "app/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#ifdef _WIN32
#include <io.h>
#include <windows.h>

#include "app/Utf8Path.h"
#else
#include <unistd.h>
#endif

namespace zvk {

#ifdef _WIN32

int OpenForAppending(const std::string& path) {
    const std::wstring name = WideFromUtf8(path);
    constexpr int kFlags = _O_APPEND | _O_CREAT | _O_BINARY | _O_NOINHERIT;
    int fd = ::_wopen(name.c_str(), _O_RDWR | kFlags, _S_IREAD | _S_IWRITE);
    if (fd < 0 && errno == EACCES)
        fd = ::_wopen(name.c_str(), _O_WRONLY | kFlags, _S_IREAD | _S_IWRITE);
    return fd;
}

bool RegularFileSize(int fd, std::int64_t& size) {
    struct _stat64 st {};
    if (::_fstat64(fd, &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) return false;
    size = st.st_size;
    return true;
}

bool ReadByteAt(int fd, std::int64_t offset, char& byte) {
    // Appends go to the end whatever the position, so moving it is harmless.
    return ::_lseeki64(fd, offset, SEEK_SET) == offset && ::_read(fd, &byte, 1) == 1;
}

std::ptrdiff_t WriteSome(int fd, const char* data, std::size_t size) {
    const unsigned chunk = size > 0x40000000U ? 0x40000000U : static_cast<unsigned>(size);
    return ::_write(fd, data, chunk);
}

bool SyncToDisk(int fd) { return ::_commit(fd) == 0; }

void CloseFile(int fd) { ::_close(fd); }

std::int64_t TellStream(std::FILE* stream) { return ::_ftelli64(stream); }

bool SeekStreamToEnd(std::FILE* stream) { return ::_fseeki64(stream, 0, SEEK_END) == 0; }

LocalTime ToLocalTime(std::time_t seconds) {
    LocalTime local;
    ::localtime_s(&local.fields, &seconds);
    // The offset in force at that moment, summer time included: the local
    // fields read as UTC, less the moment itself. (The runtime's own rule, so
    // that TZ, where it is set, counts as for the fields.)
    std::tm fields = local.fields;
    const std::time_t asUtc = ::_mkgmtime(&fields);
    if (asUtc != -1) local.offsetMinutes = static_cast<long>((asUtc - seconds) / 60);
    return local;
}

#else

int OpenForAppending(const std::string& path) {
    constexpr int kFlags = O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK;
    int fd = ::open(path.c_str(), O_RDWR | kFlags, 0666);
    if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_WRONLY | kFlags, 0666);
    return fd;
}

bool RegularFileSize(int fd, std::int64_t& size) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    size = st.st_size;
    return true;
}

bool ReadByteAt(int fd, std::int64_t offset, char& byte) {
    return ::pread(fd, &byte, 1, static_cast<off_t>(offset)) == 1;
}

std::ptrdiff_t WriteSome(int fd, const char* data, std::size_t size) {
    for (;;) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        return n;
    }
}

bool SyncToDisk(int fd) { return ::fsync(fd) == 0; }

void CloseFile(int fd) { ::close(fd); }

std::int64_t TellStream(std::FILE* stream) { return ::ftello(stream); }

bool SeekStreamToEnd(std::FILE* stream) { return ::fseeko(stream, 0, SEEK_END) == 0; }

LocalTime ToLocalTime(std::time_t seconds) {
    LocalTime local;
    ::localtime_r(&seconds, &local.fields);
    local.offsetMinutes = local.fields.tm_gmtoff / 60;
    return local;
}

#endif

}  // namespace zvk
