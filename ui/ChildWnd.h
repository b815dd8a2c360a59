#pragma once
// The three buffer windows the frame opens in its MDI client: the disassembly
// view and the Flash and EEPROM hex editors. The frame owns them and finds
// them by their opener command; each knows its frame, takes Locate and the
// reset after a change of part as methods, and any command the frame does not
// know. They hear of buffer changes by subscribing (app/BufferEvents.h). The
// base keeps the commands it was sent and the first address shown.

#include <QWidget>

#include <cstdint>
#include <string_view>
#include <vector>

#include "app/AppState.h"
#include "ui/CommandIds.h"

namespace zvk::ui {

class ChildWnd;
class FrameWnd;
struct ChildInfo;

// Keys the frame hands to the active buffer window: Ctrl+F asks what to find,
// F3 finds the next place, Ctrl+G asks for an address to go to (Locate).
inline constexpr int kCmdFind = 41001;
inline constexpr int kCmdFindNext = 41002;
inline constexpr int kCmdGoTo = 41003;

// The views' own constructors, each defined beside its view.
ChildWnd* CreateDisassemblyWindow(const ChildInfo& info, FrameWnd& frame);
ChildWnd* CreateFlashEditWindow(const ChildInfo& info, FrameWnd& frame);
ChildWnd* CreateEepromEditWindow(const ChildInfo& info, FrameWnd& frame);

struct ChildInfo {
    CommandId opener;
    std::string_view title;
    ChildWnd* (*create)(const ChildInfo& info, FrameWnd& frame);
};

inline constexpr ChildInfo kChildWindows[] = {
    {CommandId::Disassembly, "Buffer - Disassembly view", CreateDisassemblyWindow},
    {CommandId::EditFlash, "Buffer - Flash", CreateFlashEditWindow},
    {CommandId::EditEeprom, "Buffer - EEPROM", CreateEepromEditWindow},
};

// The child of an opener command, or null.
[[nodiscard]] const ChildInfo* FindChild(CommandId opener);

class ChildWnd : public QWidget {
  public:
    ChildWnd(const ChildInfo& info, FrameWnd& frame);

    [[nodiscard]] const ChildInfo& Info() const { return info_; }
    [[nodiscard]] FrameWnd& Frame() const { return frame_; }
    // True from the moment the window is asked to close: it is gone for
    // everybody then, even though Qt deletes it only later.
    [[nodiscard]] bool Closing() const { return closing_; }

    // A frame command this window may know.
    virtual void HandleCommand(int id);
    // Where the view starts after a change of part.
    virtual void SetTopAddress(std::uint16_t address);
    // Asks for an address and shows it (Buffer > Locate).
    virtual void Locate() {}
    // After a change of part: the scroll range and the rows follow the
    // buffer's new size.
    virtual void ResetScroll() {}

    [[nodiscard]] std::uint16_t TopAddress() const { return topAddress_; }
    // The commands received, oldest first.
    [[nodiscard]] const std::vector<int>& ReceivedCommands() const { return received_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    const ChildInfo& info_;
    FrameWnd& frame_;
    bool closing_ = false;
    std::uint16_t topAddress_ = 0;
    std::vector<int> received_;
};

}  // namespace zvk::ui
