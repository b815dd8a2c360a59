#pragma once
// Loading a file into the Flash or the EEPROM buffer (File > Load File). A
// name ending in ".hex", ".ihx" or ".ihex" (any case) is read as Intel HEX,
// any other file as a raw binary image placed at a start address that the
// caller is asked for.
// LoadFileCommand runs the whole command; FileLoadJob is the work behind the
// "Loading..." progress dialog; ReadFileChunk and ParseHexRecord are its steps.
// Every byte loaded is marked OriginFile. LoadDetails lists the address ranges
// loaded, one fixed-width entry each, for the details dialog.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/AppState.h"
#include "app/Job.h"
#include "files/FileJob.h"

namespace zvk {

enum class LoadMode { Hex, Binary };

// The loading dialog's end codes.
inline constexpr int kLoadStopped = 0;
inline constexpr int kLoadDone = 1;
inline constexpr int kLoadBufferEnd = 2;  // stopped at the buffer's end

// A binary file is read this many bytes at a time.
inline constexpr std::size_t kBinaryChunk = 140;

// The extensions read as Intel HEX, in any letter case. sdcc writes ".ihx"
// by default and some tools ".ihex"; taking them for binary would load the
// record text itself into the buffer.
inline constexpr std::string_view kHexFileExtensions[] = {".HEX", ".IHX", ".IHEX"};

// The open-file dialog the frame shows before LoadFileCommand. A pattern may
// hold several globs separated by blanks.
struct FileFilter {
    std::string_view label;
    std::string_view pattern;
};
inline constexpr std::string_view kLoadFileDialogTitle = "Load File";
inline constexpr FileFilter kLoadFileFilters[] = {
    {"Intel Hex Files *.Hex", "*.HEX *.IHX *.IHEX"},
    {"Binary Files *.Bin", "*.BIN"},
    {"All Files", "*"},  // any other name loads as binary
};

// The state of one load, from the dialog's start to its end. Addresses are
// kept wide so that nothing a record places past 0xFFFF wraps into the buffer.
struct LoadState {
    BufferKind buffer = BufferKind::Flash;  // where the bytes go
    std::uint64_t fileSize = 0;
    LoadMode mode = LoadMode::Hex;
    std::uint64_t bytesRead = 0;
    std::uint16_t binaryStart = 0;   // binary: where the file starts
    std::uint32_t loadAddress = 0;   // binary: address of the next byte
    std::uint32_t base = 0;          // HEX: added to each record's offset
    std::uint32_t segmentStart = 0;  // HEX: the stretch being loaded now
    std::uint32_t nextAddress = 0;
    bool started = false;
    bool overflow = false;  // a byte fell beyond the buffer
    std::string LoadDetails;
    std::vector<bool> loaded;  // by address: a byte was stored there
};

// The width of a details entry: "%04XH to %04XH" and blanks that make each
// entry wrap onto its own line in the details box. The entry written at the
// end-of-file record is the shorter one.
inline constexpr std::size_t kDetailsEntryWidth = 26;
inline constexpr std::size_t kDetailsLastEntryWidth = 24;

// The entries of LoadDetails without their blanks ("0100H to 010FH").
[[nodiscard]] std::vector<std::string> LoadDetailsEntries(std::string_view details);

// True for a name whose extension is one of kHexFileExtensions, in any
// letter case: the one rule that tells an Intel HEX file from a binary one.
[[nodiscard]] bool IsHexFileName(std::string_view path);

// A file read through a large buffer, one byte or one block at a time.
class FileReader {
  public:
    explicit FileReader(FileHandle file);
    [[nodiscard]] int Get();  // the next byte, or EOF
    std::size_t Read(char* out, std::size_t count);
    void Close() { file_.reset(); }
    [[nodiscard]] std::FILE* Handle() const { return file_.get(); }
    // True once a read failed: what came before EOF was not the whole file.
    [[nodiscard]] bool Failed() const { return failed_; }

  private:
    bool Fill();
    FileHandle file_;
    bool failed_ = false;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
};

// The longest line a record can make: ':', then the count, address, type,
// 255 data bytes and the checksum as two digits each.
inline constexpr std::size_t kLongestHexLine = 1 + 2 * (1 + 2 + 1 + 255 + 1);

// Reads the next chunk into block and returns the number of bytes it counts.
// After a read error (file.Failed()) the chunk is not to be used.
// Binary: up to limit bytes. HEX: one line; its line feed ends it and is
// neither stored nor counted, a carriage return before it is both. An empty
// line therefore counts 0, like the end of the file. A line that grows past
// the longest record and a carriage return is cut there, so that a file with
// no line ends is not read whole into memory; HexLineTooLong tells it.
std::size_t ReadFileChunk(FileReader& file, LoadMode mode, std::string& block, std::size_t limit);

// Whether a HEX line (as ReadFileChunk gives it) is longer than any record.
[[nodiscard]] bool HexLineTooLong(std::string_view line);

enum class RecordResult {
    EndOfFile = 0,  // the end record: loading is done
    GoOn = 1,
    BeyondBuffer = 2,  // a byte fell beyond the last address of the buffer
    Invalid = 3,       // a digit is not hexadecimal, or the checksum does not match
};

// Acts on one line that starts with ':' for the state's buffer:
// stores data records, takes the base from extended segment (02) and extended
// linear (04) records, skips other types, and appends the details entries.
[[nodiscard]] RecordResult ParseHexRecord(std::string_view line, LoadState& state);

// What the "File Loading Details" dialog shows after a load that was not
// stopped: its headline and LoadDetails.
struct LoadDetailsModel {
    std::string headline;
    std::string details;
};

// Asked in binary mode for the start address; nullopt means the user declined.
using StartAddressQuestion = std::function<std::optional<std::uint16_t>()>;

// What one load does.
struct LoadRequest {
    BufferKind buffer = BufferKind::Flash;
    std::string path;
    // HEX or binary whatever the name says (zvk-cli's --format, or a HEX file
    // recognised by its content). Empty: the name decides.
    std::optional<LoadMode> mode;
    // Where a binary file starts. Empty: the start address question is asked.
    std::optional<std::uint16_t> binaryStart;
    bool clearFirst = false;  // the buffer is cleared before the file is read
};

// The request of Load File: SelectedFileName into the buffer of
// CurrentBufferKind, cleared first when OptionFlags bit 0 is set.
[[nodiscard]] LoadRequest RememberedLoadRequest();

// The "Loading..." dialog's work: reads the open file of the request into
// the request's buffer. Start() may ask the start address question and finish
// the job at once when it is declined; each Step() then loads as many lines
// or chunks as fit in kStepBudget.
class FileLoadJob final : public Job {
  public:
    FileLoadJob(FileHandle file, LoadRequest request, StartAddressQuestion askStartAddress);

    void Start() override;
    [[nodiscard]] StepResult Step() override;
    void Cancel() override;

    [[nodiscard]] const ProgressModel& Model() const { return model_; }
    [[nodiscard]] const LoadState& State() const { return state_; }
    // The details dialog's content once the job has finished: its headline
    // names an overflow rather than claiming success.
    [[nodiscard]] LoadDetailsModel Details() const;
    // True when the start address question was declined: nothing was loaded.
    [[nodiscard]] bool Declined() const { return declined_; }

  private:
    std::optional<int> LoadOneChunk();
    int End(int code);

    FileReader file_;
    LoadRequest request_;
    StartAddressQuestion askStartAddress_;
    ProgressModel model_;
    LoadState state_;
    std::string block_;
    std::optional<int> endCode_;
    bool declined_ = false;
};

// What the desktop program (or zvk-cli) supplies to a load.
struct LoadFrontEnd {
    // Asked when the request has no binary start.
    StartAddressQuestion askStartAddress;
    // Runs the loading dialog modally and returns its end code. Empty: the
    // job runs to its end at once.
    std::function<int(FileLoadJob&)> runLoadDialog;
    // Shows the details dialog. Empty: not shown.
    std::function<void(const LoadDetailsModel& details)> showDetails;
    // The desktop program's loads become the load File > Reload repeats,
    // remembered across runs (files/Reload.h).
    bool rememberForReload = false;
};

// Loads the request's file into its buffer, clearing the buffer first when
// it says so, and refreshes the buffer windows. Only a regular file is
// opened: a folder, FIFO, socket or device is refused at once like a missing
// file. Returns the loading dialog's end code (kLoadStopped also when the
// file cannot be opened). A read error part way stops the load as "Illegal
// File End.". A load that ran, whatever its end, is recorded for Reload and
// for the changed-file question (files/Reload.h), and a binary one leaves its
// start address in EnteredAddress, the start address question's next answer.
int LoadFile(const LoadRequest& request, const LoadFrontEnd& frontEnd);

// Load File: LoadFile of RememberedLoadRequest().
int LoadFileCommand(const LoadFrontEnd& frontEnd);

}  // namespace zvk
