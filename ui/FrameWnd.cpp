#include "ui/FrameWnd.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <iterator>
#include <optional>
#include <string_view>

#include "app/AppState.h"
#include "app/BufferEvents.h"
#include "app/Buffers.h"
#include "app/Busy.h"
#include "app/DeviceTable.h"
#include "app/Installation.h"
#include "app/Messages.h"
#include "app/UndoHistory.h"
#include "files/BlockOps.h"
#include "files/FileLoad.h"
#include "files/RecentFiles.h"
#include "files/Reload.h"
#include "link/DeviceCommands.h"
#include "link/Link.h"
#include "ui/AboutDlg.h"
#include "ui/ChildWnd.h"
#include "ui/FileQuestion.h"
#include "ui/HelpTexts.h"
#include "ui/JobDriver.h"
#include "ui/OperationDialogs.h"
#include "ui/ProgramLineDlg.h"
#include "ui/StatusBar.h"
#include "ui/ToolBar.h"

namespace zvk::ui {
namespace {

using enum CommandId;
using K = CommandKind;

void Arrange(FrameWnd& frame, CommandId how) { frame.ArrangeChildren(how); }
void LocateIn(FrameWnd& frame, CommandId editor) {
    if (ChildWnd* child = frame.Child(editor)) child->Locate();
}

// clang-format off
constexpr FrameCommand kFrameCommands[] = {
    {LoadFlash,            K::Flash,  false, [](FrameWnd& f) { RunLoadFile(&f); }},
    {LoadEeprom,           K::Eeprom, false, [](FrameWnd& f) { RunLoadFile(&f); }},
    {SaveFlash,            K::Flash,  false, [](FrameWnd& f) { RunSaveAs(&f); }},
    {SaveEeprom,           K::Eeprom, false, [](FrameWnd& f) { RunSaveAs(&f); }},
    {Exit,                 K::None,   false, [](FrameWnd& f) { f.close(); }},
    {EditFlash,            K::None,   false, [](FrameWnd& f) { f.OpenChild(EditFlash); }},
    {LocateFlash,          K::None,   false, [](FrameWnd& f) { LocateIn(f, EditFlash); }},
    {ClearFlash,           K::Flash,  false, [](FrameWnd&) { ClearCommand(); }},
    {FillFlash,            K::Flash,  false, [](FrameWnd& f) { RunFill(&f); }},
    {CopyFlash,            K::Flash,  false, [](FrameWnd& f) { RunCopy(&f); }},
    {ChecksumFlash,        K::Flash,  false, [](FrameWnd& f) { RunChecksum(&f); }},
    {EditEeprom,           K::None,   false, [](FrameWnd& f) { f.OpenChild(EditEeprom); }},
    {LocateEeprom,         K::None,   false, [](FrameWnd& f) { LocateIn(f, EditEeprom); }},
    {ClearEeprom,          K::Eeprom, false, [](FrameWnd&) { ClearCommand(); }},
    {FillEeprom,           K::Eeprom, false, [](FrameWnd& f) { RunFill(&f); }},
    {CopyEeprom,           K::Eeprom, false, [](FrameWnd& f) { RunCopy(&f); }},
    {ChecksumEeprom,       K::Eeprom, false, [](FrameWnd& f) { RunChecksum(&f); }},
    {Disassembly,          K::None,   false, [](FrameWnd& f) { f.OpenChild(Disassembly); }},
    {EnterProgram,         K::None,   false, [](FrameWnd& f) { ui::EnterProgram(f, true); }},
    {SelectDevice,         K::None,   false, [](FrameWnd& f) { f.SelectDeviceCommand(); }},
    {Auto,                 K::Flash,  true,  [](FrameWnd& f) { RunAuto(&f); }},
    {Erase,                K::None,   true,  [](FrameWnd&) { EraseCommand(); }},
    {BlankCheck,           K::Flash,  true,  [](FrameWnd& f) { RunBlankCheck(&f); }},
    {Program,              K::Flash,  true,  [](FrameWnd& f) { RunProgram(&f); }},
    {Read,                 K::Flash,  true,  [](FrameWnd& f) { RunRead(&f); }},
    {Verify,               K::Flash,  true,  [](FrameWnd& f) { RunVerify(&f); }},
    {Protect,              K::None,   true,  [](FrameWnd&) { ProtectCommand(App().ProtectionOptions); }},
    {SerialProgramEnable,  K::None,   true,  [](FrameWnd&) { SerialProgramEnableCommand(); }},
    {SerialProgramDisable, K::None,   true,  [](FrameWnd&) { SerialProgramDisableCommand(); }},
    {BlankCheckEeprom,     K::Eeprom, true,  [](FrameWnd& f) { RunBlankCheck(&f); }},
    {ProgramEeprom,        K::Eeprom, true,  [](FrameWnd& f) { RunProgram(&f); }},
    {ReadEeprom,           K::Eeprom, true,  [](FrameWnd& f) { RunRead(&f); }},
    {VerifyEeprom,         K::Eeprom, true,  [](FrameWnd& f) { RunVerify(&f); }},
    {SerialPort,           K::None,   false, [](FrameWnd& f) { f.SerialPortCommand(); }},
    {Options,              K::None,   false, [](FrameWnd& f) { f.OptionsCommand(); }},
    {AutoProgrammingMode,  K::None,   false, [](FrameWnd& f) { f.AutoProgrammingModeCommand(); }},
    {Protection,           K::None,   false, [](FrameWnd& f) { f.ProtectionCommand(); }},
    {HelpContents,         K::None,   false, [](FrameWnd& f) { f.ShowHelp(); }},
    {About,                K::None,   false, [](FrameWnd& f) { f.ShowAbout(); }},
    {Cascade,              K::None,   false, [](FrameWnd& f) { Arrange(f, Cascade); }},
    {TileHorizontally,     K::None,   false, [](FrameWnd& f) { Arrange(f, TileHorizontally); }},
    {TileVertically,       K::None,   false, [](FrameWnd& f) { Arrange(f, TileVertically); }},
    {ArrangeIcons,         K::None,   false, [](FrameWnd& f) { Arrange(f, ArrangeIcons); }},
    {CloseAll,             K::None,   false, [](FrameWnd& f) { f.CloseAll(); }},
    {ReloadFile,           K::None,   false, [](FrameWnd& f) { RunReload(&f); }},
    {Undo,                 K::None,   false, [](FrameWnd& f) { f.UndoCommand(true); }},
    {Redo,                 K::None,   false, [](FrameWnd& f) { f.UndoCommand(false); }},
};
// clang-format on

// One line of the menus: a popup (no id), an item, or a separator (neither
// text nor id). Depth 0 is the menu bar. The Edit and Window popups exist only
// in the child menu. An item's keys are separated by "; ", the first shown.
struct MenuLine {
    int depth;
    std::string_view text;
    int id = 0;
    std::string_view shortcut = {};
    bool childOnly = false;
};

constexpr int Id(CommandId id) { return static_cast<int>(id); }

// clang-format off
constexpr MenuLine kMenuLines[] = {
    {0, "&File"},
    {1, "Load File"},
    {2, "Flash Buffer", Id(LoadFlash)},
    {2, "EEPROM Buffer", Id(LoadEeprom)},
    {1, "Reload", Id(ReloadFile), "F5"},
    {1, "Save  &As..."},
    {2, "Flash Buffer", Id(SaveFlash)},
    {2, "EEPROM Buffer", Id(SaveEeprom)},
    {1, ""},
    {1, "E&xit", Id(Exit), "Alt+X"},
    {0, "&Edit", 0, {}, true},
    {1, "&Undo", Id(Undo), "Ctrl+Z"},
    {1, "&Redo", Id(Redo), "Ctrl+Y; Ctrl+Shift+Z"},
    {0, "&Buffer"},
    {1, "&Flash Buffer"},
    {2, "&Edit", Id(EditFlash), "F1"},
    {2, "&Locate", Id(LocateFlash)},
    {2, "Clea&r", Id(ClearFlash)},
    {2, "&Fill", Id(FillFlash)},
    {2, "&Copy", Id(CopyFlash)},
    {2, "C&hecksum", Id(ChecksumFlash)},
    {1, "&EEPROM Buffer"},
    {2, "&Edit", Id(EditEeprom)},
    {2, "&Locate", Id(LocateEeprom)},
    {2, "Clea&r", Id(ClearEeprom)},
    {2, "&Fill", Id(FillEeprom)},
    {2, "&Copy", Id(CopyEeprom)},
    {2, "C&hecksum", Id(ChecksumEeprom)},
    {1, ""},
    {1, "&Disassembly", Id(Disassembly)},
    {1, "Enter &Program", Id(EnterProgram)},
    {0, "&Device"},
    {1, "&Selection", Id(SelectDevice)},
    {1, ""},
    {1, "Auto", Id(Auto)},
    {1, "Erase", Id(Erase)},
    {1, "Blank Check", Id(BlankCheck)},
    {1, "Program", Id(Program)},
    {1, "&Read", Id(Read)},
    {1, "Verify", Id(Verify)},
    {1, "Protect", Id(Protect)},
    {1, ""},
    {1, "Enable Serial Program", Id(SerialProgramEnable)},
    {1, "Disable Serial Program", Id(SerialProgramDisable)},
    {1, ""},
    {1, "BlankCheck EEPROM", Id(BlankCheckEeprom)},
    {1, "Program EEPROM", Id(ProgramEeprom)},
    {1, "Read EEPROM", Id(ReadEeprom)},
    {1, "Verify EEPROM", Id(VerifyEeprom)},
    {0, "&Settings"},
    {1, "&Serial Port", Id(SerialPort)},
    {1, "&Options", Id(Options)},
    {1, "&Auto Programming Mode", Id(AutoProgrammingMode)},
    {1, "&Protection", Id(Protection)},
    {0, "&Window", 0, {}, true},
    {1, "&Cascade", Id(Cascade)},
    {1, "Tile &Horizontally", Id(TileHorizontally)},
    {1, "Tile &Vertically", Id(TileVertically)},
    {1, "&Arrange Icons", Id(ArrangeIcons)},
    {1, "&Close All", Id(CloseAll)},
    {0, "&Help"},
    {1, "&Contents", Id(HelpContents)},
    {1, "&About", Id(About)},
};
// clang-format on

// Commands greyed for a part without EEPROM; the toolbar has buttons for the
// first three.
constexpr CommandId kEepromCommands[] = {
    LoadEeprom,   SaveEeprom,   EditEeprom,  BlankCheckEeprom, ProgramEeprom, ReadEeprom,
    VerifyEeprom, LocateEeprom, ClearEeprom, FillEeprom,       CopyEeprom,    ChecksumEeprom,
};
constexpr CommandId kEepromButtons[] = {LoadEeprom, SaveEeprom, EditEeprom};
constexpr CommandId kSerialSwitchCommands[] = {SerialProgramEnable, SerialProgramDisable};
// Buttons that only make sense while a buffer window is open.
constexpr CommandId kChildButtons[] = {CloseAll, TileHorizontally, TileVertically};

// The window list's entries (and the separator above them) count from here,
// one id a window; the Window popup's own commands lie above that range.
constexpr int kFirstChildWindowId = 50000;
constexpr int kChildWindowIdEnd = kFirstChildWindowId + static_cast<int>(std::size(kChildWindows));
// The recent files in the File popup, and the separator below them.
constexpr int kFirstRecentFileId = 51000;
constexpr int kRecentFileIdEnd = kFirstRecentFileId + static_cast<int>(kRecentFileCount) + 1;
// A recent file's path is shortened in its middle beyond this many average
// characters, so that the popup stays narrow.
constexpr int kRecentFileWidth = 60;

// The commands that write a buffer into the chip or compare the chip with it.
// They first offer to reload the buffer's file when it has changed on disk.
struct LoadedFileUse {
    CommandId id;
    BufferKind kind;
};
constexpr LoadedFileUse kUsesLoadedFile[] = {
    {Auto, BufferKind::Flash},          {Program, BufferKind::Flash},
    {Verify, BufferKind::Flash},        {ProgramEeprom, BufferKind::Eeprom},
    {VerifyEeprom, BufferKind::Eeprom},
};

// False when the user chose to stop.
bool OfferReload(FrameWnd& frame, CommandId id) {
    for (const LoadedFileUse& use : kUsesLoadedFile) {
        if (use.id != id) continue;
        // An Auto sequence without Program and Verify never looks at the buffer.
        if (id == Auto && (App().AutoSequence & (kAutoProgram | kAutoVerify)) == 0) return true;
        return ReloadChangedFileFirst(&frame, use.kind);
    }
    return true;
}

constexpr std::chrono::milliseconds kPortWatchInterval{1000};

constexpr const char* kHelpError =
    "Error: Help File Not Found or\nRequires Internet explorer with version 4.0";

QString Text(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// The command whose help an item shows; 0 (no help) for a popup's item.
int HelpId(const QAction* item) { return item->menu() != nullptr ? 0 : item->data().toInt(); }

// Qt tells of the item under the mouse only when it is enabled; the help of
// a greyed item is shown from the mouse moves themselves.
class GreyedItemHelp final : public QObject {
  public:
    GreyedItemHelp(QObject* parent, std::function<void(int id)> help)
        : QObject(parent), help_(std::move(help)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseMove) {
            auto* menu = static_cast<QMenu*>(watched);
            const QAction* item =
                menu->actionAt(static_cast<QMouseEvent*>(event)->position().toPoint());
            if (item != nullptr && !item->isEnabled() && !item->isSeparator()) help_(HelpId(item));
        }
        return false;
    }

  private:
    std::function<void(int)> help_;
};

ChildWnd* ChildOf(QMdiSubWindow* window) {
    return window != nullptr ? static_cast<ChildWnd*>(window->widget()) : nullptr;
}

}  // namespace

std::span<const FrameCommand> FrameCommands() { return kFrameCommands; }

const FrameCommand* FindFrameCommand(int id) {
    for (const FrameCommand& command : kFrameCommands) {
        if (static_cast<int>(command.id) == id) return &command;
    }
    return nullptr;
}

FrameWnd::FrameWnd()
    : toolBar_(new FrameToolBar(this, [this](int id) { OnCommand(id); })),
      client_(new QMdiArea(this)),
      statusBar_(new FrameStatusBar(this)),
      menus_(new QStackedWidget(this)) {
    frameMenu_ = BuildMenu(MenuKind::Frame);
    childMenu_ = BuildMenu(MenuKind::Child);
    setWindowTitle(kFrameTitle);
    setWindowIcon(ProgramIcon());
    setAcceptDrops(true);
    addToolBar(Qt::TopToolBarArea, toolBar_);
    client_->setBackground(palette().color(QPalette::Dark));
    setCentralWidget(client_);
    setStatusBar(statusBar_);
    menus_->addWidget(frameMenu_);
    menus_->addWidget(childMenu_);
    // Only the shown menu bar may claim the height.
    menus_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setMenuWidget(menus_);

    // F1 and Alt+X are the keys of their menu items; the MDI keys have no item.
    const auto mdiKey = [this](const char* keys, void (QMdiArea::*act)()) {
        auto* action = new QAction(this);
        action->setShortcut(QKeySequence(keys));
        connect(action, &QAction::triggered, client_, act);
        addAction(action);
    };
    mdiKey("Ctrl+F4", &QMdiArea::closeActiveSubWindow);
    mdiKey("Ctrl+F6", &QMdiArea::activateNextSubWindow);
    // Find and go to in the active buffer window; without one they do nothing.
    for (const auto& [keys, command] :
         {std::pair{"Ctrl+F", kCmdFind}, std::pair{"F3", kCmdFindNext},
          std::pair{"Ctrl+G", kCmdGoTo}}) {
        auto* action = new QAction(this);
        action->setShortcut(QKeySequence(keys));
        connect(action, &QAction::triggered, this, [this, command] {
            if (ChildWnd* child = ChildOf(ShownChild())) child->HandleCommand(command);
        });
        addAction(action);
    }

    connect(client_, &QMdiArea::subWindowActivated, this, [this] { ChildActivated(); });

    // A unit that went away between commands shows in the status bar before
    // the next command finds it out.
    auto* portWatch = new QTimer(this);
    connect(portWatch, &QTimer::timeout, this, [this] { statusBar_->ShowPortState(); });
    portWatch->start(kPortWatchInterval);

    SetBusyIndicator(ShowBusyCursor);
    // Undo and Redo grey and light up with every change of a buffer.
    bufferChanges_ = SubscribeBufferChanges([this](const BufferChange&) { UpdateEditCommands(); });
    ChildActivated();
    UpdateReloadCommand();
}

FrameWnd::~FrameWnd() {
    // The buffer windows go with the client; nobody may reach them after.
    for (QMdiSubWindow* window : client_->subWindowList()) delete window;
    SetBusyIndicator({});
}

QMenuBar* FrameWnd::BuildMenu(MenuKind kind) {
    auto* bar = new QMenuBar(this);
    bar->setNativeMenuBar(false);
    const bool child = kind == MenuKind::Child;
    QMenu* popups[3] = {nullptr, nullptr, nullptr};
    auto* greyedHelp = new GreyedItemHelp(bar, [this](int id) { MenuHelp(id); });
    bool skipping = false;
    for (const MenuLine& line : kMenuLines) {
        if (line.depth == 0) skipping = line.childOnly && !child;
        if (skipping) continue;
        const QString text = Text(line.text);
        QWidget* parentMenu = line.depth == 0 ? static_cast<QWidget*>(bar) : popups[line.depth - 1];
        if (line.id == 0 && line.text.empty()) {
            popups[line.depth - 1]->addSeparator();
        } else if (line.id == 0) {
            QMenu* popup =
                line.depth == 0 ? bar->addMenu(text) : popups[line.depth - 1]->addMenu(text);
            popups[line.depth] = popup;
            popup->installEventFilter(greyedHelp);
            connect(popup, &QMenu::hovered, this,
                    [this](QAction* action) { MenuHelp(HelpId(action)); });
            if (line.depth == 0) {
                connect(popup, &QMenu::aboutToHide, this, [this] { MenuHelp(0); });
                connect(popup, &QMenu::aboutToShow, this, [this] { UpdateLocateCommands(); });
            }
            if (line.depth == 0 && line.text == "&File") {
                connect(popup, &QMenu::aboutToShow, this,
                        [this, popup] { FillRecentFiles(popup); });
            }
            if (line.depth == 0 && line.text == "&Edit") {
                connect(popup, &QMenu::aboutToShow, this, [this] { UpdateEditCommands(); });
            }
            if (child && line.text == "&Window") {
                childWindowMenu_ = popup;
                connect(popup, &QMenu::aboutToShow, this, [this] { FillWindowList(); });
            }
        } else {
            auto* action = new QAction(text, parentMenu);
            action->setData(line.id);
            if (!line.shortcut.empty()) {
                // Only the shown menu bar's items are live, so that each key
                // has one action wherever the focus is, the menu bar included.
                action->setShortcuts(QKeySequence::listFromString(Text(line.shortcut)));
            }
            const int id = line.id;
            connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
            popups[line.depth - 1]->addAction(action);
        }
    }
    return bar;
}

void FrameWnd::OnCommand(int id) {
    const FrameCommand* command = FindFrameCommand(id);
    if (command == nullptr) {
        if (ChildWnd* child = ChildOf(ShownChild())) child->HandleCommand(id);
        return;
    }
    // Asked before the device check, so that Cancel leaves the unit alone.
    if (!OfferReload(*this, command->id)) return;
    if (command->checkDevice) {
        // A unit restarted or an adapter plugged in again is reached without
        // a word; only when that fails too does the command say why.
        RefreshProgrammerPort(App().PortIndex);
        statusBar_->ShowState();
        if (!CheckDevice()) {
            statusBar_->ShowState();
            return;
        }
    }
    if (command->kind == CommandKind::Flash) App().CurrentBufferKind = BufferKind::Flash;
    if (command->kind == CommandKind::Eeprom) App().CurrentBufferKind = BufferKind::Eeprom;
    command->action(*this);
    UpdateReloadCommand();  // any command may have loaded a file
    UpdateEditCommands();   // or changed the part
    if (command->checkDevice) statusBar_->ShowState();
}

QMenuBar* FrameWnd::Menu(MenuKind kind) const {
    return kind == MenuKind::Frame ? frameMenu_ : childMenu_;
}

MenuKind FrameWnd::ShownMenu() const {
    return menus_->currentWidget() == childMenu_ ? MenuKind::Child : MenuKind::Frame;
}

QAction* FrameWnd::MenuItem(MenuKind kind, CommandId id) const {
    for (QAction* action : Menu(kind)->findChildren<QAction*>()) {
        if (action->menu() == nullptr && action->data().toInt() == static_cast<int>(id))
            return action;
    }
    return nullptr;
}

QMdiSubWindow* FrameWnd::ShownChild() const {
    // The current window stays current while a dialog of ours has the focus.
    return client_->currentSubWindow();
}

void FrameWnd::ChildActivated() {
    const bool childShown = ShownChild() != nullptr;
    menus_->setCurrentWidget(childShown ? childMenu_ : frameMenu_);
    for (CommandId id : kChildButtons) toolBar_->SetButtonEnabled(id, childShown);
    // The active window's opener shows pressed; Locate works in the Flash editor only.
    const ChildWnd* active = ChildOf(ShownChild());
    for (const ChildInfo& info : kChildWindows) {
        toolBar_->PressButton(info.opener, active != nullptr && &active->Info() == &info);
    }
    toolBar_->SetButtonEnabled(LocateFlash,
                               active != nullptr && active->Info().opener == EditFlash);
    UpdateLocateCommands();
    UpdateEditCommands();
    statusBar_->SetPaneText(0, "Ready");
}

std::optional<BufferKind> FrameWnd::ActiveBuffer() const {
    const ChildWnd* active = ChildOf(ShownChild());
    if (active == nullptr) return std::nullopt;
    return active->Info().opener == EditEeprom ? BufferKind::Eeprom : BufferKind::Flash;
}

void FrameWnd::UpdateEditCommands() {
    const std::optional<BufferKind> kind = ActiveBuffer();
    MenuItem(MenuKind::Child, Undo)->setEnabled(kind && CanUndo(*kind));
    MenuItem(MenuKind::Child, Redo)->setEnabled(kind && CanRedo(*kind));
}

void FrameWnd::UndoCommand(bool undo) {
    if (const std::optional<BufferKind> kind = ActiveBuffer()) {
        (void)(undo ? UndoBufferChange(*kind) : RedoBufferChange(*kind));
    }
}

void FrameWnd::UpdateLocateCommands() {
    // Locate moves an editor: greyed while there is none to move.
    const bool flash = Child(EditFlash) != nullptr;
    const bool eeprom = Child(EditEeprom) != nullptr && SelectedDeviceInfo().HasEeprom;
    for (MenuKind kind : {MenuKind::Frame, MenuKind::Child}) {
        MenuItem(kind, LocateFlash)->setEnabled(flash);
        MenuItem(kind, LocateEeprom)->setEnabled(eeprom);
    }
}

void FrameWnd::FillWindowList() {
    for (QAction* action : childWindowMenu_->actions()) {
        const int id = action->data().toInt();
        if (id >= kFirstChildWindowId && id < kChildWindowIdEnd) delete action;
    }
    const auto windows = client_->subWindowList(QMdiArea::CreationOrder);
    if (windows.isEmpty()) return;
    int number = 0;
    for (QMdiSubWindow* window : windows) {
        auto* action = new QAction(QString("&%1 %2").arg(number + 1).arg(window->windowTitle()),
                                   childWindowMenu_);
        action->setData(kFirstChildWindowId + number);
        action->setCheckable(true);
        action->setChecked(window == ShownChild());
        connect(action, &QAction::triggered, this,
                [this, window] { client_->setActiveSubWindow(window); });
        if (number == 0) childWindowMenu_->addSeparator()->setData(kFirstChildWindowId);
        childWindowMenu_->addAction(action);
        ++number;
    }
}

void FrameWnd::FillRecentFiles(QMenu* file) {
    QAction* exit = nullptr;
    for (QAction* action : file->actions()) {
        const int id = action->data().toInt();
        if (id >= kFirstRecentFileId && id < kRecentFileIdEnd) {
            delete action;
        } else if (action->menu() == nullptr && id == Id(Exit)) {
            exit = action;
        }
    }
    const std::vector<RecentFile> files = RecentFiles();
    if (files.empty() || exit == nullptr) return;
    const QFontMetrics metrics(file->font());
    const int width = metrics.averageCharWidth() * kRecentFileWidth;
    int number = 0;
    for (const RecentFile& recent : files) {
        const QString path = QString::fromStdString(recent.path);
        const QString buffer = recent.kind == BufferKind::Flash ? "Flash" : "EEPROM";
        // An "&" in a name is shown, not taken for a mnemonic.
        const QString shown = metrics.elidedText(path, Qt::ElideMiddle, width).replace("&", "&&");
        auto* action = new QAction(QString("&%1 %2 (%3)").arg(number + 1).arg(shown, buffer), file);
        action->setData(kFirstRecentFileId + number);
        action->setEnabled(recent.kind == BufferKind::Flash || SelectedDeviceInfo().HasEeprom);
        connect(action, &QAction::triggered, this,
                [this, recent, path] { OpenFile(recent.kind, path, false); });
        file->insertAction(exit, action);
        ++number;
    }
    file->insertSeparator(exit)->setData(kFirstRecentFileId + number);
}

void FrameWnd::OpenFile(BufferKind kind, const QString& path, bool showEditor) {
    if (kind == BufferKind::Eeprom && !SelectedDeviceInfo().HasEeprom) return;
    const int loaded = RunLoadPath(this, kind, path.toStdString());
    UpdateReloadCommand();
    if (showEditor && loaded != kLoadStopped) {
        OpenChild(kind == BufferKind::Flash ? EditFlash : EditEeprom);
    }
}

void FrameWnd::OpenFileLater(BufferKind kind, const QString& path, bool showEditor) {
    QTimer::singleShot(0, this,
                       [this, kind, path, showEditor] { OpenFile(kind, path, showEditor); });
}

void FrameWnd::UpdateDeviceMenus() {
    const DeviceInfo& part = SelectedDeviceInfo();
    const MenuKind kinds[] = {MenuKind::Frame, MenuKind::Child};
    for (CommandId id : kEepromButtons) toolBar_->SetButtonEnabled(id, part.HasEeprom);
    if (ChildWnd* eeprom = Child(EditEeprom); !part.HasEeprom && eeprom != nullptr) {
        eeprom->parentWidget()->close();
    }
    const bool serialSwitch =
        part.SerialProgramSwitch && (App().ProgrammingMode & kModeParallel) != 0;
    for (MenuKind kind : kinds) {
        for (CommandId id : kEepromCommands) MenuItem(kind, id)->setEnabled(part.HasEeprom);
        for (CommandId id : kSerialSwitchCommands) MenuItem(kind, id)->setEnabled(serialSwitch);
    }
    UpdateLocateCommands();
    UpdateReloadCommand();
}

void FrameWnd::UpdateReloadCommand() {
    const bool available = ReloadAvailable();
    for (MenuKind kind : {MenuKind::Frame, MenuKind::Child}) {
        MenuItem(kind, ReloadFile)->setEnabled(available);
    }
    toolBar_->SetButtonEnabled(ReloadFile, available);
}

void FrameWnd::OpenChild(CommandId opener) {
    const ChildInfo* info = FindChild(opener);
    if (info == nullptr) return;
    ChildWnd* open = Child(opener);
    if (open == nullptr) {
        ChildWnd* child = info->create(*info, *this);
        QMdiSubWindow* window = client_->addSubWindow(child);
        window->setAttribute(Qt::WA_DeleteOnClose);
        // A window closed while another one is active changes no activation.
        connect(window, &QObject::destroyed, this, [this] { UpdateLocateCommands(); });
        // The frame's Ctrl+F4 closes a window. Qt's own key for it here is
        // Ctrl+W, a character the hex editors type.
        for (QAction* action : window->systemMenu()->actions()) {
            if (action->shortcut() != QKeySequence(QKeySequence::Close)) continue;
            action->setShortcuts({});
            action->setText(action->text() + "\tCtrl+F4");
        }
        // The window wears the image of the button that opens it.
        window->setWindowIcon(toolBar_->Button(opener)->icon());
        window->show();
        client_->setActiveSubWindow(window);
        ChildActivated();
        return;
    }
    auto* window = static_cast<QMdiSubWindow*>(open->parentWidget());
    if (window != ShownChild()) {
        client_->setActiveSubWindow(window);
    } else {
        toolBar_->PressButton(opener);
    }
}

bool FrameWnd::CloseAll() {
    for (QMdiSubWindow* window : client_->subWindowList()) {
        if (window->isMinimized()) window->showNormal();
        window->close();
    }
    for (const ChildInfo& info : kChildWindows) {
        if (Child(info.opener) != nullptr) return false;
    }
    return true;
}

ChildWnd* FrameWnd::Child(CommandId opener) const {
    for (QMdiSubWindow* window : client_->subWindowList()) {
        ChildWnd* child = ChildOf(window);
        if (child != nullptr && child->Info().opener == opener && !child->Closing()) return child;
    }
    return nullptr;
}

void FrameWnd::ResetViewsForNewPart() {
    for (CommandId opener : {EditFlash, Disassembly}) {
        if (ChildWnd* view = Child(opener)) {
            view->SetTopAddress(0);
            view->ResetScroll();
        }
    }
}

void FrameWnd::ArrangeChildren(CommandId how) {
    switch (how) {
        case Cascade:
            client_->cascadeSubWindows();
            break;
        case ArrangeIcons: {
            // The minimised windows line up from the bottom left corner.
            const QRect area = client_->viewport()->rect();
            int x = 0;
            for (QMdiSubWindow* window : client_->subWindowList(QMdiArea::CreationOrder)) {
                if (!window->isMinimized()) continue;
                window->move(x, area.height() - window->height());
                x += window->width();
            }
            break;
        }
        default: {
            // One row or one column of equal windows, in creation order.
            const auto windows = client_->subWindowList(QMdiArea::CreationOrder);
            const QRect area = client_->viewport()->rect();
            const int count = static_cast<int>(windows.size());
            for (int i = 0; i < count; ++i) {
                QMdiSubWindow* window = windows[i];
                if (window->isMinimized() || window->isMaximized()) window->showNormal();
                if (how == TileHorizontally) {
                    const int h = area.height() / count;
                    window->setGeometry(0, i * h, area.width(), h);
                } else {
                    const int w = area.width() / count;
                    window->setGeometry(i * w, 0, w, area.height());
                }
            }
            break;
        }
    }
}

void FrameWnd::MenuHelp(int id) { statusBar_->SetPaneText(0, Text(MenuHelpText(id))); }

void FrameWnd::SetDialogRunner(DialogRunner runner) { dialogRunner_ = std::move(runner); }

int FrameWnd::RunDialog(QDialog& dialog) {
    return dialogRunner_ ? dialogRunner_(dialog) : dialog.exec();
}

void FrameWnd::SetAboutRunner(std::function<void()> runner) { aboutRunner_ = std::move(runner); }

void FrameWnd::ShowAbout() {
    if (aboutRunner_) {
        aboutRunner_();
        return;
    }
    AboutDlg dialog(this);
    RunDialog(dialog);
}

void FrameWnd::ShowHelp() {
    // Our help pages are shown by a text browser that is part of the program,
    // so nothing can fail to load but the pages themselves: beside the
    // program, or in the data folder of an installed copy.
    const QString index = QString::fromStdString(ManualIndexPath());
    if (index.isEmpty()) {
        ShowMessage(kHelpError, "ERROR", MessageIcon::Stop);
        return;
    }
    if (help_ == nullptr) {
        help_ = new QTextBrowser(this);
        help_->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                              Qt::WindowCloseButtonHint);
        for (const QKeySequence& keys : {QKeySequence(Qt::Key_Escape), QKeySequence("Ctrl+W")}) {
            auto* close = new QAction(help_);
            close->setShortcut(keys);
            close->setShortcutContext(Qt::WindowShortcut);
            connect(close, &QAction::triggered, help_, &QWidget::close);
            help_->addAction(close);
        }
        help_->setWindowTitle(QString(kFrameTitle) + " - Help");
        help_->setOpenExternalLinks(true);
        help_->resize(760, 600);
    }
    help_->setSource(QUrl::fromLocalFile(index));
    help_->show();
    help_->raise();
    help_->activateWindow();
}

void FrameWnd::dragEnterEvent(QDragEnterEvent* event) { (void)DroppedFile(event); }

void FrameWnd::dragMoveEvent(QDragMoveEvent* event) { (void)DroppedFile(event); }

void FrameWnd::dropEvent(QDropEvent* event) {
    if (const auto path = DroppedFile(event)) OpenFileLater(BufferKind::Flash, *path, true);
}

bool FrameWnd::event(QEvent* event) {
    // Pane 0 belongs to the menu help; Qt's own status tips would cover the panes.
    if (event->type() == QEvent::StatusTip) return true;
    return QMainWindow::event(event);
}

void FrameWnd::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    statusBar_->SetPaneText(0, "Ready");
    statusBar_->ShowState();
}

void FrameWnd::closeEvent(QCloseEvent* event) {
    if (!CloseAll()) {
        event->ignore();
        return;
    }
    ReleaseBuffers();
    CloseProgrammerPort();
    if (help_ != nullptr) help_->close();
    closed_ = true;
    event->accept();
}

}  // namespace zvk::ui
