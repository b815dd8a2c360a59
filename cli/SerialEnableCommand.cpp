// zvk-cli serial-enable: Device > Enable Serial Program.

#include "cli/Commands.h"
#include "cli/DeviceSession.h"
#include "cli/ImageOptions.h"
#include "link/DeviceCommands.h"

namespace zvk::cli {

int RunSerialEnable(Args args) {
    const auto parsed = ParseArgs(args, DeviceValueOptions({}), DeviceFlagOptions({}));
    if (!parsed) return 2;
    if (!parsed->positional.empty()) return UsageError("serial-enable takes no arguments");
    if (const auto stop = SetUpSession(*parsed)) return *stop;
    if (const auto stop = RequireSerialProgramSwitch()) return *stop;
    MessageWatch watch;
    if (const auto stop = ConnectDevice(*parsed)) return *stop;
    SerialProgramEnableCommand();
    return ExitStatus(!watch.ErrorShown());
}

}  // namespace zvk::cli
