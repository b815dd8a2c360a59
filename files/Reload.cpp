#include "files/Reload.h"

#include <filesystem>
#include <utility>

#include "app/BufferEvents.h"
#include "app/Buffers.h"
#include "app/DeviceTable.h"
#include "app/FileIo.h"
#include "app/HexField.h"
#include "app/Messages.h"
#include "app/Preferences.h"
#include "app/SafeFile.h"
#include "app/Utf8Path.h"
#include "files/RecentFiles.h"

namespace zvk {
namespace {

// FNV-1a, 64 bits: enough to tell one build of a small image from the next.
constexpr std::uint64_t kFnvOffset = 0xcbf29ce484222325ull;
constexpr std::uint64_t kFnvPrime = 0x100000001b3ull;

// A large file picked by mistake would hold the program up here before its
// load stops at the buffer's end: beyond this many bytes, far more than any
// image of the largest buffer takes, only the size counts.
constexpr std::uint64_t kHashedBytes = 16u << 20;

constexpr std::string_view kFlashName = "flash";
constexpr std::string_view kEepromName = "eeprom";

LoadedFile& Loaded(BufferKind kind) { return App().LoadedFiles[static_cast<std::size_t>(kind)]; }

// A cleared buffer holds nothing of its file any more: the addresses the
// load wrote are forgotten, so that bytes typed there afterwards do not pass
// for an edit of the file.
void ForgetLoadsOnClear() {
    static const BufferSubscription watch = SubscribeBufferChanges([](const BufferChange& change) {
        if (change.cleared) Loaded(change.kind).loaded.clear();
    });
}

void Remember(const ReloadTarget& target) {
    char address[8];
    std::snprintf(address, sizeof address, "%04X", static_cast<unsigned>(target.startAddress));
    const std::string_view buffer = target.kind == BufferKind::Flash ? kFlashName : kEepromName;
    // A path zvk.conf cannot hold (a line end in a name) is not remembered,
    // so that Reload never loads an older file in its place.
    if (!SetPreferences({{kReloadFileKey, target.path},
                         {kReloadBufferKey, buffer},
                         {kReloadAddressKey, address}})) {
        (void)SetPreference(kReloadFileKey, "");
    }
}

bool HasBuffer(BufferKind kind) {
    return kind == BufferKind::Flash || SelectedDeviceInfo().HasEeprom;
}

int LoadAgain(const ReloadTarget& target, const LoadFrontEnd& frontEnd) {
    // Remembered as Load File would leave them.
    App().CurrentBufferKind = target.kind;
    App().SelectedFileName = target.path;
    LoadRequest request = RememberedLoadRequest();
    request.binaryStart = target.startAddress;
    return LoadFile(request, frontEnd);
}

// Whether any byte the load wrote still holds what came from the file, or
// an edit of it: after Clear or a Read over it, the buffer no longer shows
// the file and there is nothing to reload for.
bool StillHoldsFile(BufferKind kind, const LoadedFile& file) {
    const std::size_t end = std::min<std::size_t>(file.loaded.size(), LastAddress(kind) + 1u);
    for (std::size_t a = 0; a < end; ++a) {
        if (!file.loaded[a]) continue;
        const ByteOrigin origin = GetOrigin(kind, static_cast<std::uint16_t>(a));
        if (origin == OriginFile || origin == OriginEdited) return true;
    }
    return false;
}

}  // namespace

std::optional<FileStamp> StampFile(std::FILE* file) {
    if (file == nullptr) return std::nullopt;
    FileStamp stamp;
    stamp.hash = kFnvOffset;
    const std::int64_t start = TellStream(file);
    unsigned char chunk[64 * 1024];
    for (std::size_t n;
         stamp.size < kHashedBytes && (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) {
        stamp.size += n;
        for (std::size_t i = 0; i < n; ++i) stamp.hash = (stamp.hash ^ chunk[i]) * kFnvPrime;
    }
    bool failed = std::ferror(file) != 0;
    if (!failed && stamp.size >= kHashedBytes) {
        const std::int64_t end = SeekStreamToEnd(file) ? TellStream(file) : -1;
        failed = start < 0 || end < start;
        if (!failed) stamp.size = static_cast<std::uint64_t>(end - start);
    }
    std::rewind(file);  // also clears the error and end-of-file marks
    if (failed) return std::nullopt;
    return stamp;
}

std::optional<FileStamp> StampFile(const std::string& path) {
    std::FILE* file = OpenRegularFileForReading(path);
    if (file == nullptr) return std::nullopt;
    const auto stamp = StampFile(file);
    std::fclose(file);
    return stamp;
}

void NoteLoadedFile(BufferKind kind, const std::string& path, std::uint16_t startAddress,
                    const std::optional<FileStamp>& stamp, std::vector<bool> loaded,
                    bool remember) {
    ForgetLoadsOnClear();
    LoadedFile& file = Loaded(kind);
    file.path = path;
    file.startAddress = startAddress;
    file.stamped = stamp.has_value();
    file.stamp = stamp.value_or(FileStamp{});
    file.loaded = std::move(loaded);
    if (remember) {
        Remember({path, kind, startAddress});
        NoteRecentFile({path, kind});
    }
}

std::optional<ReloadTarget> LastLoad() {
    ReloadTarget target;
    target.path = GetPreference(kReloadFileKey);
    const std::string buffer = GetPreference(kReloadBufferKey);
    std::string address = GetPreference(kReloadAddressKey);
    if (target.path.empty() || !ParseHexField(address, target.startAddress)) return std::nullopt;
    if (buffer == kFlashName) {
        target.kind = BufferKind::Flash;
    } else if (buffer == kEepromName) {
        target.kind = BufferKind::Eeprom;
    } else {
        return std::nullopt;
    }
    return target;
}

bool ReloadAvailable() {
    const auto target = LastLoad();
    return target && HasBuffer(target->kind);
}

int ReloadCommand(const LoadFrontEnd& frontEnd) {
    const auto target = LastLoad();
    if (!target || !HasBuffer(target->kind)) return kLoadStopped;
    return LoadAgain(*target, frontEnd);
}

std::size_t EditedBytesReloadDiscards(BufferKind kind) {
    const LoadedFile& file = Loaded(kind);
    const bool clears = (App().OptionFlags & kOptionClearBeforeLoad) != 0;
    std::size_t count = 0;
    for (std::uint32_t a = 0; a <= LastAddress(kind); ++a) {
        const bool reloaded = clears || (a < file.loaded.size() && file.loaded[a]);
        if (reloaded && GetOrigin(kind, static_cast<std::uint16_t>(a)) == OriginEdited) ++count;
    }
    return count;
}

std::string ChangedFileQuestion(BufferKind kind) {
    const LoadedFile& file = Loaded(kind);
    if (file.path.empty() || !file.stamped || !StillHoldsFile(kind, file)) return {};
    // A file that is gone, or is being written just now, offers nothing to
    // reload; the buffer goes as it is.
    const auto now = StampFile(file.path);
    if (!now || *now == file.stamp) return {};
    std::string text = Utf8FromPath(PathFromUtf8(file.path).filename()) +
                       " has changed on disk since it was loaded. Reload it first?";
    if (const std::size_t edited = EditedBytesReloadDiscards(kind); edited > 0) {
        text += "\nThe buffer has " + std::to_string(edited) +
                (edited == 1 ? " edited byte" : " edited bytes") + " that Reload discards.";
    }
    return text;
}

bool ReloadChangedFileFirst(BufferKind kind, const LoadFrontEnd& frontEnd) {
    const std::string question = ChangedFileQuestion(kind);
    if (question.empty()) return true;
    switch (ShowMessage(question, kChangedFileCaption, MessageIcon::Question,
                        MessageButtons::YesNoCancel)) {
        case MessageResult::Yes: {
            const LoadedFile& file = Loaded(kind);
            // Programming half an image would pass for success: a reload that
            // did not load the whole file stops the command; the loader has
            // said why.
            return LoadAgain({file.path, kind, file.startAddress}, frontEnd) == kLoadDone;
        }
        case MessageResult::No:
            return true;
        default:
            return false;
    }
}

}  // namespace zvk
