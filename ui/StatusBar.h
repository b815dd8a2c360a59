#pragma once
// The frame's status bar: five panes (menu help or "Ready", the port and
// whether it is open, the part, the mode, the lock bits); ShowState writes
// panes 1 to 4 from AppState.

#include <QStatusBar>

#include <array>
#include <cstdint>
#include <string_view>

class QLabel;

namespace zvk {
struct DeviceInfo;
}

namespace zvk::ui {

// Widths of panes 1 to 4; pane 0 takes what is left of the frame's width.
inline constexpr std::array<int, 4> kStatusPaneWidths{70, 75, 45, 85};
inline constexpr int kStatusPaneCount = 5;

// The lock levels chosen for the part's family, with the blanks that keep
// each level in its column ("LB1     LB3").
[[nodiscard]] std::string_view LockBitText(const DeviceInfo& part, std::uint8_t protection);

class FrameStatusBar : public QStatusBar {
  public:
    explicit FrameStatusBar(QWidget* parent);

    [[nodiscard]] QLabel* Pane(int index) const {
        return panes_.at(static_cast<std::size_t>(index));
    }
    [[nodiscard]] QString PaneText(int index) const;
    void SetPaneText(int index, const QString& text);

    // Writes panes 1 to 4; keeps a part that cannot do SPI in Parallel mode.
    void ShowState();
    // Rewrites the port's pane alone: the frame looks every second whether
    // the port has gone into error, without touching what a dialog has under
    // way.
    void ShowPortState();

  private:
    std::array<QLabel*, kStatusPaneCount> panes_{};
};

}  // namespace zvk::ui
