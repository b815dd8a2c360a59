#pragma once
// The real serial port, through QSerialPort: COM ports on Windows, tty devices
// and pseudo-terminals elsewhere. Install it with
// SetTransportFactory(MakeQtSerialTransport). It needs a QCoreApplication.

#include <memory>

#include "link/SerialTransport.h"

namespace zvk {

[[nodiscard]] std::unique_ptr<SerialTransport> MakeQtSerialTransport();

}  // namespace zvk
