#pragma once
// The byte pipe to the programmer unit. The link (Link.h) builds its time-out
// rules and messages on top of these few calls; the desktop program uses the
// QSerialPort transport, zvk-cli the termios one (QSerialPort on Windows), the
// fast tests one wired straight to the virtual unit.
//
// Every call is synchronous: when Write or Read returns, nothing of that
// transfer is still pending, so the caller's block is never touched afterwards
// and a later Purge cannot cut a command short.

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/Clock.h"

namespace zvk {

class SerialTransport {
  public:
    virtual ~SerialTransport() = default;

    // Opens the named device for reading and writing, not shared with other
    // programs. False when it cannot be opened.
    [[nodiscard]] virtual bool Open(const std::string& name) = 0;

    // 38400 baud, 8 data bits, no parity, 1 stop bit, DTR and RTS off, and
    // 1024-byte queues where the platform lets us size them. False when the
    // line settings cannot be applied.
    [[nodiscard]] virtual bool Configure() = 0;

    // Discards everything pending: whatever has come in and not been read.
    // Bytes of a write that has returned are not pending: they were handed to
    // the port in full and go out.
    virtual void Purge() = 0;

    // Writes the block, waiting at most `timeout` for it to leave. Returns the
    // number of bytes written (bytes that could not go in time are discarded),
    // or -1 on a failure of the port.
    [[nodiscard]] virtual std::ptrdiff_t Write(const std::uint8_t* data, std::size_t count,
                                               Clock::Duration timeout) = 0;

    // Reads up to count bytes. Returns as soon as at least one byte is there,
    // with as many as have arrived; returns 0 once `timeout` has passed with
    // nothing; -1 on a failure of the port.
    [[nodiscard]] virtual std::ptrdiff_t Read(std::uint8_t* data, std::size_t count,
                                              Clock::Duration timeout) = 0;

    virtual void Close() = 0;

    // True when the device has gone from under the open port: the other end
    // of a pseudo-terminal closed, an adapter unplugged. Only looks; a
    // transport that cannot tell says false, and its next transfer fails.
    [[nodiscard]] virtual bool HungUp() const { return false; }
};

}  // namespace zvk
