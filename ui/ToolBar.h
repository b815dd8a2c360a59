#pragma once
// The frame's toolbar: 25 command buttons and 5 gaps, each button with its
// own picture and the command's tool tip. Other windows enable, disable and
// press its buttons by command id.
//
// The pictures are our own drawings (res/icons/NAME.svg, compiled in from
// res/icons/icons.qrc), the same on every desktop and sharp at any scale.
// Each has a light twin (NAME-light.svg) that the toolbar shows while its
// background is dark, chosen again whenever the palette changes. A new
// button names its picture in kToolBarEntries; the picture and its twin
// (res/icons/LightTwins.cmake) go into res/icons and icons.qrc.

#include <QIcon>
#include <QString>
#include <QToolBar>

#include <functional>
#include <optional>
#include <string_view>

#include "ui/CommandIds.h"

namespace zvk::ui {

struct ToolBarEntry {
    std::optional<CommandId> command;  // none: a separator
    std::string_view image;            // the picture: res/icons/<image>.svg
    bool disabledAtCreation = false;
};

inline constexpr ToolBarEntry kSeparator{};

// clang-format off
inline constexpr ToolBarEntry kToolBarEntries[] = {
    {CommandId::LoadFlash, "load-flash"}, {CommandId::LoadEeprom, "load-eeprom"},
    {CommandId::ReloadFile, "reload", true},
    {CommandId::SaveFlash, "save-flash"}, {CommandId::SaveEeprom, "save-eeprom"},
    kSeparator,
    {CommandId::Disassembly, "disassembly"}, {CommandId::EditFlash, "edit-flash"},
    {CommandId::EditEeprom, "edit-eeprom"},
    kSeparator,
    {CommandId::EnterProgram, "enter-program"},
    kSeparator,
    {CommandId::LocateFlash, "goto-address", true}, {CommandId::ClearFlash, "clear"},
    {CommandId::FillFlash, "fill"}, {CommandId::CopyFlash, "copy"},
    kSeparator,
    {CommandId::SelectDevice, "select-device"}, {CommandId::Auto, "auto"}, {CommandId::Erase, "erase"},
    {CommandId::BlankCheck, "blank-check"}, {CommandId::Program, "program"},
    {CommandId::Verify, "verify"}, {CommandId::Read, "read"}, {CommandId::Protect, "protect"},
    kSeparator,
    {CommandId::TileHorizontally, "tile-horizontally", true},
    {CommandId::TileVertically, "tile-vertically", true}, {CommandId::CloseAll, "close-all", true},
    {CommandId::About, "about"},
};
// clang-format on

// The resource path of a picture: ":/icons/<image>.svg".
[[nodiscard]] QString IconPath(std::string_view image);

// The picture as an icon, drawn at whatever size it is asked for.
[[nodiscard]] QIcon DrawnIcon(std::string_view image);

// The picture for a background: its light twin on a dark one.
[[nodiscard]] QIcon PictogramFor(std::string_view image, const QColor& background);

// Whether a background takes the light twins.
[[nodiscard]] bool IsDarkBackground(const QColor& background);

class FrameToolBar : public QToolBar {
  public:
    // Each button sends its command id to dispatch.
    FrameToolBar(QWidget* parent, const std::function<void(int)>& dispatch);

    // The button of a command, or null.
    [[nodiscard]] QAction* Button(CommandId id) const;
    void SetButtonEnabled(CommandId id, bool enabled);
    // Shows the button pressed, or released.
    void PressButton(CommandId id, bool pressed = true);
    // Whether the buttons show the light twins.
    [[nodiscard]] bool ShowsLightPictograms() const { return light_; }

  protected:
    void changeEvent(QEvent* event) override;

  private:
    // Gives every button the picture that suits the toolbar's background.
    void ShowPictograms();

    bool light_ = false;
};

// The program's own icon (res/icons/zvk.svg): the window icon, and the one
// installed for the desktop.
[[nodiscard]] QIcon ProgramIcon();

}  // namespace zvk::ui
