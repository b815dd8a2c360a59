// zvk-cli settings: the settings file in use and what it holds, in words; the
// values a device command starts from when --port and --part are not given.

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/AppState.h"
#include "app/DeviceTable.h"
#include "app/Preferences.h"
#include "app/Settings.h"
#include "app/SettingsLocation.h"
#include "cli/Args.h"
#include "cli/Commands.h"
#include "ops/AutoJob.h"

namespace zvk::cli {
namespace {

std::string Hex4(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value));
    return text;
}

void PrintRange(const char* name, const OperationRange& range, bool hasBuffer) {
    std::string line =
        std::string(name) + " range: " + Hex4(range.DeviceStart) + " to " + Hex4(range.DeviceEnd);
    if (hasBuffer) line += ", buffer from " + Hex4(range.BufferStart);
    if ((range.Flags & kRangeFullDevice) != 0) line += ", Full Device";
    std::printf("%s\n", line.c_str());
}

// The lock levels chosen for one family of parts: "LB1, LB2" or "none".
std::string LockLevels(std::initializer_list<std::uint8_t> bits) {
    std::string text;
    int level = 1;
    for (const std::uint8_t bit : bits) {
        if ((App().ProtectionOptions & bit) != 0) {
            text += (text.empty() ? "LB" : ", LB") + std::to_string(level);
        }
        ++level;
    }
    return text.empty() ? "none" : text;
}

template <typename Items, typename Bit, typename Text>
std::string ChosenOf(std::uint8_t flags, const Items& items, Bit bit, Text text) {
    std::string list;
    for (const auto& item : items) {
        if ((flags & bit(item)) == 0) continue;
        if (!list.empty()) list += ", ";
        list += text(item);
    }
    return list.empty() ? "none" : list;
}

}  // namespace

int RunSettings(Args args) {
    const auto parsed = ParseArgs(args, {}, {});
    if (!parsed) return 2;
    if (!parsed->positional.empty()) return UsageError("settings takes no arguments");

    const std::string path = SettingsFilePath(kSettingsFileName);
    std::error_code ec;
    const bool exists = std::filesystem::exists(path, ec);
    LoadSettings();
    const AppState& s = App();
    std::printf("settings file: %s%s\n", path.c_str(),
                exists ? "" : " (missing: the settings of a first start)");
    std::printf("port: COM%d\n", s.PortIndex + 1);
    const DeviceInfo& part = SelectedDeviceInfo();
    std::printf("part: %.*s\n", static_cast<int>(part.PartName.size()), part.PartName.data());
    std::printf("mode: %s\n", (s.ProgrammingMode & kModeParallel) != 0 ? "Parallel" : "SPI");
    PrintRange("blank check", s.BlankCheckRange, false);
    PrintRange("program", s.ProgramRange, true);
    PrintRange("verify", s.VerifyRange, true);
    PrintRange("read", s.ReadRange, true);
    std::printf("protection of 40-pin parts: %s\n",
                LockLevels({kProtect3Lb1, kProtect3Lb2, kProtect3Lb3}).c_str());
    std::printf("protection of 20-pin parts: %s\n",
                LockLevels({kProtect2Lb1, kProtect2Lb2}).c_str());
    std::printf("auto steps: %s\n",
                ChosenOf(
                    s.AutoSequence, kAutoSteps, [](const AutoStepInfo& i) { return i.bit; },
                    [](const AutoStepInfo& i) { return std::string(i.settingsText); })
                    .c_str());
    std::printf("options: %s\n",
                ChosenOf(
                    s.OptionFlags, kOptionTexts, [](const OptionText& o) { return o.bit; },
                    [](const OptionText& o) { return std::string(o.text); })
                    .c_str());

    const std::string preferences = FormatPreferences();
    std::printf("other settings: %s%s\n", SettingsFilePath(kPreferencesFileName).c_str(),
                preferences.empty() ? " (none)" : "");
    std::size_t from = 0;
    while (from < preferences.size()) {
        const std::size_t end = preferences.find('\n', from);
        std::printf("  %s\n", preferences.substr(from, end - from).c_str());
        from = end + 1;
    }
    return 0;
}

}  // namespace zvk::cli
