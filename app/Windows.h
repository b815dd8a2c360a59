#pragma once
// The core's view of the desktop program's windows: opaque handles, and the
// private commands the buffer windows understand. The desktop program installs
// the function that delivers a command to a window; without it (zvk-cli, tests
// of the core) commands go nowhere, or to whatever a test installs.

#include <functional>

namespace zvk {

using WindowHandle = void*;

// Private window commands of the buffer windows.
inline constexpr int kCmdLocate = 114;       // ask for an address and scroll there
inline constexpr int kCmdResetScroll = 115;  // reset the vertical scroll range

using CommandSender = std::function<void(WindowHandle window, int command)>;

// Installs the sender; returns the one it replaces.
CommandSender SetCommandSender(CommandSender sender);

// Delivers a command to a window; a window that is not open (null) is skipped.
void SendCommand(WindowHandle window, int command);

}  // namespace zvk
