#pragma once
// The Flash and EEPROM hex editor windows: 16 bytes to a row in hexadecimal
// and as characters, each byte in the colour of its origin, with a caret to
// type over them. Both are one HexEditWnd over a HexEditor; the frame makes
// them through CreateFlashEditWindow and CreateEepromEditWindow.

#include <QColor>

#include <cstdint>

#include "app/BufferEvents.h"
#include "ui/ChildWnd.h"
#include "views/HexEditor.h"

class QAbstractScrollArea;

namespace zvk::ui {

class HexView;

// The colour a byte of the given origin is drawn in.
[[nodiscard]] QColor OriginColour(ByteOrigin origin);

class HexEditWnd : public ChildWnd {
  public:
    HexEditWnd(const ChildInfo& info, FrameWnd& frame, const views::HexEditorKind& kind,
               views::HexEditorState& state);

    [[nodiscard]] views::HexEditor& Editor() { return editor_; }
    // The scrolled area that takes the keys, and its viewport, where the rows are drawn.
    [[nodiscard]] QAbstractScrollArea* View() const;
    [[nodiscard]] QWidget* Canvas() const;
    // The pixel size of a text column and of a row.
    [[nodiscard]] int CharWidth() const;
    [[nodiscard]] int LineHeight() const;

    void HandleCommand(int id) override;
    void SetTopAddress(std::uint16_t address) override;
    // Asks for an address and shows its row at the top.
    void Locate() override;
    void ResetScroll() override;

    // Redraws and brings the scroll bars and TopAddress up to date; after the
    // user's own moves the status bar shows the editing address too.
    void Refresh(bool showAddress = true);
    // "Current editing address : %04X" in the status bar.
    void ShowEditAddress();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // Reloads and redraws the rows shown when the change reaches them.
    void OnBufferChange(const BufferChange& change);

    views::HexEditor editor_;
    HexView* view_;
    BufferSubscription bufferChanges_;
};

class FlashEditWnd final : public HexEditWnd {
  public:
    FlashEditWnd(const ChildInfo& info, FrameWnd& frame);
};

class EepromEditWnd final : public HexEditWnd {
  public:
    EepromEditWnd(const ChildInfo& info, FrameWnd& frame);

  protected:
    // A file dropped here loads into the EEPROM buffer.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

}  // namespace zvk::ui
