// zvk-cli check: the device-in-socket check alone; prints the part's signature.

#include <cstdio>

#include "app/DeviceTable.h"
#include "cli/Commands.h"
#include "cli/DeviceSession.h"
#include "link/Protocol.h"

namespace zvk::cli {

int RunCheck(Args args) {
    const auto parsed = ParseArgs(args, DeviceValueOptions({}), DeviceFlagOptions({}));
    if (!parsed) return 2;
    if (!parsed->positional.empty()) return UsageError("check takes no arguments");
    if (const auto stop = SetUpSession(*parsed)) return *stop;
    if (const auto stop = ConnectDevice(*parsed)) return *stop;
    const DeviceInfo& part = SelectedDeviceInfo();
    if ((App().ProgrammingMode & kModeParallel) == 0) {
        // No signature is read in SPI mode; at least the unit must answer.
        if (!CheckProgrammer(App().ProgrammerLink)) return 1;
        std::printf("%.*s: SPI mode, no signature read\n", static_cast<int>(part.PartName.size()),
                    part.PartName.data());
        return ExitStatus(true);
    }
    std::printf("%.*s: signature %02X %02X", static_cast<int>(part.PartName.size()),
                part.PartName.data(), kManufacturerCode, part.DeviceCode);
    if (part.Family == FamilyS5x) std::printf(" %02X", kS5xThirdSignatureByte);
    std::printf("\n");
    return ExitStatus(true);
}

}  // namespace zvk::cli
