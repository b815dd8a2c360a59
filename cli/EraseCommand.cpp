// zvk-cli erase: Device > Erase.

#include "cli/Commands.h"
#include "cli/DeviceSession.h"
#include "cli/ImageOptions.h"
#include "link/DeviceCommands.h"

namespace zvk::cli {

int RunErase(Args args) {
    const auto parsed = ParseArgs(args, DeviceValueOptions({}), DeviceFlagOptions({}));
    if (!parsed) return 2;
    if (!parsed->positional.empty()) return UsageError("erase takes no arguments");
    if (const auto stop = SetUpSession(*parsed)) return *stop;
    MessageWatch watch;
    if (const auto stop = ConnectDevice(*parsed)) return *stop;
    EraseCommand();
    if (watch.ErrorShown()) return 1;
    // The unit does not say when the erase is over; give it the time Program
    // gives it, so that the next command finds the chip erased.
    WaitForErase();
    return ExitStatus(true);
}

}  // namespace zvk::cli
