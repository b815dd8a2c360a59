#pragma once
// The programmer port (ProgrammerLink) and the two byte-moving operations the
// whole programmer protocol rests on: write a block and read a block, each with
// a bounded wait and the link's own messages. Nothing here knows what the bytes
// mean.
//
// How long a read of n bytes takes: it ends when n bytes have come, or
// ReadInterval after the last byte, or ReadPerByte * n + ReadConstant after it
// started, whichever comes first, and then it is LinkDone even with fewer
// bytes (the block keeps its earlier contents where no byte came). The whole
// transfer may take at most WaitBound; when that runs out first it is
// LinkTimedOut. With the defaults, a silent unit ends a read of 1 to 5 bytes as
// done with nothing received, and a read of 6 or more bytes as timed out.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/Clock.h"
#include "link/SerialTransport.h"

namespace zvk {

enum LinkResult : int { LinkFailed = 0, LinkDone = 1, LinkTimedOut = 3 };

// The port's time-outs. The program always uses the defaults; tests may
// shorten them with ScopedLinkTimeouts.
struct LinkTimeouts {
    Clock::Duration ReadInterval{10000};
    Clock::Duration ReadPerByte{1000};
    Clock::Duration ReadConstant{1000};
    // Writes have no time-out of their own: only the wait bound limits them.
    Clock::Duration WaitBound{6000};
};

[[nodiscard]] const LinkTimeouts& CurrentLinkTimeouts();

class ScopedLinkTimeouts {
  public:
    explicit ScopedLinkTimeouts(const LinkTimeouts& timeouts);
    ~ScopedLinkTimeouts();
    ScopedLinkTimeouts(const ScopedLinkTimeouts&) = delete;
    ScopedLinkTimeouts& operator=(const ScopedLinkTimeouts&) = delete;

  private:
    LinkTimeouts previous_;
};

// Makes the transport OpenProgrammerPort opens. The desktop program installs
// the QSerialPort transport at start-up, zvk-cli the termios one; tests
// install their own. Returns the factory it replaces. Without one, no port can be opened.
using TransportFactory = std::function<std::unique_ptr<SerialTransport>()>;
TransportFactory SetTransportFactory(TransportFactory factory);

// Where the device of a COM name was found.
enum class PortSource {
    ProgramDirectory,  // a file or link COMn beside the executable
    SettingsFolder,    // a link COMn in the settings folder (an assignment)
    System,            // the system's own name: /dev/ttyS<n-1>, or COMn on Windows
};

struct ResolvedPort {
    std::string name;  // what the port is opened by
    PortSource source = PortSource::System;
};

// The device of COM1..COM9 (port index 0..8). On Windows "COMn" itself;
// elsewhere, in this order, a file or link named COMn in the program
// directory, a link named COMn in the settings folder, else /dev/ttyS<n-1>.
// A link that points nowhere still counts.
[[nodiscard]] ResolvedPort ResolvePort(std::uint8_t portIndex);
[[nodiscard]] std::string ResolvePortName(std::uint8_t portIndex);

// "COM<portIndex + 1>".
[[nodiscard]] std::string ComName(std::uint8_t portIndex);

// The port index of "COM1".."COM9" in any letter case; nothing for any other
// text.
[[nodiscard]] std::optional<std::uint8_t> ParseComName(std::string_view name);

// Closes the current port, opens and configures COM<portIndex + 1>, and makes
// it ProgrammerLink. Shows "Cannot Establish Communication" when the port
// cannot be opened; one that opens but does not take the line settings is
// none without a message. Returns ProgrammerLink: the port, or none (nullptr).
SerialTransport* OpenProgrammerPort(std::uint8_t portIndex);

// The same for a port named by its device (zvk-cli's --port /dev/ttyUSB0),
// except that a port that does not take the line settings also shows
// "Cannot Establish Communication".
SerialTransport* OpenProgrammerDevice(const std::string& device);

// Closes ProgrammerLink and sets it to none.
void CloseProgrammerPort();

// True when ProgrammerLink is none, has failed a transfer with the link's
// "Serial port communication error!", or its device has gone (a virtual unit
// restarted, an adapter unplugged). The status bar shows such a port as in
// error.
[[nodiscard]] bool ProgrammerPortInError();

// True when ProgrammerLink must be opened again to reach COM<portIndex + 1>:
// it is in error, or it is another port, or the name now leads to another
// device than the one open (a link made again, an assignment changed while
// the program runs). Devices are told apart by what they are (device and
// inode numbers), not by their names.
[[nodiscard]] bool ProgrammerPortStale(std::uint8_t portIndex);

// Opens COM<portIndex + 1> again when ProgrammerPortStale says so, once and
// without a message. True when ProgrammerLink is then a working port.
bool RefreshProgrammerPort(std::uint8_t portIndex);

// Run on a port just opened, before its first exchange. Bytes of an exchange
// that another program began and did not finish (it was killed in the middle
// of a read, say) may still be on their way after the purge, and would be
// taken for the answer to our first command. Reads and drops whatever comes
// until the line has been quiet for kQuietLine, then purges; gives up waiting
// after kQuietLineBound, so that a unit that never stops talking cannot hold
// the program.
inline constexpr Clock::Duration kQuietLine{150};
inline constexpr Clock::Duration kQuietLineBound{2000};
void LetLineFallQuiet(SerialTransport* port);

// Discards everything pending on the port: what has come in and not been
// read. Transfers never outlive their call, so nothing of ours is pending on
// the way out. Nothing for a port that is none.
void PurgePort(SerialTransport* port);

// Raw transfers. LinkWriteRaw shows nothing; LinkReadRaw shows "Time out
// error" when the wait bound runs out.
[[nodiscard]] LinkResult LinkWriteRaw(SerialTransport* port, const std::uint8_t* block,
                                      std::size_t count);
[[nodiscard]] LinkResult LinkReadRaw(SerialTransport* port, std::uint8_t* block, std::size_t count);

// LinkReadRaw that also tells how many bytes came.
[[nodiscard]] LinkResult LinkReadCounted(SerialTransport* port, std::uint8_t* block,
                                         std::size_t count, std::size_t& received);

// The transfers with the link's messages: true when done.
bool LinkWrite(SerialTransport* port, const std::uint8_t* block, std::size_t count);
bool LinkRead(SerialTransport* port, std::uint8_t* block, std::size_t count);

// A read of chip data, which is worth something only whole: true when all
// count bytes came. Otherwise it has shown the link's message as LinkRead
// does; a read that the port's own time-outs ended with fewer bytes is a read
// time-out too ("Read Time out error in serial communication!"), though the
// raw transfer counts it as done. The block keeps its earlier contents where
// no byte came.
[[nodiscard]] bool LinkReadBlock(SerialTransport* port, std::uint8_t* block, std::size_t count);

// The link's message for a port that failed ("Serial port communication
// error!"), for a raw transfer whose caller judges only its other results;
// counted as LinkWrite and LinkRead count theirs.
void ReportPortFailure();

// Another failure of the link, in its own words: shown as the link's messages
// are (caption "ERROR") and counted with them.
void ReportLinkFailure(const char* text);

// How many transfers have failed with the link's message (LinkWrite, LinkRead,
// LinkReadBlock, ReportPortFailure) since the program started.
[[nodiscard]] std::uint64_t LinkFailureCount();

// Tells whether a transfer has failed with the link's message since the watch
// was made: an operation that has seen one must not go on as if the unit had
// answered, and zvk-cli must not report it as a success.
class LinkFailureWatch {
  public:
    LinkFailureWatch() : start_(LinkFailureCount()) {}
    [[nodiscard]] bool Failed() const { return LinkFailureCount() != start_; }

  private:
    std::uint64_t start_;
};

}  // namespace zvk
