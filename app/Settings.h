#pragma once
// zvk.dat in the settings folder (app/SettingsLocation.h): 21 fixed-width lower-case hexadecimal
// fields, 64 characters with no separator and no line end. It keeps the port, the part, the four
// remembered ranges, the mode, the protection choices, the auto steps and the options across runs.

#include <string>
#include <string_view>

namespace zvk {

inline constexpr std::string_view kSettingsFileName = "zvk.dat";

// Writes the file whole or not at all: a failed write leaves the previous
// file as it was. A file that cannot be written is skipped silently.
void SaveSettings();

// Reads the file into AppState and sets FlashLastAddress. A missing file gives
// the defaults, as does one that cannot be read (a folder, a device, a read
// error); a short or damaged one keeps the fields read before the damage.
void LoadSettings();

// The 64-character text SaveSettings writes.
[[nodiscard]] std::string FormatSettings();

// Applies a settings text as LoadSettings does for an existing file.
void ApplySettingsText(std::string_view text);

}  // namespace zvk
