#include "ops/FileLock.h"

#include <cerrno>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/file.h>
#endif

namespace zvk {

#ifdef _WIN32

namespace {

// The whole file, as far as it may ever grow.
constexpr DWORD kWholeFile = MAXDWORD;

HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(::_get_osfhandle(fd)); }

}  // namespace

FileLock::FileLock(int fd) : fd_(fd) {
    OVERLAPPED from{};
    locked_ =
        HandleOf(fd_) != INVALID_HANDLE_VALUE &&
        ::LockFileEx(HandleOf(fd_), LOCKFILE_EXCLUSIVE_LOCK, 0, kWholeFile, kWholeFile, &from) != 0;
}

FileLock::~FileLock() {
    if (!locked_) return;
    OVERLAPPED from{};
    ::UnlockFileEx(HandleOf(fd_), 0, kWholeFile, kWholeFile, &from);
}

#else

FileLock::FileLock(int fd) : fd_(fd) {
    int result = 0;
    do {
        result = ::flock(fd_, LOCK_EX);
    } while (result != 0 && errno == EINTR);
    locked_ = result == 0;
}

FileLock::~FileLock() {
    if (locked_) ::flock(fd_, LOCK_UN);
}

#endif

}  // namespace zvk
