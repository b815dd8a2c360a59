#pragma once
// File > recent files: the last files the desktop program loaded, each with
// the buffer it went into, newest first, kept in zvk.conf so that they are
// there after a restart. One entry per file and buffer: loading it again
// moves it to the top.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "app/AppState.h"

namespace zvk {

struct RecentFile {
    std::string path;
    BufferKind kind = BufferKind::Flash;
    bool operator==(const RecentFile&) const = default;
};

inline constexpr std::size_t kRecentFileCount = 4;

// The keys in zvk.conf, "recent.1" (newest) to "recent.4". A value is
// "flash:" or "eeprom:" followed by the path.
[[nodiscard]] std::string RecentFileKey(std::size_t index);

// The entries, newest first; damaged or empty ones are left out.
[[nodiscard]] std::vector<RecentFile> RecentFiles();

// Puts the file at the top of the list (dropping its older entry and the
// oldest beyond kRecentFileCount) and writes zvk.conf at once. A path that
// zvk.conf cannot hold is not listed.
void NoteRecentFile(const RecentFile& file);

}  // namespace zvk
