#include "ui/ToolBar.h"

#include <QAction>
#include <QColor>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

#include <array>
#include <string_view>

#include "ui/HelpTexts.h"

namespace zvk::ui {
namespace {

// A button image: the desktop theme's icon when it has one, else a small
// tile of our own with a short label.
struct ButtonImage {
    const char* themeName;
    const char* label;
    QRgb colour;
};

// clang-format off
constexpr std::array<ButtonImage, 25> kButtonImages{{
    {"document-open", "F", 0x2e7d32}, {"", "E", 0x00838f}, {"view-refresh", "R", 0x2e7d32},
    {"document-save", "F", 0x1565c0},
    {"", "E", 0x00838f}, {"", "ASM", 0x6a1b9a}, {"", "HEX", 0x2e7d32}, {"", "EE", 0x00838f},
    {"", "PRG", 0x6a1b9a}, {"go-jump", "@", 0x455a64}, {"edit-clear", "CLR", 0x455a64},
    {"", "FIL", 0x455a64}, {"edit-copy", "CPY", 0x455a64}, {"", "DEV", 0x37474f},
    {"", "AUT", 0xc62828}, {"", "ERS", 0xc62828}, {"", "BLK", 0xef6c00}, {"", "PGM", 0xad1457},
    {"", "VFY", 0x2e7d32}, {"", "RD", 0x1565c0}, {"", "LCK", 0x4e342e}, {"", "TH", 0x546e7a},
    {"", "TV", 0x546e7a}, {"window-close", "X", 0x546e7a}, {"help-about", "?", 0x1565c0},
}};
// clang-format on

QIcon DrawnImage(const ButtonImage& image) {
    constexpr int kSize = 24;
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgb(image.colour));
    painter.drawRoundedRect(QRectF(1, 1, kSize - 2, kSize - 2), 4, 4);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(std::string_view(image.label).size() > 2 ? 8 : 12);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, kSize, kSize), Qt::AlignCenter, image.label);
    return QIcon(pixmap);
}

// The image of the n-th button (0 to 24).
QIcon ToolBarImage(int image) {
    const ButtonImage& entry = kButtonImages.at(static_cast<std::size_t>(image));
    const QIcon drawn = DrawnImage(entry);
    if (*entry.themeName == '\0') return drawn;
    return QIcon::fromTheme(entry.themeName, drawn);
}

}  // namespace

QIcon ProgramIcon() { return DrawnImage({"", "89", 0x1565c0}); }

FrameToolBar::FrameToolBar(QWidget* parent, const std::function<void(int)>& dispatch)
    : QToolBar(parent) {
    setObjectName("ToolBar");
    setMovable(false);
    setIconSize(QSize(24, 24));
    int image = 0;
    for (const ToolBarEntry& entry : kToolBarEntries) {
        if (!entry.command) {
            addSeparator();
            continue;
        }
        const int id = static_cast<int>(*entry.command);
        const std::string_view tip = ToolTipText(id);
        const QString tipText = QString::fromLatin1(tip.data(), static_cast<qsizetype>(tip.size()));
        QAction* action = addAction(ToolBarImage(image++), tipText);
        action->setToolTip(tipText);
        action->setData(id);
        action->setEnabled(!entry.disabledAtCreation);
        connect(action, &QAction::triggered, this, [dispatch, id] { dispatch(id); });
    }
}

QAction* FrameToolBar::Button(CommandId id) const {
    for (QAction* action : actions()) {
        if (!action->isSeparator() && action->data().toInt() == static_cast<int>(id)) return action;
    }
    return nullptr;
}

void FrameToolBar::SetButtonEnabled(CommandId id, bool enabled) {
    if (QAction* action = Button(id)) action->setEnabled(enabled);
}

void FrameToolBar::PressButton(CommandId id, bool pressed) {
    if (QAction* action = Button(id)) {
        action->setCheckable(true);
        action->setChecked(pressed);
    }
}

}  // namespace zvk::ui
