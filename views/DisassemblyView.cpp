#include "views/DisassemblyView.h"

#include <algorithm>

#include "app/AppState.h"
#include "app/Buffers.h"
#include "mcs51/CodeWalk.h"
#include "mcs51/Disassembler.h"

namespace zvk::views {
namespace {

constexpr std::size_t kCodeColumn = 6;
constexpr std::size_t kWordsColumn = 26;

void AddPiece(std::vector<LinePiece>& pieces, std::size_t column, std::string_view text,
              Colour colour) {
    if (text.empty()) return;
    if (!pieces.empty() && pieces.back().colour == colour &&
        pieces.back().column + static_cast<int>(pieces.back().text.size()) ==
            static_cast<int>(column)) {
        pieces.back().text += text;
        return;
    }
    pieces.push_back({static_cast<int>(column), std::string(text), colour});
}

}  // namespace

std::vector<LinePiece> ColourPieces(std::string_view line) {
    std::vector<LinePiece> pieces;
    AddPiece(pieces, 0, line.substr(0, kCodeColumn), kAddressColour);
    if (line.size() <= kCodeColumn) return pieces;
    AddPiece(pieces, kCodeColumn, line.substr(kCodeColumn, kWordsColumn - kCodeColumn),
             kCodeColour);
    std::size_t start = kWordsColumn;
    for (std::size_t i = kWordsColumn; i <= line.size(); ++i) {
        const bool end = i == line.size();
        if (!end && line[i] != ' ' && line[i] != ',') continue;
        const std::string_view word = line.substr(start, i - start);
        const Colour colour = KeywordColour(word);
        if (end) {
            AddPiece(pieces, start, word, colour);
        } else if (line[i] == ' ') {
            AddPiece(pieces, start, line.substr(start, i - start + 1), colour);
        } else {
            AddPiece(pieces, start, word, colour);
            AddPiece(pieces, i, ",", kPlainBlack);
        }
        start = i + 1;
    }
    return pieces;
}

void DisassemblyView::SetLineCount(int lineCount) {
    lineCount_ = std::max(lineCount, 0);
    const auto rows = static_cast<std::size_t>(lineCount_);
    codeCache_.assign(3 * rows, 0xFF);
    lineAddressTable_.assign(rows + 1, topAddress_);
    rows_.assign(rows, Row{});
    Reload();
}

void DisassemblyView::MoveTo(std::uint16_t address) {
    topAddress_ = address;
    Reload();
}

void DisassemblyView::Reload() {
    if (lineCount_ <= 0) return;
    CopyFlashOut(topAddress_, codeCache_.data(), static_cast<std::uint16_t>(codeCache_.size()));
    Layout();
}

int DisassemblyView::InstructionRows() const {
    return entryActive_ ? std::min(enteredLineCount_, lineCount_ - 1) : lineCount_ - 1;
}

void DisassemblyView::Layout() {
    const int rows = InstructionRows();
    std::uint32_t address = topAddress_;
    lineAddressTable_[1] = address;
    for (int row = 1; row < lineCount_; ++row) {
        if (row > rows || address > App().FlashLastAddress) {
            // Blank rows keep the running address, so the entry behind the
            // last row never points back into the code.
            rows_[static_cast<std::size_t>(row)] = Row{};
            lineAddressTable_[static_cast<std::size_t>(row) + 1] = address;
            continue;
        }
        DecodeRow(row, address, address - topAddress_);
        address = lineAddressTable_[static_cast<std::size_t>(row) + 1];
    }
}

void DisassemblyView::DecodeRow(int row, std::uint32_t address, std::size_t offset) {
    const auto r = static_cast<std::size_t>(row);
    if (address > App().FlashLastAddress) {
        rows_[r] = Row{};
        lineAddressTable_[r + 1] = address;
        return;
    }
    const DisassemblyLine line = DisassembleInstruction(
        address, codeCache_[offset], codeCache_[offset + 1], codeCache_[offset + 2]);
    ++decoded_;
    rows_[r] = Row{true, line.text};
    lineAddressTable_[r + 1] = line.nextAddress;
}

bool DisassemblyView::LineUp() {
    if (topAddress_ == 0 || lineCount_ < 2) return false;
    const std::uint16_t back = FindPreviousInstruction(topAddress_, lineCount_);
    if (back == 0) return false;
    const auto newTop = static_cast<std::uint16_t>(topAddress_ - back);
    std::copy_backward(codeCache_.begin(), codeCache_.end() - back, codeCache_.end());
    CopyFlashOut(newTop, codeCache_.data(), 3);
    std::copy_backward(lineAddressTable_.begin() + 1, lineAddressTable_.end() - 1,
                       lineAddressTable_.end());
    std::move_backward(rows_.begin() + 1, rows_.end() - 1, rows_.end());
    lineAddressTable_[1] = newTop;
    topAddress_ = newTop;
    // Row 1's own successor is the old first row, whatever its length says.
    const std::uint32_t second = lineAddressTable_[2];
    DecodeRow(1, newTop, 0);
    lineAddressTable_[2] = second;
    return true;
}

bool DisassemblyView::LineDown() {
    if (lineCount_ < 2) return false;
    const std::uint32_t last = App().FlashLastAddress;
    if (static_cast<std::uint32_t>(topAddress_) + lineCount_ - 1 >= last + 1) return false;
    const std::uint32_t newTop = lineAddressTable_[2];
    if (newTop > last) return false;
    const std::size_t firstLength = newTop - topAddress_;
    const std::uint32_t newRowAddress = lineAddressTable_[static_cast<std::size_t>(lineCount_)];
    std::copy(codeCache_.begin() + static_cast<std::ptrdiff_t>(firstLength), codeCache_.end(),
              codeCache_.begin());
    std::copy(lineAddressTable_.begin() + 2, lineAddressTable_.end(),
              lineAddressTable_.begin() + 1);
    std::move(rows_.begin() + 2, rows_.end(), rows_.begin() + 1);
    topAddress_ = static_cast<std::uint16_t>(newTop);
    const std::size_t offset = newRowAddress - newTop;
    if (newRowAddress <= last) {
        CopyFlashOut(static_cast<std::uint16_t>(newRowAddress), codeCache_.data() + offset, 3);
    }
    DecodeRow(lineCount_ - 1, newRowAddress, offset);
    return true;
}

bool DisassemblyView::PageUp() {
    if (topAddress_ == 0 || lineCount_ < 1) return false;
    MoveTo(BacktrackStart(topAddress_, lineCount_));
    return true;
}

bool DisassemblyView::PageDown() {
    if (lineCount_ < 2) return false;
    const std::uint32_t next = lineAddressTable_[static_cast<std::size_t>(lineCount_)];
    // At the end of the code there is no next page.
    if (next > App().FlashLastAddress) return false;
    MoveTo(static_cast<std::uint16_t>(next));
    return true;
}

const DisassemblyView::Row& DisassemblyView::RowAt(int row) const {
    static const Row kNone;
    if (row < 1 || row >= lineCount_) return kNone;
    return rows_[static_cast<std::size_t>(row)];
}

std::optional<std::uint16_t> DisassemblyView::RowAddress(int row) const {
    if (!RowAt(row).shown) return std::nullopt;
    return static_cast<std::uint16_t>(lineAddressTable_[static_cast<std::size_t>(row)]);
}

std::uint8_t DisassemblyView::RowLength(int row) const {
    const std::optional<std::uint16_t> address = RowAddress(row);
    if (!address) return 0;
    return InstructionLength[codeCache_[static_cast<std::size_t>(*address - topAddress_)]];
}

std::optional<InstructionEdit> DisassemblyView::EditAt(int row) const {
    const std::optional<std::uint16_t> address = RowAddress(row);
    if (!address) return std::nullopt;
    return InstructionEdit{*address, RowLength(row), InstructionText(*address)};
}

LinePlan DisassemblyView::StoreEdit(const InstructionEdit& edit, std::string_view line) {
    const LinePlan plan = PlanInstructionEdit(line, edit.address, edit.length);
    if (plan.outcome == LineOutcome::Store) {
        StoreAssembledCode(edit.address, plan.code.data(), 0, plan.count);
        Reload();
    }
    return plan;
}

void DisassemblyView::BeginEntry(std::uint16_t address) {
    entryActive_ = true;
    enteredLineCount_ = 0;
    MoveTo(address);
}

bool DisassemblyView::EntryLineStored() {
    if (enteredLineCount_ >= lineCount_ - 1) {
        if (LineDown()) return true;
    } else {
        ++enteredLineCount_;
    }
    Reload();
    return false;
}

void DisassemblyView::EndEntry() {
    entryActive_ = false;
    Reload();
}

}  // namespace zvk::views
