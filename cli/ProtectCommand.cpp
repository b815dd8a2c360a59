// zvk-cli protect: Device > Protect with the lock levels given by --lock.

#include "cli/Commands.h"
#include "cli/DeviceSession.h"
#include "cli/ImageOptions.h"
#include "link/DeviceCommands.h"

namespace zvk::cli {

int RunProtect(Args args) {
    const auto parsed = ParseArgs(args, DeviceValueOptions({"--lock"}), DeviceFlagOptions({}));
    if (!parsed) return 2;
    if (!parsed->positional.empty()) return UsageError("protect takes no arguments");
    if (const auto stop = SetUpSession(*parsed)) return *stop;
    std::uint8_t lockBits = 0;
    if (const auto stop = ReadLockOption(*parsed, lockBits)) return *stop;
    MessageWatch watch;
    if (const auto stop = ConnectDevice(*parsed)) return *stop;
    ProtectCommand(lockBits);
    return ExitStatus(!watch.ErrorShown());
}

}  // namespace zvk::cli
