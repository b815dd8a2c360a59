#include "files/RecentFiles.h"

#include <algorithm>
#include <array>

#include "app/Preferences.h"

namespace zvk {
namespace {

constexpr std::string_view kFlashPrefix = "flash:";
constexpr std::string_view kEepromPrefix = "eeprom:";

std::string Value(const RecentFile& file) {
    return std::string(file.kind == BufferKind::Flash ? kFlashPrefix : kEepromPrefix) + file.path;
}

}  // namespace

std::string RecentFileKey(std::size_t index) { return "recent." + std::to_string(index + 1); }

std::vector<RecentFile> RecentFiles() {
    std::vector<RecentFile> files;
    for (std::size_t i = 0; i < kRecentFileCount; ++i) {
        const std::string value = GetPreference(RecentFileKey(i));
        RecentFile file;
        if (value.starts_with(kFlashPrefix) && value.size() > kFlashPrefix.size()) {
            file = {value.substr(kFlashPrefix.size()), BufferKind::Flash};
        } else if (value.starts_with(kEepromPrefix) && value.size() > kEepromPrefix.size()) {
            file = {value.substr(kEepromPrefix.size()), BufferKind::Eeprom};
        } else {
            continue;
        }
        if (std::find(files.begin(), files.end(), file) == files.end()) files.push_back(file);
    }
    return files;
}

void NoteRecentFile(const RecentFile& file) {
    std::vector<RecentFile> files = RecentFiles();
    std::erase(files, file);
    files.insert(files.begin(), file);
    files.resize(std::min(files.size(), kRecentFileCount));
    std::array<std::string, kRecentFileCount> keys;
    std::array<std::string, kRecentFileCount> values;
    for (std::size_t i = 0; i < kRecentFileCount; ++i) {
        keys[i] = RecentFileKey(i);
        if (i < files.size()) values[i] = Value(files[i]);
    }
    // One write, so that the file never holds the list half moved down. A
    // path zvk.conf cannot hold leaves the list as it was.
    static_assert(kRecentFileCount == 4);
    (void)SetPreferences(
        {{keys[0], values[0]}, {keys[1], values[1]}, {keys[2], values[2]}, {keys[3], values[3]}});
}

}  // namespace zvk
