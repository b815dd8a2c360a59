// zvk-cli serial-enable: Device > Enable Serial Program.

#include "cli/Commands.h"
#include "cli/DeviceSession.h"
#include "link/DeviceCommands.h"

namespace zvk::cli {

int RunSerialEnable(Args args) {
    return RunSerialSwitch(args, "serial-enable", SerialProgramEnableCommand);
}

}  // namespace zvk::cli
