#pragma once
// The few unbuffered file calls that an append-only log needs, and the local
// time with its offset from UTC, in one form for POSIX systems and Windows
// (there through the wide-character calls, so that UTF-8 names open).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

namespace zvk {

// Opens `path` for appending, creating it (mode 0666 less the umask) when it
// is not there, and for reading when that is allowed. Never blocks on a FIFO.
// -1 with errno set when it cannot be opened.
[[nodiscard]] int OpenForAppending(const std::string& path);

// Whether the open file is a regular file, and its size.
[[nodiscard]] bool RegularFileSize(int fd, std::int64_t& size);

// Reads one byte at `offset` without moving the append position.
[[nodiscard]] bool ReadByteAt(int fd, std::int64_t offset, char& byte);

// Writes what it can: the count written, or -1 with errno set.
[[nodiscard]] std::ptrdiff_t WriteSome(int fd, const char* data, std::size_t size);

// Flushes the file to the disk. False with errno set when that failed.
[[nodiscard]] bool SyncToDisk(int fd);

void CloseFile(int fd);

// The position in a stream and a move to its end, in 64 bits on every system
// (ftell's long is 32 bits on Windows).
[[nodiscard]] std::int64_t TellStream(std::FILE* stream);
[[nodiscard]] bool SeekStreamToEnd(std::FILE* stream);

// The local time of `seconds` and its offset from UTC in minutes.
struct LocalTime {
    std::tm fields{};
    long offsetMinutes = 0;
};
[[nodiscard]] LocalTime ToLocalTime(std::time_t seconds);

}  // namespace zvk
