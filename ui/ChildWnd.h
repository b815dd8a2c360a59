#pragma once
// The three buffer windows the frame opens in its MDI client: the disassembly
// view and the Flash and EEPROM hex editors. Each registers itself in its
// AppState handle while it is open and takes the private window commands
// (reload, locate, reset scroll) and any command the frame does not know.
// The base keeps the commands it was sent and the first address shown.

#include <QWidget>

#include <cstdint>
#include <string_view>
#include <vector>

#include "app/AppState.h"
#include "ui/CommandIds.h"

namespace zvk::ui {

class ChildWnd;
struct ChildInfo;

// Keys the frame hands to the active buffer window: Ctrl+F asks what to find,
// F3 finds the next place, Ctrl+G asks for an address to go to (Locate).
inline constexpr int kCmdFind = 41001;
inline constexpr int kCmdFindNext = 41002;
inline constexpr int kCmdGoTo = 41003;

// The views' own constructors, each defined beside its view.
ChildWnd* CreateDisassemblyWindow(const ChildInfo& info);
ChildWnd* CreateFlashEditWindow(const ChildInfo& info);
ChildWnd* CreateEepromEditWindow(const ChildInfo& info);

struct ChildInfo {
    CommandId opener;
    std::string_view title;
    WindowHandle AppState::*handle;
    ChildWnd* (*create)(const ChildInfo& info);
};

inline constexpr ChildInfo kChildWindows[] = {
    {CommandId::Disassembly, "Buffer - Disassembly view", &AppState::DisassemblyWindow,
     CreateDisassemblyWindow},
    {CommandId::EditFlash, "Buffer - Flash", &AppState::FlashEditWindow, CreateFlashEditWindow},
    {CommandId::EditEeprom, "Buffer - EEPROM", &AppState::EepromEditWindow, CreateEepromEditWindow},
};

// The child of an opener command, or null.
[[nodiscard]] const ChildInfo* FindChild(CommandId opener);

class ChildWnd : public QWidget {
  public:
    explicit ChildWnd(const ChildInfo& info);
    ~ChildWnd() override;

    [[nodiscard]] const ChildInfo& Info() const { return info_; }

    // A private window command, or a frame command this window may know.
    virtual void HandleCommand(int id);
    // Where the view starts after a change of part.
    virtual void SetTopAddress(std::uint16_t address);

    [[nodiscard]] std::uint16_t TopAddress() const { return topAddress_; }
    // The commands received, oldest first.
    [[nodiscard]] const std::vector<int>& ReceivedCommands() const { return received_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void Unregister();

    const ChildInfo& info_;
    std::uint16_t topAddress_ = 0;
    std::vector<int> received_;
};

}  // namespace zvk::ui
