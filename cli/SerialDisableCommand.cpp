// zvk-cli serial-disable: Device > Disable Serial Program.

#include "cli/Commands.h"
#include "cli/DeviceSession.h"
#include "cli/ImageOptions.h"
#include "link/DeviceCommands.h"

namespace zvk::cli {

int RunSerialDisable(Args args) {
    const auto parsed = ParseArgs(args, DeviceValueOptions({}), DeviceFlagOptions({}));
    if (!parsed) return 2;
    if (!parsed->positional.empty()) return UsageError("serial-disable takes no arguments");
    if (const auto stop = SetUpSession(*parsed)) return *stop;
    if (const auto stop = RequireSerialProgramSwitch()) return *stop;
    MessageWatch watch;
    if (const auto stop = ConnectDevice(*parsed)) return *stop;
    SerialProgramDisableCommand();
    return ExitStatus(!watch.ErrorShown());
}

}  // namespace zvk::cli
