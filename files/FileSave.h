#pragma once
// Saving a stretch of the Flash or the EEPROM buffer (File > Save As) as Intel
// HEX or raw binary. SaveCommand runs the whole command: the Save Buffer
// dialog, the address checks, the file question, creating the file and the
// "Saving..." progress dialog, whose work is FileSaveJob. What to save travels
// as a SaveRequest, which the command builds from its dialog and zvk-cli
// builds from its arguments; the job reads nothing else. HEX output is data
// records of 16 bytes at rising addresses, the last holding the 1 to 17 bytes
// that remain, then the end record. Every write is checked; the file is
// written beside the target and put in its place only when complete, so a
// failed or cancelled save leaves an existing file as it was and no partial
// file behind.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/AppState.h"
#include "app/Job.h"
#include "app/SafeFile.h"
#include "files/FieldDialog.h"
#include "files/FileJob.h"
#include "files/FileLoad.h"

namespace zvk {

// What one save writes: a stretch of a buffer, in a format, to a file.
struct SaveRequest {
    BufferKind buffer = BufferKind::Flash;
    std::uint16_t start = 0;  // first buffer address
    std::uint16_t end = 0;    // last buffer address, inclusive
    bool intelHex = true;     // false: the raw bytes
    std::string path;
};

// What the Save Buffer dialog remembers between saves, for the run of the
// program, not in the settings file.
struct SaveMemorySettings {
    std::uint16_t start = 0;  // first buffer address
    std::uint16_t end = 0;    // last buffer address, inclusive
    std::uint8_t format = 0;  // 0 Intel HEX; any other value binary
    std::string path;         // emptied before each file question
};
SaveMemorySettings& FileSaveSettings();

// The format is the radio button's id minus the Intel HEX button's id.
inline constexpr int kSaveHexRadioId = 1011;
inline constexpr int kSaveBinaryRadioId = 1013;
inline constexpr std::uint8_t kSaveFormatHex = 0;
inline constexpr std::uint8_t kSaveFormatBinary = kSaveBinaryRadioId - kSaveHexRadioId;

// The Save Buffer dialog for the buffer of CurrentBufferKind.
[[nodiscard]] FieldDialog SaveMemoryDialog();

// The request the remembered Save Buffer values make for the buffer, without
// a path.
[[nodiscard]] SaveRequest RememberedSaveRequest(BufferKind buffer);

// The file question asked after the Save Buffer dialog.
struct SaveFileQuestion {
    std::string_view title;
    std::string_view defaultExtension;
    FileFilter filters[2];
};
inline constexpr SaveFileQuestion kSaveHexFileQuestion{
    "Save Memory", "Hex", {{"Hex Files *.Hex", "*.hex"}, {"All Files *.*", "*.*"}}};
inline constexpr SaveFileQuestion kSaveBinaryFileQuestion{
    "Save Memory", "Bin", {{"Binary Files *.Bin", "*.BIN"}, {"All Files *.*", "*.*"}}};

// The address checks made after the Save Buffer dialog; false after the
// message.
[[nodiscard]] bool CheckSaveRange(const SaveRequest& request);

// The saving dialog's end codes.
inline constexpr int kSaveCancelled = 0;
inline constexpr int kSaveDone = 1;
inline constexpr int kSaveWriteFailed = 2;  // "Unable to Write the file" was shown

inline constexpr std::uint32_t kSaveRecordBytes = 16;

// Opens the file for a save that replaces it when committed. On a
// write-protected medium asks "Disk is Write Protected" with Retry and Cancel;
// on any other failure shows "Unable to Write the file". Not open when nothing
// can be written.
[[nodiscard]] SafeFile CreateSaveFile(const std::string& path);

// The "Saving..." dialog's work: writes the request's stretch of its buffer
// to the open file, as much per Step() as fits in kStepBudget, and puts the
// file in place after the last block.
class FileSaveJob final : public Job {
  public:
    FileSaveJob(SafeFile file, SaveRequest request);

    void Start() override;
    [[nodiscard]] StepResult Step() override;
    void Cancel() override;

    [[nodiscard]] const ProgressModel& Model() const { return model_; }

  private:
    bool SaveOneBlock();  // true after the last block
    bool Flush();
    int Discard(int code);

    SafeFile file_;
    SaveRequest request_;
    ProgressModel model_;
    std::uint32_t nextAddress_ = 0;
    std::uint32_t bytesDone_ = 0;
    std::string out_;
    std::optional<int> endCode_;
};

// Runs the saving dialog modally and returns its end code. Empty: the job
// runs to its end at once.
using SaveDialogRunner = std::function<int(FileSaveJob&)>;

// Writes a request whose range has been checked: creates the file, runs the
// job and shows how it ended. True when the file was written completely.
bool RunSave(const SaveRequest& request, const SaveDialogRunner& runSaveDialog = {});

// The range checks, then RunSave: a save without questions (zvk-cli).
bool SaveBuffer(const SaveRequest& request);

// What the desktop program supplies to SaveCommand.
struct SaveFrontEnd {
    FieldDialogRunner runSaveMemoryDialog;
    // Asks for the file; nullopt when the user cancels.
    std::function<std::optional<std::string>(const SaveFileQuestion&)> askSavePath;
    SaveDialogRunner runSaveDialog;
};

// The Save As command for the buffer of CurrentBufferKind. True when the file
// was written completely.
bool SaveCommand(const SaveFrontEnd& frontEnd);

}  // namespace zvk
