// zvk-cli serial-disable: Device > Disable Serial Program.

#include "cli/Commands.h"
#include "cli/DeviceSession.h"
#include "link/DeviceCommands.h"

namespace zvk::cli {

int RunSerialDisable(Args args) {
    return RunSerialSwitch(args, "serial-disable", SerialProgramDisableCommand);
}

}  // namespace zvk::cli
