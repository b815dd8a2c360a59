#pragma once
// The real serial port through termios, without Qt: tty devices, USB serial
// adapters and pseudo-terminals. zvk-cli uses it, so that a headless machine
// needs no Qt libraries; the desktop program keeps QSerialPort. Install it
// with SetTransportFactory(MakePosixSerialTransport).
//
// The port is held exclusively (TIOCEXCL, and an flock that holds even against
// root, whom TIOCEXCL lets through) until Close, or until SIGINT, SIGTERM,
// SIGHUP or SIGQUIT ends the process: where those would end it anyway, the
// transport clears its mark on the way out.

#include <memory>

#include "link/SerialTransport.h"

namespace zvk {

[[nodiscard]] std::unique_ptr<SerialTransport> MakePosixSerialTransport();

// USB-serial adapters otherwise hold every answer for up to 16 ms, and
// programming waits for an answer after every byte. Both transports ask for
// it on the open port; drivers without the mode refuse, which is fine.
void RequestLowLatency(int fd);

// True when the tty behind fd has hung up; looks without waiting.
[[nodiscard]] bool TtyHungUp(int fd);

}  // namespace zvk
