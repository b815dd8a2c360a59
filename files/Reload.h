#pragma once
// File > Reload, and the question asked before a buffer goes to the chip
// while the file it was loaded from has changed on disk: the edit-compile-
// program loop.
//
// Every load that runs records in AppState::LoadedFiles what it read (the
// file's stamp) and which addresses it wrote. The desktop program's loads are
// also remembered in zvk.conf as the load that Reload repeats, across runs:
// the file, the buffer and the start address of a binary file.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/AppState.h"
#include "files/FileLoad.h"

namespace zvk {

// The stamp of the file's contents from where the file stands to its end
// (of a file of many megabytes, its size and its first megabytes); the file
// is then rewound. nullopt when a read fails.
[[nodiscard]] std::optional<FileStamp> StampFile(std::FILE* file);
// The same for a path; nullopt when it cannot be opened or read.
[[nodiscard]] std::optional<FileStamp> StampFile(const std::string& path);

// Records a load that ran into the buffer of the kind: the file, the start
// address of a binary file, its stamp when it could be taken, and the
// addresses written. With remember, it also becomes the load Reload repeats
// and the top entry of the recent files (files/RecentFiles.h).
void NoteLoadedFile(BufferKind kind, const std::string& path, std::uint16_t startAddress,
                    const std::optional<FileStamp>& stamp, std::vector<bool> loaded, bool remember);

// The load Reload repeats.
struct ReloadTarget {
    std::string path;
    BufferKind kind = BufferKind::Flash;
    std::uint16_t startAddress = 0;
    bool operator==(const ReloadTarget&) const = default;
};

// The keys in zvk.conf.
inline constexpr std::string_view kReloadFileKey = "reload.file";
inline constexpr std::string_view kReloadBufferKey = "reload.buffer";
inline constexpr std::string_view kReloadAddressKey = "reload.address";

// The remembered load, or nullopt when there is none (or zvk.conf's entries
// for it are damaged).
[[nodiscard]] std::optional<ReloadTarget> LastLoad();

// Whether Reload has something to do: a remembered load, into a buffer the
// selected part has.
[[nodiscard]] bool ReloadAvailable();

// File > Reload: loads the remembered file again into its buffer, as Load
// File does (clear-before-load option, dialogs, details, messages), with the
// remembered start address for a binary file instead of the question.
// Returns the loading dialog's end code; kLoadStopped without a load.
int ReloadCommand(const LoadFrontEnd& frontEnd);

// The edited bytes (OriginEdited) of the buffer that reloading its file
// discards: those at addresses the load wrote, and with the clear-before-load
// option on, every edited byte.
[[nodiscard]] std::size_t EditedBytesReloadDiscards(BufferKind kind);

// The question to ask before the buffer of the kind is programmed or
// verified, or empty when there is nothing to ask: no file was loaded into
// it, the buffer holds none of the file's bytes any more (cleared, or read
// from the chip), the file is gone or unreadable, or its contents are those
// that were loaded.
[[nodiscard]] std::string ChangedFileQuestion(BufferKind kind);

inline constexpr std::string_view kChangedFileCaption = "File Changed";

// Asks ChangedFileQuestion with Yes, No and Cancel. Yes loads the file again
// into the buffer (as Reload, with the front end's dialogs) and goes on when
// it loaded completely; No goes on with the buffer as it is; Cancel stops.
// True: go on.
[[nodiscard]] bool ReloadChangedFileFirst(BufferKind kind, const LoadFrontEnd& frontEnd);

}  // namespace zvk
