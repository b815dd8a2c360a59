// zvk-cli settings: the settings file in use and what it holds, in words; the
// values a device command starts from when --port and --part are not given.
// With --port, --part, --spi or --parallel it stores those fields in zvk.dat
// (a headless production machine has no Settings dialog) and keeps the others.

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/AppState.h"
#include "app/DeviceTable.h"
#include "app/Preferences.h"
#include "app/SafeFile.h"
#include "app/Settings.h"
#include "app/SettingsLocation.h"
#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/DeviceSession.h"
#include "link/CommandTable.h"
#include "link/Link.h"
#include "ops/AutoJob.h"
#include "ops/JobSupport.h"

namespace zvk::cli {
namespace {

void PrintRange(const char* name, const OperationRange& range, bool hasBuffer) {
    std::string line = Format("%s range: %04X to %04X", name, range.DeviceStart, range.DeviceEnd);
    if (hasBuffer) line += Format(", buffer from %04X", range.BufferStart);
    if ((range.Flags & kRangeFullDevice) != 0) line += ", Full Device";
    std::printf("%s\n", line.c_str());
}

// The lock levels chosen for the parts with lockLevels levels: "LB1, LB2" or "none".
std::string LockLevels(std::uint8_t lockLevels) {
    std::string text;
    for (std::size_t level = 0; level < lockLevels; ++level) {
        if ((App().ProtectionOptions & LockOptionBit(lockLevels, level)) == 0) continue;
        text += (text.empty() ? "LB" : ", LB") + std::to_string(level + 1);
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

// Stores the fields given in zvk.dat through the safe save. Returns the exit status.
int StoreSettings(const ParsedArgs& parsed) {
    const auto port = parsed.Value("--port");
    std::optional<std::uint8_t> portIndex;
    if (port) {
        portIndex = ParseComName(*port);
        if (!portIndex) {
            return UsageError("--port '" + *port +
                              "': zvk.dat holds COM1 to COM9 ('zvk-cli ports "
                              "--assign COMn DEVICE' gives one a device)");
        }
    }
    const std::string path = SettingsFilePath(kSettingsFileName);
    std::error_code ec;
    // Writing over a file that cannot be read would lose the fields not given.
    if (!ReadRegularFile(path) && std::filesystem::exists(path, ec)) {
        std::fprintf(stderr, "zvk-cli: %s cannot be read; nothing was stored\n", path.c_str());
        return 1;
    }
    LoadSettings();
    if (portIndex) App().PortIndex = *portIndex;
    const std::uint8_t storedMode = App().ProgrammingMode;
    if (const auto stop = ApplyPartAndModeOptions(parsed)) return *stop;
    // A mode not given stays as stored, even where the part runs Parallel anyway.
    if (!parsed.Has("--spi") && !parsed.Has("--parallel")) App().ProgrammingMode = storedMode;
    const std::string target = SettingsFilePathForWriting(kSettingsFileName);
    if (!WriteFileSafely(target, FormatSettings())) {
        std::fprintf(stderr, "zvk-cli: %s could not be written; it stays as it was\n",
                     target.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int RunSettings(Args args) {
    const auto parsed = ParseArgs(args, {"--port", "--part"}, {"--spi", "--parallel"});
    if (!parsed) return 2;
    if (!parsed->positional.empty()) return UsageError("settings takes no arguments");
    if (!parsed->values.empty() || !parsed->flags.empty()) {
        if (const int status = StoreSettings(*parsed); status != 0) return status;
    }

    const std::string path = SettingsFilePath(kSettingsFileName);
    // A folder or a file that cannot be read gives the settings of a first
    // start just as a missing file does; say which of them it is.
    std::error_code ec;
    const char* note = ReadRegularFile(path) ? ""
                       : std::filesystem::exists(path, ec)
                           ? " (unreadable: the settings of a first start)"
                           : " (missing: the settings of a first start)";
    LoadSettings();
    const AppState& s = App();
    std::printf("settings file: %s%s\n", path.c_str(), note);
    std::printf("port: COM%d\n", s.PortIndex + 1);
    const DeviceInfo& part = SelectedDeviceInfo();
    std::printf("part: %.*s\n", static_cast<int>(part.PartName.size()), part.PartName.data());
    // A stored SPI for a part without it is what the file says, not what runs.
    const bool spi = (s.ProgrammingMode & kModeParallel) == 0;
    std::printf("mode: %s\n", !spi              ? "Parallel"
                              : part.SpiCapable ? "SPI"
                                                : "SPI (runs Parallel: this part has no SPI)");
    PrintRange("blank check", s.BlankCheckRange, false);
    PrintRange("program", s.ProgramRange, true);
    PrintRange("verify", s.VerifyRange, true);
    PrintRange("read", s.ReadRange, true);
    std::printf("protection of 40-pin parts: %s\n", LockLevels(3).c_str());
    std::printf("protection of 20-pin parts: %s\n", LockLevels(2).c_str());
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
