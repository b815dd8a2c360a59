#pragma once
// The serial port on Windows through the Win32 calls, without Qt: zvk-cli
// and the desktop program use it there. Install it with
// SetTransportFactory(MakeWin32SerialTransport).
//
// The port is opened by its system name ("COM3", or a full "\\.\COM12"),
// not shared with any other program, until Close.

#include <memory>
#include <string>

#include "link/SerialTransport.h"

namespace zvk {

[[nodiscard]] std::unique_ptr<SerialTransport> MakeWin32SerialTransport();

// "\\.\COMn" for a bare COM name, so that COM10 and above open as well; any
// other name as it is.
[[nodiscard]] std::string Win32DeviceName(const std::string& name);

}  // namespace zvk
