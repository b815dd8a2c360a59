#pragma once
// Start-up and shut-down of the desktop program: the frame comes up maximised
// with the settings read, the buffers allocated, the menus set for the part,
// the port opened and the status bar written, and the About box queued as the
// first thing the event loop shows. On every way out the settings are written
// once: Exit, the close box, a failed start, and the ends that come from
// outside (SIGTERM, SIGINT, SIGHUP, the end of the desktop session).

#include <functional>
#include <memory>
#include <string>

#include "app/Buffers.h"

namespace zvk::ui {

class FrameWnd;

struct StartUpOptions {
    // The program directory (the help pages, and zvk.dat and COMn links
    // when it is a portable copy's); empty: the executable's own.
    std::string programDirectory;
    BlockAllocator allocate = DefaultBlockAllocator;
    // Queue the About box (tests start without it).
    bool showAbout = true;
    // A file to load into the Flash buffer once the frame is up (after the
    // About box), with the Flash editor then showing it; empty: none.
    std::string openFile;
    // Writes the settings on the way out.
    std::function<void()> saveSettings;
};

// Creates and shows the frame and runs every start-up step up to the event
// loop. When the buffers cannot be allocated the frame is already closed.
[[nodiscard]] std::unique_ptr<FrameWnd> StartFrame(const StartUpOptions& options);

// The whole program: StartFrame, the event loop while the frame is open, then
// the settings. Returns the loop's exit code, or 128 + the signal's number
// when a signal ended it.
int RunZvk(const StartUpOptions& options);

}  // namespace zvk::ui
