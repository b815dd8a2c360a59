#pragma once
// zvk-unit-sim's front end: the virtual unit on a pseudo-terminal. The host
// opens the terminal's slave side (directly, or through the link), and may
// close and reopen it as often as it likes: the unit keeps a slave descriptor
// of its own open, so the line never hangs up.

#include <string>

#include "sim/UnitLine.h"

namespace zvk::sim {

struct PtyOptions {
    std::string LinkPath;  // a symbolic link to create to the terminal; empty: none
    unsigned Baud = 0;     // emulate the wire time of each byte (10 bits); 0: no delay
    // A FIFO to create that takes the socket commands (sim/SocketControl.h); empty: none.
    std::string SocketControlPath;
};

// Serves the host until SIGTERM or SIGINT, then removes the link. Prints the
// terminal's name on stdout once it is ready. Returns the exit status.
int RunPtyUnit(UnitLine& line, const PtyOptions& options);

}  // namespace zvk::sim
