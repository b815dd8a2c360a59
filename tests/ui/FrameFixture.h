#pragma once
// What the frame tests share: a program directory of their own, a port that
// opens (or not) without hardware, and the frame started without its About box.

#include <QApplication>
#include <QWidget>

#include <memory>
#include <string>

#include "app/AppState.h"
#include "link/Link.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/UnitSimProcess.h"
#include "ui/ChildWnd.h"
#include "ui/FrameWnd.h"
#include "ui/StartUp.h"

namespace zvk::test {

// A port that opens and stays silent.
class SilentPort final : public SerialTransport {
  public:
    bool Open(const std::string&) override { return true; }
    bool Configure() override { return true; }
    void Purge() override {}
    std::ptrdiff_t Write(const std::uint8_t*, std::size_t count, Clock::Duration) override {
        return static_cast<std::ptrdiff_t>(count);
    }
    std::ptrdiff_t Read(std::uint8_t*, std::size_t, Clock::Duration) override { return 0; }
    void Close() override {}
};

// Installs a factory for the test's lifetime; counts the ports it made.
class ScopedPorts {
  public:
    explicit ScopedPorts(bool opens) {
        previous_ = SetTransportFactory([this, opens]() -> std::unique_ptr<SerialTransport> {
            ++made;
            if (!opens) return nullptr;
            return std::make_unique<SilentPort>();
        });
    }
    ~ScopedPorts() {
        CloseProgrammerPort();
        SetTransportFactory(previous_);
    }
    ScopedPorts(const ScopedPorts&) = delete;
    ScopedPorts& operator=(const ScopedPorts&) = delete;
    int made = 0;

  private:
    TransportFactory previous_;
};

inline ui::FrameWnd* CurrentFrame() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* frame = dynamic_cast<ui::FrameWnd*>(widget)) return frame;
    }
    return nullptr;
}

// The current frame's open buffer window of an opener command, or null.
inline ui::ChildWnd* OpenWindow(ui::CommandId opener) {
    ui::FrameWnd* frame = CurrentFrame();
    return frame != nullptr ? frame->Child(opener) : nullptr;
}

inline std::unique_ptr<ui::FrameWnd> StartTestFrame(const TempDir& dir) {
    ui::StartUpOptions options;
    options.programDirectory = dir.Path().string();
    options.showAbout = false;
    return ui::StartFrame(options);
}

}  // namespace zvk::test
