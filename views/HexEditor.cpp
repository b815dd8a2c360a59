#include "views/HexEditor.h"

#include "app/HexField.h"
#include "app/UndoHistory.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zvk::views {
namespace {

constexpr int kMaxAddress = 0xFFFF;

// A typed character's hexadecimal value, or -1; characters beyond ASCII are no digits.
int HexDigitValue(char32_t c) { return c < 0x80 ? zvk::HexDigitValue(static_cast<char>(c)) : -1; }

// Where a scroll request asks to go, before the scroll bar clamps it.
int RequestedPosition(ScrollRequest request, int position, int page, int track, int maximum) {
    switch (request) {
        case ScrollRequest::LineUp:
            return position - 1;
        case ScrollRequest::LineDown:
            return position + 1;
        case ScrollRequest::PageUp:
            return position - page;
        case ScrollRequest::PageDown:
            return position + page;
        case ScrollRequest::Track:
            return track;
        case ScrollRequest::ToStart:
            return 0;
        case ScrollRequest::ToEnd:
            return maximum;
    }
    return position;
}

}  // namespace

std::string EditAddressText(std::uint16_t address) {
    char text[48];
    std::snprintf(text, sizeof text, "Current editing address : %04X", address);
    return text;
}

HexEditor::HexEditor(const HexEditorKind& kind, HexEditorState& state)
    : kind_(kind), state_(state) {
    state_.lowNibble = false;
    if (!kind_.keepsTopAddress) state_.verticalPosition = 0;
    state_.caretColumn = std::max(state_.caretColumn, kFirstHexColumn);
}

int HexEditor::LastRow() const { return LastAddress(kind_.buffer) / kBytesPerRow; }

int HexEditor::VerticalMaximum() const {
    return std::max(0, LastRow() - std::max(rowCount_, 1) + 1);
}

int HexEditor::HorizontalMaximum() const {
    return std::max(0, kHorizontalRange - std::max(visibleColumns_, 1) + 1);
}

void HexEditor::Resize(int rowCount, int visibleColumns) {
    rowCount_ = std::max(rowCount, 0);
    visibleColumns_ = std::max(visibleColumns, 0);
    cache_.assign(static_cast<std::size_t>(rowCount_ * kBytesPerRow), 0xFF);
    // A window grown past the end of the buffer shows the last page, and the
    // caret stays on a row that is drawn.
    state_.verticalPosition = std::clamp(state_.verticalPosition, 0, VerticalMaximum());
    state_.horizontalPosition = std::clamp(state_.horizontalPosition, 0, HorizontalMaximum());
    state_.caretRow = std::clamp(state_.caretRow, 0, std::max(rowCount_ - 1, 0));
    if (rowCount_ > 0) Reload();
}

std::uint8_t HexEditor::ReadByte(int address) {
    ++bytesRead_;
    if (address > kMaxAddress) return 0xFF;
    return BufferRead(kind_.buffer, static_cast<std::uint16_t>(address));
}

void HexEditor::ReadRow(int row) {
    const int first = TopAddress() + row * kBytesPerRow;
    for (int k = 0; k < kBytesPerRow; ++k) {
        cache_[static_cast<std::size_t>(row * kBytesPerRow + k)] = ReadByte(first + k);
    }
}

void HexEditor::Reload() {
    for (int row = 0; row < rowCount_; ++row) ReadRow(row);
}

bool HexEditor::Follow(const BufferChange& change) {
    if (change.kind != kind_.buffer ||
        !change.Touches(TopAddress(), static_cast<std::uint32_t>(rowCount_) * kBytesPerRow)) {
        return false;
    }
    Reload();
    return true;
}

void HexEditor::ResetScroll() { SetVerticalPosition(state_.verticalPosition); }

void HexEditor::SetVerticalPosition(int position) {
    state_.verticalPosition = std::clamp(position, 0, VerticalMaximum());
}

void HexEditor::SetTopAddress(std::uint16_t address) {
    SetVerticalPosition(address / kBytesPerRow);
}

bool HexEditor::LineUp() {
    if (state_.verticalPosition <= 0) return false;
    --state_.verticalPosition;
    if (rowCount_ > 0) {
        std::memmove(cache_.data() + kBytesPerRow, cache_.data(), cache_.size() - kBytesPerRow);
        ReadRow(0);
    }
    return true;
}

bool HexEditor::LineDown() {
    if (state_.verticalPosition + rowCount_ - 1 >= LastRow()) return false;
    ++state_.verticalPosition;
    if (rowCount_ > 0) {
        std::memmove(cache_.data(), cache_.data() + kBytesPerRow, cache_.size() - kBytesPerRow);
        ReadRow(rowCount_ - 1);
    }
    return true;
}

void HexEditor::ScrollVertical(ScrollRequest request, int track) {
    // A line moves the cache by one row; anything else reads the page anew.
    if (request == ScrollRequest::LineUp) {
        LineUp();
        return;
    }
    if (request == ScrollRequest::LineDown) {
        LineDown();
        return;
    }
    SetVerticalPosition(
        RequestedPosition(request, state_.verticalPosition, rowCount_, track, VerticalMaximum()));
    Reload();
}

bool HexEditor::ScrollHorizontal(ScrollRequest request, int track) {
    const int old = state_.horizontalPosition;
    SetHorizontal(RequestedPosition(request, old, visibleColumns_, track, HorizontalMaximum()));
    return state_.horizontalPosition != old;
}

void HexEditor::SetHorizontal(int position) {
    state_.horizontalPosition = std::clamp(position, 0, HorizontalMaximum());
}

void HexEditor::ScrollColumns(int count) {
    // One line request per column, each clamped by the scroll bar.
    const ScrollRequest step = count < 0 ? ScrollRequest::LineUp : ScrollRequest::LineDown;
    for (int i = 0; i < std::abs(count); ++i) ScrollHorizontal(step);
}

void HexEditor::ShowColumnAtRight(int column) {
    if (visibleColumns_ < column) SetHorizontal(column - visibleColumns_ + 1);
}

int HexEditor::CaretIndex() const {
    const int column = InHexArea() ? (state_.caretColumn - kFirstHexColumn) / 4
                                   : state_.caretColumn - kFirstCharColumn;
    return state_.caretRow * kBytesPerRow + column;
}

std::uint16_t HexEditor::EditingAddress() const {
    return static_cast<std::uint16_t>(TopAddress() + CaretIndex());
}

ByteOrigin HexEditor::Origin(int index) const {
    const int address = TopAddress() + index;
    if (address > kMaxAddress) return OriginNone;
    return GetOrigin(kind_.buffer, static_cast<std::uint16_t>(address));
}

bool HexEditor::RowUp() {
    if (state_.caretRow > 0) {
        --state_.caretRow;
        return true;
    }
    return LineUp();
}

void HexEditor::RowDown() {
    if (state_.caretRow < rowCount_ - 1) {
        ++state_.caretRow;
    } else {
        LineDown();
    }
}

void HexEditor::MoveLeft() {
    HexEditorState& s = state_;
    if (InHexArea()) {
        if (s.lowNibble || s.caretColumn > kFirstHexColumn) {
            const int step = s.lowNibble ? 1 : 3;
            s.caretColumn -= step;
            s.lowNibble = !s.lowNibble;
            if (s.caretColumn - s.horizontalPosition < kFirstHexColumn) ScrollColumns(-step);
            return;
        }
        if (!RowUp()) return;
        s.caretColumn = kLastHexColumn;
        s.lowNibble = true;
        ShowColumnAtRight(kLastHexColumn);
        return;
    }
    if (s.caretColumn > kFirstCharColumn) {
        --s.caretColumn;
        return;
    }
    if (RowUp()) s.caretColumn = kLastCharColumn;
}

void HexEditor::MoveRight() {
    HexEditorState& s = state_;
    if (InHexArea()) {
        if (!s.lowNibble || s.caretColumn < kLastHexColumn) {
            const int step = s.lowNibble ? 3 : 1;
            s.caretColumn += step;
            s.lowNibble = !s.lowNibble;
            if (s.caretColumn - s.horizontalPosition > visibleColumns_ - 1) ScrollColumns(step);
            return;
        }
        s.caretColumn = kFirstHexColumn;
        s.lowNibble = false;
        RowDown();
        SetHorizontal(0);
        return;
    }
    if (s.caretColumn < kLastCharColumn) {
        ++s.caretColumn;
        return;
    }
    s.caretColumn = kFirstCharColumn;
    RowDown();
}

void HexEditor::Key(HexKey key) {
    HexEditorState& s = state_;
    const bool hex = InHexArea();
    const int lastRow = std::max(rowCount_ - 1, 0);
    switch (key) {
        case HexKey::PageUp:
            if (TopAddress() > 0) ScrollVertical(ScrollRequest::PageUp);
            break;
        case HexKey::PageDown:
            ScrollVertical(ScrollRequest::PageDown);
            break;
        case HexKey::Home:
            s.caretRow = 0;
            if (hex) {
                s.caretColumn = kFirstHexColumn;
                s.lowNibble = false;
                SetHorizontal(0);
            } else {
                s.caretColumn = kFirstCharColumn;
                ShowColumnAtRight(kFirstCharColumn);
            }
            break;
        case HexKey::End:
            s.caretRow = lastRow;
            s.caretColumn = hex ? kLastHexColumn : kLastCharColumn;
            if (hex) s.lowNibble = true;
            ShowColumnAtRight(s.caretColumn);
            break;
        case HexKey::Left:
            MoveLeft();
            break;
        case HexKey::Right:
            MoveRight();
            break;
        case HexKey::Up:
            RowUp();
            break;
        case HexKey::Down:
            RowDown();
            break;
    }
}

std::uint8_t HexEditor::StoreByte(int index) {
    const int address = TopAddress() + index;
    // Past the last address nothing is stored or marked and the byte stays FF.
    if (address > LastAddress(kind_.buffer)) return 0xFF;
    return StoreEditedByte(kind_.buffer, static_cast<std::uint16_t>(address),
                           cache_[static_cast<std::size_t>(index)]);
}

bool HexEditor::Type(char32_t character) {
    if (rowCount_ == 0) return false;
    const int index = CaretIndex();
    std::uint8_t& byte = cache_[static_cast<std::size_t>(index)];
    if (InHexArea()) {
        const int value = HexDigitValue(character);
        if (value < 0) return false;
        byte = state_.lowNibble ? static_cast<std::uint8_t>((byte & 0xF0) | value)
                                : static_cast<std::uint8_t>((byte & 0x0F) | (value << 4));
    } else {
        // A byte holds one character; wider characters have no byte to become.
        if (character > 0xFF) return false;
        byte = static_cast<std::uint8_t>(character);
    }
    byte = StoreByte(index);
    MoveRight();
    return true;
}

void HexEditor::Click(int column, int row) {
    if (row < 0 || row >= rowCount_) return;
    if (column >= kFirstHexColumn && column <= kLastHexColumn) {
        const int digit = (column - kFirstHexColumn) % 4;
        if (digit > 1) return;
        state_.caretColumn = column;
        state_.caretRow = row;
        state_.lowNibble = digit == 1;
    } else if (column >= kFirstCharColumn && column <= kLastCharColumn) {
        state_.caretColumn = column;
        state_.caretRow = row;
    }
}

bool HexEditor::AddressDoubleClick(int column, int row) {
    if (column < kAddressColumn || column > kLastAddressColumn || row < 0) return false;
    App().EnteredAddress = static_cast<std::uint16_t>(TopAddress() + kBytesPerRow * row);
    return true;
}

void HexEditor::Locate(std::uint16_t address) {
    SetVerticalPosition(address / kBytesPerRow);
    Reload();
}

void HexEditor::ShowAt(std::uint16_t address, bool inCharacters) {
    const int row = address / kBytesPerRow;
    if (row < state_.verticalPosition || row >= state_.verticalPosition + std::max(rowCount_, 1)) {
        Locate(address);
    }
    const int k = address % kBytesPerRow;
    state_.caretRow = row - state_.verticalPosition;
    state_.caretColumn = inCharacters ? kFirstCharColumn + k : kFirstHexColumn + 4 * k;
    state_.lowNibble = false;
    const int last = state_.caretColumn + (inCharacters ? 0 : 1);
    if (state_.caretColumn < state_.horizontalPosition) {
        SetHorizontal(state_.caretColumn);
    } else if (last >= state_.horizontalPosition + visibleColumns_) {
        SetHorizontal(last - visibleColumns_ + 1);
    }
}

std::string HexEditor::RowText(int row) const {
    std::string text(kRowColumns, ' ');
    char cell[8];
    std::snprintf(cell, sizeof cell, "%04X", (TopAddress() + row * kBytesPerRow) & kMaxAddress);
    text.replace(kAddressColumn, 4, cell);
    for (int k = 0; k < kBytesPerRow; ++k) {
        const std::uint8_t byte = CachedByte(row * kBytesPerRow + k);
        std::snprintf(cell, sizeof cell, "%02X", byte);
        text.replace(static_cast<std::size_t>(kFirstHexColumn + 4 * k), 2, cell);
        text[static_cast<std::size_t>(kFirstCharColumn + k)] =
            byte >= 32 && byte <= 126 ? static_cast<char>(byte) : '.';
    }
    return text;
}

}  // namespace zvk::views
