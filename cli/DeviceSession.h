#pragma once
// What zvk-cli's device commands share: the options every one of them takes
// (--port, --part, --spi, --parallel, which may also stand before the command
// name), the user's settings from zvk.dat, the programmer port, the
// device-in-socket check, ranges from --from/--to/--buffer-start, and driving
// a device job to its end with a progress bar on a terminal.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "app/Job.h"
#include "app/Messages.h"
#include "cli/Args.h"
#include "ops/JobSupport.h"
#include "ops/OperationRange.h"

namespace zvk::cli {

// The options of every device command, to merge into its own sets.
std::set<std::string_view> DeviceValueOptions(std::set<std::string_view> own);
std::set<std::string_view> DeviceFlagOptions(std::set<std::string_view> own);

// Selects the part of --part (the selected one without it) and applies --spi
// or --parallel, then keeps a part without SPI in Parallel mode. Returns the
// exit status to stop with, or nullopt.
std::optional<int> ApplyPartAndModeOptions(const ParsedArgs& parsed);

// Reads zvk.dat, applies --part and --spi or --parallel (without them the
// mode zvk.dat holds, Parallel for a part without SPI) and allocates the
// buffers. Returns the exit status to stop with, or nullopt to go on.
std::optional<int> SetUpSession(const ParsedArgs& parsed);

// Opens the port of --port (COMn or a device path) or of zvk.dat and runs the
// device-in-socket check, as the desktop program does before every device
// command. Returns the exit status to stop with, or nullopt to go on.
std::optional<int> ConnectDevice(const ParsedArgs& parsed);

// The part whose signature this is (the first and second bytes, and the
// third of a reply that long), or nothing.
[[nodiscard]] std::optional<std::uint8_t> PartOfSignature(
    const std::array<std::uint8_t, 3>& signature, std::uint8_t length);

// Opens the port as ConnectDevice does, without the device check.
std::optional<int> OpenDevicePort(const ParsedArgs& parsed);

// The buffer of --eeprom, else the Flash (a usage error for a part without
// EEPROM).
std::optional<int> SelectBufferKind(const ParsedArgs& parsed, BufferKind& kind);

// Loads an image ("-": standard input) into the buffer of the kind as
// LoadImageArgument does, with --format and --load-at (default 0000).
// Returns the exit status to stop with, or nullopt.
std::optional<int> LoadImage(const ParsedArgs& parsed, const std::string& path, BufferKind kind);

// Runs a Program or Verify over the image loaded into the buffer of the kind:
// the one range of --from, --to and --buffer-start, the whole device with
// --full, and otherwise each stretch the image holds (widened to blocks of
// blockSize), one request after the other while run returns true. Returns the
// exit status to stop with (the options cannot be used, the image holds
// nothing, the unit does not answer), or nullopt once every run has been made.
std::optional<int> RunOverImage(const ParsedArgs& parsed, RangeOperation operation, BufferKind kind,
                                std::uint16_t blockSize,
                                const std::function<bool(const DeviceRangeRequest&)>& run);

// Makes the request of --from, --to and --buffer-start (the buffer start
// defaults to the device start) for the buffer of the kind; without them the
// whole device. The operation's remembered range is only read. A range the
// rules reject has shown why. Returns the exit status to stop with, or nullopt.
std::optional<int> ApplyRangeOptions(const ParsedArgs& parsed, RangeOperation operation,
                                     BufferKind kind, DeviceRangeRequest& request);

// The lock bits (ProtectionOptions bits) of --lock LB1[,LB2[,LB3]] for the
// part's lock class; none without the option. Returns the exit status to stop
// with, or nullopt.
std::optional<int> ReadLockOption(const ParsedArgs& parsed, std::uint8_t& lockBits);

// Prints a Verify or Blank Check list on stdout with plain line ends.
void PrintFindings(const std::string& list);

// serial-enable and serial-disable: the device command that switches serial
// programming, offered only on parts that have the switch, in Parallel mode.
int RunSerialSwitch(Args args, std::string_view name, void (*command)());

// Waits as long as Program gives the chip to erase.
void WaitForErase();

// One line on stderr redrawn in place while stderr is a terminal; nothing
// otherwise. While it exists, a message first empties the line, so that the
// message never runs into a half-drawn bar.
class TerminalLine {
  public:
    TerminalLine();
    ~TerminalLine();
    TerminalLine(const TerminalLine&) = delete;
    TerminalLine& operator=(const TerminalLine&) = delete;
    [[nodiscard]] bool Terminal() const { return terminal_; }
    // "[#####.....]  42% status".
    void Draw(const DeviceProgressModel& model);
    void DrawText(const std::string& text);
    // Leaves the line empty, for a message or the end.
    void Clear();

  private:
    static constexpr std::uint32_t kWidth = 40;
    bool terminal_;
    std::string last_;
    MessagePresenter previous_;
};

// Starts the job and steps it to its end, waiting the pauses it asks for and
// drawing the model's progress on stderr when that is a terminal; the final
// status is printed as "TITLE: status" unless showEnd is false. With -v each
// status the job passes through is printed with its time. Returns the job's
// end code.
//
// With `abandon`, for a job that must not stop half-way (Program, a single
// Auto): the first Ctrl+C, SIGTERM or SIGHUP lets the job finish, a second
// calls abandon, after which the job's next step ends it. A StopSignals made
// around several jobs counts over all of them.
int DriveJob(Job& job, const DeviceProgressModel& model, bool showEnd = true,
             const std::function<void()>& abandon = {});

// The exit status of a device command: 0 when it did what was asked and no
// transfer with the unit has failed since SetUpSession, 1 otherwise.
[[nodiscard]] int ExitStatus(bool succeeded);

}  // namespace zvk::cli
