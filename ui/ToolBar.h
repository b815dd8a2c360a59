#pragma once
// The frame's toolbar: 25 command buttons and 5 gaps, each button with its
// own drawn image (or the desktop theme's) and the command's tool tip. Other
// windows enable, disable and press its buttons by command id.

#include <QToolBar>

#include <functional>
#include <optional>

#include "ui/CommandIds.h"

namespace zvk::ui {

struct ToolBarEntry {
    std::optional<CommandId> command;  // none: a separator
    bool disabledAtCreation = false;
};

inline constexpr ToolBarEntry kSeparator{};

// clang-format off
inline constexpr ToolBarEntry kToolBarEntries[] = {
    {CommandId::LoadFlash}, {CommandId::LoadEeprom}, {CommandId::ReloadFile, true},
    {CommandId::SaveFlash}, {CommandId::SaveEeprom},
    kSeparator,
    {CommandId::Disassembly}, {CommandId::EditFlash}, {CommandId::EditEeprom},
    kSeparator,
    {CommandId::EnterProgram},
    kSeparator,
    {CommandId::LocateFlash, true}, {CommandId::ClearFlash}, {CommandId::FillFlash}, {CommandId::CopyFlash},
    kSeparator,
    {CommandId::SelectDevice}, {CommandId::Auto}, {CommandId::Erase}, {CommandId::BlankCheck},
    {CommandId::Program}, {CommandId::Verify}, {CommandId::Read}, {CommandId::Protect},
    kSeparator,
    {CommandId::TileHorizontally, true}, {CommandId::TileVertically, true}, {CommandId::CloseAll, true},
    {CommandId::About},
};
// clang-format on

class FrameToolBar : public QToolBar {
  public:
    // Each button sends its command id to dispatch.
    FrameToolBar(QWidget* parent, const std::function<void(int)>& dispatch);

    // The button of a command, or null.
    [[nodiscard]] QAction* Button(CommandId id) const;
    void SetButtonEnabled(CommandId id, bool enabled);
    // Shows the button pressed, or released.
    void PressButton(CommandId id, bool pressed = true);
};

// The program's own icon.
[[nodiscard]] QIcon ProgramIcon();

}  // namespace zvk::ui
