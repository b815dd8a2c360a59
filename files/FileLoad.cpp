#include "files/FileLoad.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <utility>

#include "app/AppState.h"
#include "app/BufferEvents.h"
#include "app/Buffers.h"
#include "app/Clock.h"
#include "app/Messages.h"
#include "app/ProgramDirectory.h"
#include "app/SafeFile.h"
#include "app/UndoHistory.h"
#include "files/IntelHex.h"
#include "files/Reload.h"

namespace zvk {
namespace {

constexpr std::size_t kReadBufferSize = 64 * 1024;

constexpr const char* kOverflowText = "Address Exceeds the Buffer Capacity.";

// Appends the entry for the addresses first .. end - 1, padded to width. A
// stretch in which nothing was loaded gives no entry: an entry always names
// bytes that are in the buffer.
void AppendEntry(LoadState& state, std::uint32_t first, std::uint32_t end, std::size_t width) {
    if (first >= end) return;
    char entry[32];
    const int length = std::snprintf(entry, sizeof entry, "%04XH to %04XH",
                                     static_cast<unsigned>(first), static_cast<unsigned>(end - 1));
    state.LoadDetails.append(entry, static_cast<std::size_t>(length));
    state.LoadDetails.append(width - std::min<std::size_t>(width, static_cast<std::size_t>(length)),
                             ' ');
}

void StoreLoadedByte(LoadState& state, BufferKind kind, std::uint32_t address, std::uint8_t value) {
    const auto a = static_cast<std::uint16_t>(address);
    BufferWrite(kind, a, value);
    SetOrigin(kind, a, OriginFile);
    if (address >= state.loaded.size()) state.loaded.resize(LastAddress(kind) + 1u);
    state.loaded[address] = true;
}

// Announces the stretch from the first to the last address a load wrote.
void AnnounceLoaded(BufferKind kind, const std::vector<bool>& loaded) {
    const auto first = std::find(loaded.begin(), loaded.end(), true);
    if (first == loaded.end()) return;
    const auto last = std::find(loaded.rbegin(), loaded.rend(), true);
    AnnounceBufferChange(kind, static_cast<std::uint16_t>(first - loaded.begin()),
                         static_cast<std::uint16_t>(loaded.rend() - last - 1));
}

RecordResult StoreDataRecord(const HexRecord& record, LoadState& state) {
    const BufferKind kind = state.buffer;
    const std::uint32_t last = LastAddress(kind);
    std::uint32_t address = state.base + record.offset;
    if (!state.started) {
        state.segmentStart = address;
        state.nextAddress = address;
        state.started = true;
    }
    if (address != state.nextAddress) {  // a gap or a jump
        AppendEntry(state, state.segmentStart, state.nextAddress, kDetailsEntryWidth);
        state.segmentStart = address;
    }
    for (const std::uint8_t value : record.data) {
        if (address > last) {
            AppendEntry(state, state.segmentStart, address, kDetailsEntryWidth);
            return RecordResult::BeyondBuffer;
        }
        StoreLoadedByte(state, kind, address, value);
        ++address;
    }
    state.nextAddress = address;
    return RecordResult::GoOn;
}

}  // namespace

bool IsHexFileName(std::string_view path) {
    std::string extension = GetFileExtension(path);
    for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return std::find(std::begin(kHexFileExtensions), std::end(kHexFileExtensions), extension) !=
           std::end(kHexFileExtensions);
}

std::vector<std::string> LoadDetailsEntries(std::string_view details) {
    // Entries are separated by runs of blanks; inside an entry blanks are single.
    std::vector<std::string> entries;
    std::size_t pos = 0;
    while (pos < details.size()) {
        pos = details.find_first_not_of(' ', pos);
        if (pos == std::string_view::npos) break;
        auto end = details.find("  ", pos);
        if (end == std::string_view::npos) end = details.size();
        std::string_view entry = details.substr(pos, end - pos);
        while (!entry.empty() && entry.back() == ' ') entry.remove_suffix(1);
        entries.emplace_back(entry);
        pos = end;
    }
    return entries;
}

FileReader::FileReader(FileHandle file) : file_(std::move(file)), buffer_(kReadBufferSize) {}

bool FileReader::Fill() {
    if (!file_ || failed_) return false;
    end_ = std::fread(buffer_.data(), 1, buffer_.size(), file_.get());
    pos_ = 0;
    // A failed read is not the end of the file; the bytes of this read are
    // dropped with it.
    if (std::ferror(file_.get()) != 0) {
        failed_ = true;
        end_ = 0;
    }
    return end_ > 0;
}

int FileReader::Get() {
    if (pos_ == end_ && !Fill()) return EOF;
    return static_cast<unsigned char>(buffer_[pos_++]);
}

std::size_t FileReader::Read(char* out, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        if (pos_ == end_ && !Fill()) break;
        const std::size_t n = std::min(count - done, end_ - pos_);
        std::copy_n(buffer_.data() + pos_, n, out + done);
        pos_ += n;
        done += n;
    }
    return done;
}

std::size_t ReadFileChunk(FileReader& file, LoadMode mode, std::string& block, std::size_t limit) {
    block.clear();
    if (mode == LoadMode::Binary) {
        block.resize(limit);
        block.resize(file.Read(block.data(), limit));
        return block.size();
    }
    for (int c = file.Get(); c != EOF && c != '\n'; c = file.Get()) {
        block += static_cast<char>(c);
        if (block.size() > kLongestHexLine + 1) break;
    }
    return block.size();
}

bool HexLineTooLong(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line.size() > kLongestHexLine;
}

RecordResult ParseHexRecord(std::string_view line, LoadState& state) {
    HexRecord record;
    if (!DecodeHexRecord(line, record)) return RecordResult::Invalid;
    switch (record.type) {
        case kHexData:
            return StoreDataRecord(record, state);
        case kHexEndOfFile:
            AppendEntry(state, state.segmentStart, state.nextAddress, kDetailsLastEntryWidth);
            return RecordResult::EndOfFile;
        case kHexExtendedSegment:
        case kHexExtendedLinear: {
            if (record.data.size() != 2) return RecordResult::Invalid;
            const std::uint32_t upper = record.data[0] * 256u + record.data[1];
            state.base = record.type == kHexExtendedSegment ? upper << 4 : upper << 16;
            return RecordResult::GoOn;
        }
        default:  // start addresses and unknown types carry nothing for the buffer
            return RecordResult::GoOn;
    }
}

FileLoadJob::FileLoadJob(FileHandle file, LoadRequest request, StartAddressQuestion askStartAddress)
    : file_(std::move(file)),
      request_(std::move(request)),
      askStartAddress_(std::move(askStartAddress)) {}

void FileLoadJob::Start() {
    state_ = LoadState{};
    state_.buffer = request_.buffer;
    endCode_.reset();
    std::error_code error;
    const auto size = std::filesystem::file_size(request_.path, error);
    state_.fileSize = error ? 0 : size;
    model_.title = "Loading...";
    model_.label = "Loading from: " + ShortDisplayName(request_.path);
    model_.progressMax =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(state_.fileSize, UINT32_MAX));
    model_.progressPos = 0;
    state_.mode =
        request_.mode.value_or(IsHexFileName(request_.path) ? LoadMode::Hex : LoadMode::Binary);
    if (state_.mode == LoadMode::Binary) {
        std::optional<std::uint16_t> address = request_.binaryStart;
        if (!address && askStartAddress_) address = askStartAddress_();
        if (!address) {
            declined_ = true;
            End(kLoadStopped);
            return;
        }
        state_.binaryStart = *address;
        state_.loadAddress = *address;
    }
}

StepResult FileLoadJob::Step() {
    if (endCode_) return StepResult::Finish(*endCode_);
    Clock& clock = CurrentClock();
    const auto deadline = clock.Now() + kStepBudget;
    do {
        if (const auto code = LoadOneChunk()) return StepResult::Finish(*code);
    } while (clock.Now() < deadline);
    return StepResult::Continue();
}

void FileLoadJob::Cancel() {
    if (!endCode_) End(kLoadStopped);
}

int FileLoadJob::End(int code) {
    file_.Close();
    endCode_ = code;
    return code;
}

std::optional<int> FileLoadJob::LoadOneChunk() {
    const BufferKind kind = state_.buffer;
    const std::size_t n = ReadFileChunk(file_, state_.mode, block_, kBinaryChunk);
    if (file_.Failed()) {
        // Taking the error for the end of the file would report a cut image
        // as loaded; the file ended where it must not.
        ShowMessage("Illegal File End.", "ERROR", MessageIcon::Stop);
        return End(kLoadStopped);
    }
    if (n > 0 && !state_.overflow) {
        state_.bytesRead += n;
        model_.progressPos =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(state_.bytesRead, UINT32_MAX));
        if (state_.mode == LoadMode::Binary) {
            const std::uint32_t last = LastAddress(kind);
            for (std::size_t i = 0; i < n; ++i) {
                const std::uint64_t address = std::uint64_t{state_.loadAddress} + i;
                if (address > last) {
                    state_.overflow = true;
                } else {
                    StoreLoadedByte(state_, kind, static_cast<std::uint32_t>(address),
                                    static_cast<std::uint8_t>(block_[i]));
                }
            }
            state_.loadAddress += static_cast<std::uint32_t>(n);
            return std::nullopt;
        }
        RecordResult result = RecordResult::Invalid;
        if (block_[0] == ':' && !HexLineTooLong(block_)) result = ParseHexRecord(block_, state_);
        switch (result) {
            case RecordResult::EndOfFile:
                return End(kLoadDone);
            case RecordResult::BeyondBuffer:
                state_.overflow = true;
                return std::nullopt;
            case RecordResult::Invalid:
                ShowMessage("Invalid HEX file", "ERROR", MessageIcon::Stop);
                return End(kLoadStopped);
            case RecordResult::GoOn:
                return std::nullopt;
        }
    }
    const std::uint32_t last = LastAddress(kind);
    if (!state_.overflow) {
        if (state_.mode == LoadMode::Binary) {
            model_.progressPos = model_.progressMax;
            ShowMessage("File Loaded Successfully.", "Load Program", MessageIcon::Information);
            AppendEntry(state_, state_.binaryStart, state_.loadAddress, kDetailsEntryWidth);
            return End(kLoadDone);
        }
        ShowMessage("Illegal File End.", "ERROR", MessageIcon::Stop);
        return End(kLoadStopped);
    }
    if (state_.mode == LoadMode::Binary) {
        AppendEntry(state_, state_.binaryStart, last + 1, kDetailsEntryWidth);
    }
    ShowMessage(kOverflowText, "ERROR", MessageIcon::Stop);
    return End(kLoadBufferEnd);
}

LoadDetailsModel FileLoadJob::Details() const {
    const bool overflow = endCode_ == kLoadBufferEnd;
    return {overflow ? kOverflowText : "File Loaded Succesfully.", state_.LoadDetails};
}

LoadRequest RememberedLoadRequest() {
    LoadRequest request;
    request.buffer = App().CurrentBufferKind;
    request.path = App().SelectedFileName;
    request.clearFirst = (App().OptionFlags & kOptionClearBeforeLoad) != 0;
    return request;
}

int LoadFile(const LoadRequest& request, const LoadFrontEnd& frontEnd) {
    FileHandle file(OpenRegularFileForReading(request.path));
    if (!file) {
        ShowMessage("Unable to open the selected file", "ERROR", MessageIcon::Stop);
        return kLoadStopped;
    }
    // Taken from the handle the load reads, so that it describes what was
    // loaded even when the file is replaced meanwhile.
    const std::optional<FileStamp> stamp = StampFile(file.get());
    // The clearing and whatever the load stored, all or part, are one undo step.
    std::optional<UndoStep> undoStep(std::in_place, request.buffer);
    if (request.clearFirst) ClearBuffer(request.buffer);
    FileLoadJob job(std::move(file), request, frontEnd.askStartAddress);
    const int code = frontEnd.runLoadDialog ? frontEnd.runLoadDialog(job) : RunJobToEnd(job);
    undoStep.reset();
    if (!job.Declined()) {
        const bool binary = job.State().mode == LoadMode::Binary;
        if (binary) App().EnteredAddress = job.State().binaryStart;
        NoteLoadedFile(request.buffer, request.path, binary ? job.State().binaryStart : 0, stamp,
                       job.State().loaded, frontEnd.rememberForReload);
    }
    // What was loaded, all or part, shows behind the message or the details.
    AnnounceLoaded(request.buffer, job.State().loaded);
    if (code == kLoadStopped) {
        ShowMessage("File Loading Stopped", "ERROR", MessageIcon::Stop);
    } else if (frontEnd.showDetails) {
        frontEnd.showDetails(job.Details());
    }
    return code;
}

int LoadFileCommand(const LoadFrontEnd& frontEnd) {
    return LoadFile(RememberedLoadRequest(), frontEnd);
}

}  // namespace zvk
