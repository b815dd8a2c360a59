#pragma once
// Settings zvk.dat has no field for (the last folder of images, the file last
// loaded into each buffer, production-run choices), in "zvk.conf" beside
// zvk.dat (app/SettingsLocation.h): one "key=value" line each, UTF-8. Keys
// are letters, digits, '.' and '_'; a value is any text but a line end. They
// never go into zvk.dat, whose format other copies of the program read.
//
// Lines this program does not know are kept and written back, so that an
// older and a newer copy can share the file.

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace zvk {

inline constexpr std::string_view kPreferencesFileName = "zvk.conf";

// The value kept for the key, or the fallback when there is none.
[[nodiscard]] std::string GetPreference(std::string_view key, std::string_view fallback = {});

// Keeps the value in memory and writes the file at once through
// WriteFileSafely. When the file cannot be written the value is still kept
// for this run, silently. A value the file cannot hold (a line end, a NUL or
// text that is not UTF-8) is not taken: false, and the old value stays. The
// key must be a valid key.
bool SetPreference(std::string_view key, std::string_view value);

// Several values that belong together, in one write of the file, so that
// it never holds some of them changed and others not: all are taken, or
// none when one of them is a value the file cannot hold (false).
using PreferenceEntry = std::pair<std::string_view, std::string_view>;
bool SetPreferences(std::initializer_list<PreferenceEntry> entries);

// Reads the file, replacing what is in memory; at start-up of both programs,
// once the program directory is known. A missing or unreadable file gives no
// entries; a damaged line is dropped and the others are kept.
void LoadPreferences();

// Whether a text is a valid key.
[[nodiscard]] bool IsPreferenceKey(std::string_view key);

// Every entry in file order, as "key=value" lines with plain line ends.
[[nodiscard]] std::string FormatPreferences();

}  // namespace zvk
