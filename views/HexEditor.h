#pragma once
// The hex editors' logic, free of any drawing: the row cache, the caret in the
// hex and character areas, the key table with its wrap and scroll rules,
// typing through the buffer writers, clicks, Locate, and the two scroll
// positions. The Flash and EEPROM editors are two instances of it that differ
// only in their HexEditorKind. The windows in HexEditWnd draw what it holds.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/BufferEvents.h"
#include "app/Buffers.h"

namespace zvk::views {

// Text columns of a row: a blank, the address and four blanks, 16 bytes of
// "%02X  ", a blank, 16 characters.
inline constexpr int kAddressColumn = 1;
inline constexpr int kLastAddressColumn = 4;
inline constexpr int kFirstHexColumn = 9;
inline constexpr int kLastHexColumn = 70;
inline constexpr int kFirstCharColumn = 74;
inline constexpr int kLastCharColumn = 89;
inline constexpr int kRowColumns = 90;
// The horizontal scroll range: a row and two columns to spare.
inline constexpr int kHorizontalRange = kRowColumns + 2;
inline constexpr int kBytesPerRow = 16;

// Where the Flash and the EEPROM editor differ.
struct HexEditorKind {
    BufferKind buffer;
    bool keepsTopAddress;     // a new window starts where the last one was
    bool handlesResetScroll;  // the buffer's size follows the part
};
inline constexpr HexEditorKind kFlashEditorKind{BufferKind::Flash, false, true};
inline constexpr HexEditorKind kEepromEditorKind{BufferKind::Eeprom, true, false};

// What an editor keeps between one window and the next.
struct HexEditorState {
    int verticalPosition = 0;  // TopAddress / 16
    int horizontalPosition = 0;
    int caretColumn = kFirstHexColumn;
    int caretRow = 0;
    bool lowNibble = false;
};

enum class HexKey : std::uint8_t { PageUp, PageDown, Home, End, Left, Right, Up, Down };

// Scroll bar requests, vertical in rows and horizontal in columns.
enum class ScrollRequest : std::uint8_t {
    LineUp,
    LineDown,
    PageUp,
    PageDown,
    Track,
    ToStart,
    ToEnd
};

class HexEditor {
  public:
    // A new window: the low nibble is cleared, and the Flash editor starts at 0.
    HexEditor(const HexEditorKind& kind, HexEditorState& state);

    // A new window size in whole rows and text columns; reloads the cache.
    void Resize(int rowCount, int visibleColumns);
    // Reads the cache anew from TopAddress (the buffer has changed).
    void Reload();
    // An announced change of a buffer: the cache is read anew when the change
    // reaches the rows shown. True when it did.
    bool Follow(const BufferChange& change);
    // Clamps the vertical position into the buffer's present range (the part changed).
    void ResetScroll();
    void SetTopAddress(std::uint16_t address);

    void ScrollVertical(ScrollRequest request, int track = 0);
    // True when the horizontal position changed.
    bool ScrollHorizontal(ScrollRequest request, int track = 0);

    void Key(HexKey key);
    // A typed character for the byte under the caret; true when it was taken.
    bool Type(char32_t character);
    void Click(int column, int row);
    // A double click: on the address column it sets EnteredAddress to the
    // row's address and returns true, for Locate to follow.
    bool AddressDoubleClick(int column, int row);
    // Shows the row holding the address at the top, or the last page.
    void Locate(std::uint16_t address);
    // Puts the caret on the byte at the address, in the character area or
    // the hex area, scrolling only when the byte is not in view (a found
    // byte).
    void ShowAt(std::uint16_t address, bool inCharacters);

    [[nodiscard]] const HexEditorKind& Kind() const { return kind_; }
    [[nodiscard]] std::uint16_t TopAddress() const {
        return static_cast<std::uint16_t>(state_.verticalPosition * kBytesPerRow);
    }
    [[nodiscard]] int RowCount() const { return rowCount_; }
    [[nodiscard]] int VisibleColumns() const { return visibleColumns_; }
    [[nodiscard]] int CaretColumn() const { return state_.caretColumn; }
    [[nodiscard]] int CaretRow() const { return state_.caretRow; }
    [[nodiscard]] bool LowNibble() const { return state_.lowNibble; }
    [[nodiscard]] bool InHexArea() const { return state_.caretColumn <= kLastHexColumn; }
    [[nodiscard]] int VerticalPosition() const { return state_.verticalPosition; }
    [[nodiscard]] int VerticalMaximum() const;
    [[nodiscard]] int HorizontalPosition() const { return state_.horizontalPosition; }
    [[nodiscard]] int HorizontalMaximum() const;

    // The address of the byte under the caret.
    [[nodiscard]] std::uint16_t EditingAddress() const;
    // A byte of the cache and the origin mark of its address (index from TopAddress).
    [[nodiscard]] std::uint8_t CachedByte(int index) const {
        return cache_[static_cast<std::size_t>(index)];
    }
    [[nodiscard]] ByteOrigin Origin(int index) const;
    // The 90 columns of a cached row as they are drawn.
    [[nodiscard]] std::string RowText(int row) const;
    // How many bytes the editor has read from the buffer so far.
    [[nodiscard]] std::size_t BytesRead() const { return bytesRead_; }

  private:
    [[nodiscard]] int LastRow() const;
    [[nodiscard]] int CaretIndex() const;
    [[nodiscard]] std::uint8_t ReadByte(int address);
    void ReadRow(int row);
    [[nodiscard]] std::uint8_t StoreByte(int index);
    void SetVerticalPosition(int position);
    bool LineUp();
    bool LineDown();
    void SetHorizontal(int position);
    void ScrollColumns(int count);
    // Moves the horizontal position so that the column is the last one shown.
    void ShowColumnAtRight(int column);
    // The caret one row up or down, the window scrolling a line at its edge;
    // RowUp is false when neither could move.
    bool RowUp();
    void RowDown();
    void MoveLeft();
    void MoveRight();

    const HexEditorKind& kind_;
    HexEditorState& state_;
    int rowCount_ = 0;
    int visibleColumns_ = 0;
    std::vector<std::uint8_t> cache_;
    std::size_t bytesRead_ = 0;
};

// The status bar's text for the byte under the caret.
[[nodiscard]] std::string EditAddressText(std::uint16_t address);

}  // namespace zvk::views
