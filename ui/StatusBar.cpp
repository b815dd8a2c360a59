#include "ui/StatusBar.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>

#include "app/AppState.h"
#include "app/DeviceTable.h"
#include "link/CommandTable.h"
#include "link/Link.h"

namespace zvk::ui {
namespace {

// Indexed by the family's lock bits shifted down to bit 0 (LB1 = 1, LB2 = 2,
// LB3 = 4); a two-level part uses only the first four.
constexpr std::array<std::string_view, 8> kLockBitTexts{"         ",   "LB1      ",   "    LB2  ",
                                                        "LB1 LB2  ",   "        LB3", "LB1     LB3",
                                                        "    LB2 LB3", "LB1 LB2 LB3"};

// The longest text of each of panes 1 to 4.
constexpr std::array<const char*, 4> kLongestPaneTexts{"COM9 - Error", "AT89LS8252", "Parallel",
                                                       "LB1 LB2 LB3"};
constexpr double kSmallestPanePoints = 6.0;

}  // namespace

std::string_view LockBitText(const DeviceInfo& part, std::uint8_t protection) {
    std::size_t levels = 0;
    for (std::size_t level = 0; level < part.LockLevels; ++level) {
        if ((protection & LockOptionBit(part.LockLevels, level)) != 0) levels |= 1U << level;
    }
    return kLockBitTexts[levels];
}

FrameStatusBar::FrameStatusBar(QWidget* parent) : QStatusBar(parent) {
    setSizeGripEnabled(false);
    for (int i = 0; i < kStatusPaneCount; ++i) {
        auto* pane = new QLabel(this);
        pane->setFrameShape(QFrame::Panel);
        pane->setFrameShadow(QFrame::Sunken);
        panes_[static_cast<std::size_t>(i)] = pane;
        if (i == 0) {
            pane->setMinimumWidth(0);
            addWidget(pane, 1);
        } else {
            pane->setFixedWidth(kStatusPaneWidths[static_cast<std::size_t>(i - 1)]);
            addPermanentWidget(pane);
        }
    }
    // The lock-bit text keeps its columns only in a fixed-pitch font.
    panes_[4]->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // The panes keep their widths; their font shrinks until the longest text
    // each can show fits.
    for (std::size_t i = 1; i < kStatusPaneCount; ++i) {
        QLabel* pane = panes_[i];
        pane->setIndent(2);
        QFont font = pane->font();
        const int room = pane->maximumWidth() - 2 * pane->frameWidth() - 2 * pane->indent();
        while (QFontMetrics(font).horizontalAdvance(kLongestPaneTexts[i - 1]) > room &&
               font.pointSizeF() > kSmallestPanePoints) {
            font.setPointSizeF(font.pointSizeF() - 0.5);
        }
        pane->setFont(font);
    }
    SetPaneText(0, "Ready");
}

QString FrameStatusBar::PaneText(int index) const { return Pane(index)->text(); }

void FrameStatusBar::SetPaneText(int index, const QString& text) { Pane(index)->setText(text); }

void FrameStatusBar::ShowPortState() {
    // A port that has failed, or whose device has gone, is in error too,
    // though it is still open: the next device command opens it again.
    const QString port = !ProgrammerPortInError() ? "COM%1 - OK" : "COM%1 - Error";
    SetPaneText(1, port.arg(App().PortIndex + 1));
}

void FrameStatusBar::ShowState() {
    const AppState& app = App();
    ShowPortState();
    const DeviceInfo& part = SelectedDeviceInfo();
    SetPaneText(
        2, QString::fromUtf8(part.PartName.data(), static_cast<qsizetype>(part.PartName.size())));
    EnforceProgrammingMode();
    SetPaneText(3, (App().ProgrammingMode & kModeParallel) != 0 ? "Parallel" : "SPI");
    const std::string_view locks = LockBitText(part, app.ProtectionOptions);
    SetPaneText(4, QString::fromLatin1(locks.data(), static_cast<qsizetype>(locks.size())));
}

}  // namespace zvk::ui
