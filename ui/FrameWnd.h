#pragma once
// The frame window: menus, toolbar, status bar and the MDI client with the
// buffer windows. Every menu item, toolbar button and accelerator reaches
// OnCommand with its numeric id, which the one command table dispatches:
// set CurrentBufferKind, run the device check, hand over to the command.

#include <QMainWindow>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "app/AppState.h"
#include "app/BufferEvents.h"
#include "ui/CommandIds.h"

class QDialog;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QMenuBar;
class QStackedWidget;
class QTextBrowser;

namespace zvk::ui {

class ChildWnd;
class FrameStatusBar;
class FrameToolBar;
class FrameWnd;

// Which buffer a command works on; None leaves CurrentBufferKind alone.
enum class CommandKind : std::uint8_t { None, Flash, Eeprom };

struct FrameCommand {
    CommandId id;
    CommandKind kind;
    bool checkDevice;  // CheckDevice first; the command stops when it fails
    void (*action)(FrameWnd& frame);
};

// The command table, and one row of it (null for an id it does not have).
[[nodiscard]] std::span<const FrameCommand> FrameCommands();
[[nodiscard]] const FrameCommand* FindFrameCommand(int id);

// The two menus: FrameMenu while no buffer window is active, ChildMenu (with
// its Window popup) while one is.
enum class MenuKind { Frame, Child };

inline constexpr const char* kFrameTitle = "Zelvik 89CXX Family Programmer";

class FrameWnd : public QMainWindow {
  public:
    FrameWnd();
    ~FrameWnd() override;

    // Dispatches a command id; an id not in the table goes to the active
    // buffer window.
    void OnCommand(int id);

    [[nodiscard]] QMenuBar* Menu(MenuKind kind) const;
    [[nodiscard]] MenuKind ShownMenu() const;
    // The item of a command in one of the menus, or null.
    [[nodiscard]] QAction* MenuItem(MenuKind kind, CommandId id) const;
    [[nodiscard]] FrameToolBar* ToolBar() const { return toolBar_; }
    [[nodiscard]] FrameStatusBar* Status() const { return statusBar_; }
    [[nodiscard]] QMdiArea* Client() const { return client_; }
    [[nodiscard]] QTextBrowser* HelpWindow() const { return help_; }
    // True once the frame has agreed to close.
    [[nodiscard]] bool Closed() const { return closed_; }

    // Enables or greys the EEPROM and serial-programming commands for the
    // selected part, in both menus and on the toolbar; closes an EEPROM editor
    // when the part has no EEPROM.
    void UpdateDeviceMenus();
    // Greys File > Reload and its button until there is a load to repeat
    // into a buffer the part has.
    void UpdateReloadCommand();

    // Loads the file into the buffer of the kind as Load File does (a binary
    // asks for its address); with showEditor the buffer's editor then opens
    // on it. Used for a file named at start, dropped or picked from the
    // recent files.
    void OpenFile(BufferKind kind, const QString& path, bool showEditor);
    // The same, once the event that asks for it has been handled (a drop
    // must end before a dialog opens).
    void OpenFileLater(BufferKind kind, const QString& path, bool showEditor);

    // Opens the buffer window of an opener command, or brings it forward.
    void OpenChild(CommandId opener);
    // The open buffer window of an opener command (EditFlash, EditEeprom,
    // Disassembly), or null; a window being closed is no longer open.
    [[nodiscard]] ChildWnd* Child(CommandId opener) const;
    // After a change of part: the Flash editor and the disassembly view start
    // again from the top, over the buffer's new size.
    void ResetViewsForNewPart();
    // Closes every buffer window that agrees; true when none is left open.
    bool CloseAll();
    void ArrangeChildren(CommandId how);

    // Edit > Undo (or Redo) in the buffer of the active buffer window.
    void UndoCommand(bool undo);
    // Greys Undo and Redo while the active window's buffer has nothing to
    // undo or redo.
    void UpdateEditCommands();

    // The status text of the menu item under the mouse (0: none).
    void MenuHelp(int id);

    void ShowAbout();
    void ShowHelp();

    // Settings dialogs.
    void SelectDeviceCommand();
    void SerialPortCommand();
    void OptionsCommand();
    void ProtectionCommand();
    void AutoProgrammingModeCommand();

    // How modal dialogs of the frame are run (exec by default). Tests install
    // a runner that clicks through a dialog instead of waiting for a user.
    using DialogRunner = std::function<int(QDialog& dialog)>;
    void SetDialogRunner(DialogRunner runner);
    int RunDialog(QDialog& dialog);

    // What the About command shows (the About box by default).
    void SetAboutRunner(std::function<void()> runner);

  protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // A file dropped anywhere on the frame but the EEPROM editor loads into
    // the Flash buffer.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    QMenuBar* BuildMenu(MenuKind kind);
    void ChildActivated();
    // Greys Locate of a buffer while its editor is not open.
    void UpdateLocateCommands();
    void FillWindowList();
    // The recent files above Exit in the File popup.
    void FillRecentFiles(QMenu* file);
    [[nodiscard]] QMdiSubWindow* ShownChild() const;
    // The buffer the active buffer window shows, if one is active.
    [[nodiscard]] std::optional<BufferKind> ActiveBuffer() const;

    FrameToolBar* toolBar_;
    QMdiArea* client_;
    FrameStatusBar* statusBar_;
    QStackedWidget* menus_;
    QMenuBar* frameMenu_ = nullptr;
    QMenuBar* childMenu_ = nullptr;
    QMenu* childWindowMenu_ = nullptr;
    QTextBrowser* help_ = nullptr;
    DialogRunner dialogRunner_;
    std::function<void()> aboutRunner_;
    bool closed_ = false;
    BufferSubscription bufferChanges_;
};

}  // namespace zvk::ui
