#pragma once
// The dialog flows of the buffer-file, block and device-operation commands.
// The frame calls one of these after it has set CurrentBufferKind and, for the
// device commands, after CheckDevice passed. Each shows its dialogs modally
// over the frame, renders the Qt-free job or model that does the work, and
// returns when the flow is over.

#include <cstdint>
#include <string>

class QWidget;

namespace zvk {
enum class BufferKind : std::uint8_t;
}

namespace zvk::ui {

// File > Load File: the open-file dialog, the loading dialog, the details.
void RunLoadFile(QWidget* frame);
// Loads the file into the buffer of the kind as Load File does once a file
// is chosen (by its name, a binary asking for its address): a file named at
// start, dropped on a window, or picked from the recent files. Returns the
// loading dialog's end code.
int RunLoadPath(QWidget* frame, BufferKind kind, const std::string& path);
// File > Reload: the last load again, with the loading dialog and the details.
void RunReload(QWidget* frame);
// Before a buffer is programmed or verified: when the file it was loaded from
// has changed on disk, asks whether to reload it first. False: stop.
[[nodiscard]] bool ReloadChangedFileFirst(QWidget* frame, BufferKind kind);
// File > Save As: the save range dialog, the save-file dialog, the saving dialog.
void RunSaveAs(QWidget* frame);

// Buffer > Fill, Copy, Checksum.
void RunFill(QWidget* frame);
void RunCopy(QWidget* frame);
void RunChecksum(QWidget* frame);

// Device > Blank Check, Program, Read, Verify: the range dialog, then the
// progress dialog.
void RunBlankCheck(QWidget* frame);
void RunProgram(QWidget* frame);
void RunRead(QWidget* frame);
void RunVerify(QWidget* frame);

// Device > Auto: the auto-programming progress dialog.
void RunAuto(QWidget* frame);

}  // namespace zvk::ui
