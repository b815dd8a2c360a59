#include "ui/ToolBar.h"

#include <QAction>
#include <QEvent>

#include <iterator>
#include <string>
#include <string_view>

#include "ui/HelpTexts.h"

// The pictures live in a static library: its resources are registered by
// hand, once, at global scope where Q_INIT_RESOURCE must stand.
static void RegisterIconResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    (void)registered;
}

namespace zvk::ui {

QString IconPath(std::string_view image) {
    // Windows has the pictures as PNGs (ui/CMakeLists.txt).
#ifdef _WIN32
    constexpr const char* kExtension = ".png";
#else
    constexpr const char* kExtension = ".svg";
#endif
    return ":/icons/" + QString::fromLatin1(image.data(), static_cast<qsizetype>(image.size())) +
           kExtension;
}

QIcon DrawnIcon(std::string_view image) {
    RegisterIconResources();
    return QIcon(IconPath(image));
}

bool IsDarkBackground(const QColor& background) { return background.lightnessF() < 0.5; }

QIcon PictogramFor(std::string_view image, const QColor& background) {
    if (!IsDarkBackground(background)) return DrawnIcon(image);
    return DrawnIcon(std::string(image) + "-light");
}

QIcon ProgramIcon() { return DrawnIcon("zvk"); }

FrameToolBar::FrameToolBar(QWidget* parent, const std::function<void(int)>& dispatch)
    : QToolBar(parent) {
    setObjectName("ToolBar");
    setMovable(false);
    setIconSize(QSize(24, 24));
    for (const ToolBarEntry& entry : kToolBarEntries) {
        if (!entry.command) {
            addSeparator();
            continue;
        }
        const int id = static_cast<int>(*entry.command);
        const std::string_view tip = ToolTipText(id);
        const QString tipText = QString::fromLatin1(tip.data(), static_cast<qsizetype>(tip.size()));
        QAction* action = addAction(tipText);
        action->setToolTip(tipText);
        action->setData(id);
        action->setEnabled(!entry.disabledAtCreation);
        connect(action, &QAction::triggered, this, [dispatch, id] { dispatch(id); });
    }
    ShowPictograms();
}

void FrameToolBar::ShowPictograms() {
    const QColor background = palette().color(backgroundRole());
    light_ = IsDarkBackground(background);
    // One action an entry, separators included, in the order of the entries.
    const QList<QAction*> buttons = actions();
    for (qsizetype i = 0; i < buttons.size() && i < qsizetype(std::size(kToolBarEntries)); ++i) {
        const ToolBarEntry& entry = kToolBarEntries[i];
        if (entry.command) buttons[i]->setIcon(PictogramFor(entry.image, background));
    }
}

void FrameToolBar::changeEvent(QEvent* event) {
    QToolBar::changeEvent(event);
    // A desktop switched between light and dark while the program runs.
    if (event->type() == QEvent::PaletteChange ||
        event->type() == QEvent::ApplicationPaletteChange) {
        ShowPictograms();
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
