#include "files/FileSave.h"

#include <array>
#include <cerrno>
#include <system_error>
#include <utility>

#include "app/AppState.h"
#include "app/Buffers.h"
#include "app/Clock.h"
#include "app/Messages.h"
#include "files/IntelHex.h"

namespace zvk {
namespace {

constexpr std::array<DialogFieldLayout, 2> kSaveFields{{
    {1014, "S&tarting Address", 4},
    {1015, "&Ending Address", 4},
}};

void ReadBuffer(BufferKind buffer, std::uint32_t address, std::uint8_t* out, std::uint32_t count) {
    const auto a = static_cast<std::uint16_t>(address);
    const auto n = static_cast<std::uint16_t>(count);
    if (buffer == BufferKind::Flash) {
        CopyFlashOut(a, out, n);
    } else {
        CopyEepromOut(a, out, n);
    }
}

}  // namespace

SaveMemorySettings& FileSaveSettings() {
    static SaveMemorySettings settings;
    return settings;
}

FieldDialog SaveMemoryDialog() {
    SaveMemorySettings& settings = FileSaveSettings();
    FieldDialog dialog;
    dialog.title =
        App().CurrentBufferKind == BufferKind::Flash ? "Save Flash Buffer" : "Save EEPROM Buffer";
    dialog.acceptLabel = "&Save";
    dialog.cancelLabel = "&Cancel";
    const std::uint16_t values[] = {settings.start, settings.end};
    dialog.fields = MakeFields(kSaveFields.data(), kSaveFields.size(), values);
    dialog.choiceGroup = "File Format";
    dialog.choices = {{kSaveHexRadioId, "&Intel Hex"}, {kSaveBinaryRadioId, "&Binary"}};
    dialog.checkedChoice = settings.format == kSaveFormatHex ? kSaveHexRadioId : kSaveBinaryRadioId;
    dialog.choose = [](int id) {
        FileSaveSettings().format = static_cast<std::uint8_t>(id - kSaveHexRadioId);
    };
    dialog.accept = [](FieldDialog& d) {
        SaveMemorySettings& s = FileSaveSettings();
        return ParseDialogField(d.fields[0], s.start) && ParseDialogField(d.fields[1], s.end);
    };
    return dialog;
}

SaveRequest RememberedSaveRequest(BufferKind buffer) {
    const SaveMemorySettings& s = FileSaveSettings();
    return {buffer, s.start, s.end, s.format == kSaveFormatHex, {}};
}

bool CheckSaveRange(const SaveRequest& request) {
    if (request.start > request.end) {
        ShowMessage("Starting Address is Greater than Ending Address!", "Address Error",
                    MessageIcon::Stop);
        return false;
    }
    if (request.end > LastAddress(request.buffer)) {
        ShowMessage("Ending Address exceeds device capacity!", "Address Error", MessageIcon::Stop);
        return false;
    }
    return true;
}

SafeFile CreateSaveFile(const std::string& path) {
    for (;;) {
        SafeFile file;
        if (file.Open(path)) return file;
        if (errno != static_cast<int>(std::errc::read_only_file_system)) {
            ShowMessage("Unable to Write the file", "ERROR", MessageIcon::Stop);
            return file;
        }
        if (ShowMessage("Disk is Write Protected", "ERROR", MessageIcon::Warning,
                        MessageButtons::RetryCancel) != MessageResult::Retry) {
            return file;
        }
    }
}

FileSaveJob::FileSaveJob(SafeFile file, SaveRequest request)
    : file_(std::move(file)), request_(std::move(request)) {}

void FileSaveJob::Start() {
    model_.title = "Saving...";
    model_.label = "Saving to: " + ShortDisplayName(request_.path);
    model_.progressMax = static_cast<std::uint32_t>(request_.end - request_.start);
    model_.progressPos = 0;
    bytesDone_ = 0;
    nextAddress_ = request_.start;
    endCode_.reset();
}

StepResult FileSaveJob::Step() {
    if (endCode_) return StepResult::Finish(*endCode_);
    Clock& clock = CurrentClock();
    const auto deadline = clock.Now() + kStepBudget;
    bool last = false;
    do {
        last = SaveOneBlock();
    } while (!last && clock.Now() < deadline);
    if (!Flush()) return StepResult::Finish(Discard(kSaveWriteFailed));
    if (!last) return StepResult::Continue();
    // Closing writes what the stream still holds, so its result counts too;
    // only a complete file replaces the target.
    if (!file_.Commit()) return StepResult::Finish(Discard(kSaveWriteFailed));
    endCode_ = kSaveDone;
    return StepResult::Finish(kSaveDone);
}

void FileSaveJob::Cancel() {
    if (!endCode_) Discard(kSaveCancelled);
}

bool FileSaveJob::SaveOneBlock() {
    const std::uint32_t remaining = request_.end - nextAddress_;
    // The last block takes all that remains, up to 17 bytes, so that no record
    // of a single byte trails a full one.
    const bool last = remaining <= kSaveRecordBytes;
    const std::uint32_t count = last ? remaining + 1 : kSaveRecordBytes;
    std::uint8_t bytes[kSaveRecordBytes + 1];
    ReadBuffer(request_.buffer, nextAddress_, bytes, count);
    bytesDone_ += count;
    model_.progressPos = bytesDone_;
    if (request_.intelHex) {
        AppendDataRecord(out_, static_cast<std::uint16_t>(nextAddress_), bytes, count);
        if (last) out_ += kHexEndRecordLine;
    } else {
        out_.append(reinterpret_cast<const char*>(bytes), count);
    }
    nextAddress_ += count;
    return last;
}

bool FileSaveJob::Flush() {
    const bool written = file_.Write(out_);
    out_.clear();
    return written;
}

int FileSaveJob::Discard(int code) {
    if (code == kSaveWriteFailed) {
        ShowMessage("Unable to Write the file", "ERROR", MessageIcon::Stop);
    }
    file_.Abandon();
    endCode_ = code;
    return code;
}

bool RunSave(const SaveRequest& request, const SaveDialogRunner& runSaveDialog) {
    SafeFile file = CreateSaveFile(request.path);
    if (!file.IsOpen()) return false;
    FileSaveJob job(std::move(file), request);
    const int code = runSaveDialog ? runSaveDialog(job) : RunJobToEnd(job);
    if (code == kSaveDone) {
        ShowMessage("Operation Completed Succesfully.", "Save Memory", MessageIcon::Information);
        return true;
    }
    if (code == kSaveCancelled) {
        ShowMessage("Storing Operation is Cancelled by User!", "Error", MessageIcon::Information);
    }
    return false;
}

bool SaveBuffer(const SaveRequest& request) { return CheckSaveRange(request) && RunSave(request); }

bool SaveCommand(const SaveFrontEnd& frontEnd) {
    FieldDialog dialog = SaveMemoryDialog();
    if (!frontEnd.runSaveMemoryDialog || !frontEnd.runSaveMemoryDialog(dialog)) return false;
    SaveRequest request = RememberedSaveRequest(App().CurrentBufferKind);
    if (!CheckSaveRange(request)) return false;
    SaveMemorySettings& settings = FileSaveSettings();
    settings.path.clear();
    const SaveFileQuestion& question =
        request.intelHex ? kSaveHexFileQuestion : kSaveBinaryFileQuestion;
    const auto path = frontEnd.askSavePath ? frontEnd.askSavePath(question) : std::nullopt;
    if (!path || path->empty()) return false;
    settings.path = *path;
    request.path = *path;
    return RunSave(request, frontEnd.runSaveDialog);
}

}  // namespace zvk
