#include "app/Settings.h"

#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <optional>

#include "app/AppState.h"
#include "app/DeviceTable.h"
#include "app/HexField.h"
#include "app/SafeFile.h"
#include "app/SettingsLocation.h"

namespace zvk {
namespace {

constexpr std::uint8_t kDefaultPortIndex = 1;  // COM2

// One stored field: where it lives in AppState and how many digits it takes.
struct Field {
    int width;
    std::uint8_t* byte;
    std::uint16_t* word;
};

std::array<Field, 21> Fields(AppState& s) {
    auto b = [](std::uint8_t& v) { return Field{2, &v, nullptr}; };
    auto w = [](std::uint16_t& v) { return Field{4, nullptr, &v}; };
    return {{
        b(s.PortIndex),
        b(s.SelectedDevice),
        w(s.BlankCheckRange.DeviceStart),
        w(s.BlankCheckRange.DeviceEnd),
        b(s.BlankCheckRange.Flags),
        w(s.ProgramRange.DeviceStart),
        w(s.ProgramRange.DeviceEnd),
        w(s.ProgramRange.BufferStart),
        b(s.ProgramRange.Flags),
        w(s.VerifyRange.DeviceStart),
        w(s.VerifyRange.DeviceEnd),
        w(s.VerifyRange.BufferStart),
        b(s.VerifyRange.Flags),
        w(s.ReadRange.DeviceStart),
        w(s.ReadRange.DeviceEnd),
        w(s.ReadRange.BufferStart),
        b(s.ReadRange.Flags),
        b(s.ProgrammingMode),
        b(s.ProtectionOptions),
        b(s.AutoSequence),
        b(s.OptionFlags),
    }};
}

// Values the program never writes must not become table indexes: such a field
// takes the value a missing file would give it.
void ReplaceUnusableValues() {
    auto& s = App();
    if (s.SelectedDevice >= kDeviceCount) s.SelectedDevice = 0;
    if (s.PortIndex >= kComPortCount) s.PortIndex = kDefaultPortIndex;
}

void SetMissingFileDefaults() {
    auto& s = App();
    s.PortIndex = kDefaultPortIndex;
    s.SelectedDevice = 0;
    s.BlankCheckRange = {};
    s.ProgramRange = {};
    s.VerifyRange = {};
    s.ReadRange = {};
    s.ProgrammingMode = kModeParallel;
    s.ProtectionOptions = 0;
    s.AutoSequence = 0;
    s.OptionFlags = 0;
}

}  // namespace

std::string FormatSettings() {
    std::string text;
    for (const Field& f : Fields(App())) {
        char digits[8];
        if (f.width == 2) {
            std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned>(*f.byte));
        } else {
            std::snprintf(digits, sizeof digits, "%04x", static_cast<unsigned>(*f.word));
        }
        text += digits;
    }
    return text;
}

void ApplySettingsText(std::string_view text) {
    std::size_t pos = 0;
    for (const Field& f : Fields(App())) {
        // Like "%02x" / "%04x": white space before a field is skipped, then up to
        // the field's width in hexadecimal digits, at least one.
        while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
        unsigned value = 0;
        int digits = 0;
        while (digits < f.width && pos < text.size() && HexDigitValue(text[pos]) >= 0) {
            value = value * 16 + static_cast<unsigned>(HexDigitValue(text[pos]));
            ++digits;
            ++pos;
        }
        if (digits == 0) break;
        if (f.byte != nullptr) {
            *f.byte = static_cast<std::uint8_t>(value);
        } else {
            *f.word = static_cast<std::uint16_t>(value);
        }
    }
}

void SaveSettings() {
    // A failed write keeps the previous file whole; the settings of this run
    // are then lost, silently.
    static_cast<void>(
        WriteFileSafely(SettingsFilePathForWriting(kSettingsFileName), FormatSettings()));
}

void LoadSettings() {
    // A folder, a device or a read error counts as no file at all.
    if (const auto text = ReadRegularFile(SettingsFilePath(kSettingsFileName))) {
        ApplySettingsText(*text);
    } else {
        SetMissingFileDefaults();
    }
    ReplaceUnusableValues();
    SelectDevice(App().SelectedDevice);
}

}  // namespace zvk
