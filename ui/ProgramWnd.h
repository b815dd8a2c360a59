#pragma once
// The disassembly view: the Flash buffer as 8051 code, one instruction per
// row under a header row, in the frame's MDI client. The user scrolls by
// instructions and pages, drags to any byte address, jumps to an address,
// replaces an instruction in place through the one-line assembler and starts
// program line entry from a row (popup menu "Selection" and double clicks).
// DisassemblyArea draws and scrolls; ProgramWnd is the buffer window around
// it and runs the commands that need dialogs.

#include <QAbstractScrollArea>
#include <QFont>

#include <cstdint>
#include <functional>

#include "app/BufferEvents.h"
#include "ui/ChildWnd.h"
#include "views/DisassemblyView.h"

class QMenu;

namespace zvk::ui {

// Commands of the view's popup menu.
inline constexpr int kCmdSetAddress = 40076;
inline constexpr int kCmdEditInstruction = 40081;
inline constexpr int kCmdEnterProgramHere = 40100;

class DisassemblyArea : public QAbstractScrollArea {
  public:
    // command receives the popup's choice and the double clicks' commands.
    DisassemblyArea(QWidget* parent, std::function<void(int id)> command);

    [[nodiscard]] views::DisassemblyView& View() { return view_; }
    [[nodiscard]] int CharWidth() const { return charWidth_; }
    [[nodiscard]] int LineHeight() const { return lineHeight_; }
    [[nodiscard]] int ColumnCount() const { return columnCount_; }
    [[nodiscard]] int ClickRow() const { return clickRow_; }
    [[nodiscard]] int ClickColumn() const { return clickColumn_; }
    [[nodiscard]] QMenu* PopupMenu() const { return popup_; }

    // Shows the code from an address on.
    void MoveTo(std::uint16_t address);
    // Reads the buffer again and redraws.
    void Reload();
    // The vertical range after a change of part.
    void ResetVerticalRange();

    void LineUp();
    void LineDown();
    void PageUp();
    void PageDown();
    // The thumb dragged to any byte address.
    void TrackTo(int position);

    void BeginEntry(std::uint16_t address);
    void EntryLineStored();
    void EndEntry();

    // How the popup menu is run (exec at the mouse by default); tests pick
    // an item instead of waiting for a user.
    using MenuRunner = std::function<QAction*(QMenu& menu, const QPoint& globalPosition)>;
    void SetMenuRunner(MenuRunner runner) { menuRunner_ = std::move(runner); }

    // Called whenever the first address shown changes.
    void SetTopListener(std::function<void(std::uint16_t)> listener) {
        topListener_ = std::move(listener);
    }

    [[nodiscard]] QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

  private:
    void OnVerticalAction(int action);
    void SyncVertical();
    void RedrawAll();
    void ScrollRows(int direction);
    [[nodiscard]] QRect RowRect(int row) const;
    void StoreClick(const QPoint& position);
    void PaintRow(QPainter& painter, int row, int x) const;

    std::function<void(int)> command_;
    views::DisassemblyView view_;
    QFont font_;
    int charWidth_ = 0;
    int lineHeight_ = 0;
    int ascent_ = 0;
    int columnCount_ = 0;
    int clickRow_ = 0;
    int clickColumn_ = 0;
    int wheelRemainder_ = 0;
    QMenu* popup_;
    MenuRunner menuRunner_;
    std::function<void(std::uint16_t)> topListener_;
};

class ProgramWnd : public ChildWnd {
  public:
    ProgramWnd(const ChildInfo& info, FrameWnd& frame);
    ~ProgramWnd() override;

    [[nodiscard]] DisassemblyArea* Area() const { return area_; }

    void HandleCommand(int id) override;
    void SetTopAddress(std::uint16_t address) override;
    void ResetScroll() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // The Set Address dialog, offering the address; OK shows the code from
    // the address entered.
    void GoToAddress(std::uint16_t offered);
    void EditInstruction();
    void EnterProgramHere();
    void Activated(bool active);

    DisassemblyArea* area_;
    bool watchingActivation_ = false;
    BufferSubscription flashChanges_;
};

// The frame's open disassembly view, or null.
[[nodiscard]] ProgramWnd* OpenDisassemblyView(const FrameWnd& frame);

}  // namespace zvk::ui
