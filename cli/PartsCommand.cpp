// zvk-cli parts: every part the programmer knows, by the name the desktop's
// Select Device dialog shows and by its full name (--part takes either), with
// the sizes of its memories and its programming modes.

#include <cstdio>
#include <string>

#include "app/AppState.h"
#include "app/DeviceTable.h"
#include "cli/Args.h"
#include "cli/Commands.h"

namespace zvk::cli {

int RunParts(Args args) {
    const auto parsed = ParseArgs(args, {}, {});
    if (!parsed) return 2;
    if (!parsed->positional.empty()) return UsageError("parts takes no arguments");
    std::printf("%-10s %-11s %6s %6s  %s\n", "NAME", "PART", "FLASH", "EEPROM", "MODES");
    for (const DeviceInfo& part : DeviceTable) {
        const std::string eeprom = part.HasEeprom ? std::to_string(kEepromBufferSize) : "-";
        std::printf("%-10.*s %-11.*s %6u %6s  %s\n", static_cast<int>(part.DialogLabel.size()),
                    part.DialogLabel.data(), static_cast<int>(part.PartName.size()),
                    part.PartName.data(), static_cast<unsigned>(part.FlashSize), eeprom.c_str(),
                    part.SpiCapable ? "Parallel, SPI" : "Parallel");
    }
    return 0;
}

}  // namespace zvk::cli
