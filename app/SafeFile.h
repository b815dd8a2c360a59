#pragma once
// Writing a user's file so that a failure never destroys what was there, and
// opening a user's input only when it is a file that can be read to its end.
//
// A regular (or not yet existing) target is written to a temporary file in the
// same folder, which is renamed over the target only after every write, the
// flush and the close succeeded. Until then the target is untouched, also when
// the process dies in the middle. A target that is not a regular file (a
// terminal, a FIFO, /dev/null) is written directly and never removed. An
// existing file that this user may not write is refused, as opening it would
// be, and so is a link that another user planted in a shared folder
// (MayFollowLinks).

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace zvk {

class SafeFile {
  public:
    SafeFile() = default;
    ~SafeFile();
    SafeFile(const SafeFile&) = delete;
    SafeFile& operator=(const SafeFile&) = delete;
    SafeFile(SafeFile&& other) noexcept;
    SafeFile& operator=(SafeFile&& other) noexcept;

    // Opens `target` for writing in binary mode. False when it cannot be
    // written; errno then tells why (EROFS for a read-only file system).
    [[nodiscard]] bool Open(const std::string& target);

    // Appends bytes. False when they could not all be handed to the stream.
    [[nodiscard]] bool Write(const void* data, std::size_t size);
    [[nodiscard]] bool Write(std::string_view text) { return Write(text.data(), text.size()); }

    // Flushes, closes and puts the written file in place, keeping an existing
    // target's permissions. False when anything failed since Open; the
    // temporary file is then removed and the target is as it was.
    [[nodiscard]] bool Commit();

    // Drops what was written: the temporary file is removed, the target stays
    // as it was. Nothing happens when nothing is open.
    void Abandon();

    [[nodiscard]] bool IsOpen() const { return stream_ != nullptr; }

    // The path the bytes go to now: the temporary file, or the target itself
    // when it is written directly.
    [[nodiscard]] const std::string& WritingPath() const { return writingPath_; }

  private:
    std::FILE* stream_ = nullptr;
    std::string target_;       // the file the user named, symbolic links resolved
    std::string writingPath_;  // temporary file, or target_ when written directly
    bool direct_ = false;
    bool failed_ = false;
};

// The kernel's protected_symlinks rule, applied by the program itself because
// a system may have it turned off: a link in a folder that is sticky and
// writable by everyone (/tmp) is followed only when it belongs to this user or
// to the folder's owner. Otherwise another user could plant a link there that
// turns a save or a log into a write to one of this user's files. Every link
// of a chain at `path` is looked at. False (errno EACCES) when a link must not
// be followed; true on Windows, which has no such folders.
[[nodiscard]] bool MayFollowLinks(const std::string& path);

// Writes `bytes` as the whole new content of `target` through a SafeFile.
[[nodiscard]] bool WriteFileSafely(const std::string& target, std::string_view bytes);

// Opens an input for binary reading only when it is a regular file (after
// following links): folders, FIFOs, sockets and devices give nullptr at once,
// without blocking, as does a file that cannot be opened.
[[nodiscard]] std::FILE* OpenRegularFileForReading(const std::string& path);

// The whole of a regular file opened as above, or nullopt when it cannot be
// opened or a read fails part way: a part of a file cannot be told from a
// short file.
[[nodiscard]] std::optional<std::string> ReadRegularFile(const std::string& path);

}  // namespace zvk
