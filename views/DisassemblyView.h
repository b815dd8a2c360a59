#pragma once
// What the disassembly view shows, without pixels: the Flash buffer from
// TopAddress on as one instruction per row, with the code bytes of the
// visible rows cached (CodeCache) and the address of every row kept
// (LineAddressTable). Scrolling by a line shifts the rows and decodes the one
// new row only; a page, a jump or a reload decodes the visible rows once.
// Also here: how a line is split into its coloured pieces.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mcs51/ProgramLine.h"
#include "mcs51/Tables.h"

namespace zvk::views {

// The header row: "Address", "Code" and "Mnemonics" over their columns.
inline constexpr std::string_view kDisassemblyHeaderTitles = "  Address      Code        Mnemonics";
inline constexpr int kDisassemblyHeaderLength = 104;
// The horizontal scroll range in characters: a text width of 50 and 2 more.
inline constexpr int kDisassemblyTextWidth = 52;

inline constexpr Colour kAddressColour{128, 0, 0};
inline constexpr Colour kCodeColour{0, 128, 0};
inline constexpr Colour kHeaderBackground{0, 0, 255};
inline constexpr Colour kHeaderText{255, 255, 255};

// One piece of a line drawn in one colour, from its character column on.
struct LinePiece {
    int column;
    std::string text;
    Colour colour;
};

// The address (columns 0-5) and the code bytes (6-25) in their colours, then
// the rest word by word (words end at a blank or a comma) in the keyword
// colours; commas are black. Neighbouring pieces of one colour are merged.
[[nodiscard]] std::vector<LinePiece> ColourPieces(std::string_view line);

// An instruction offered for editing in place: where it is, how many bytes
// it takes, and the line the dialog starts with.
struct InstructionEdit {
    std::uint16_t address = 0;
    std::uint8_t length = 0;
    std::string text;
};

class DisassemblyView {
  public:
    struct Row {
        bool shown = false;  // holds an instruction; blank rows are white
        std::string text;    // the disassembly line
    };

    // Rows of the window, the header row included; the cache and the table
    // follow it. Reloads.
    void SetLineCount(int lineCount);
    [[nodiscard]] int LineCount() const { return lineCount_; }

    [[nodiscard]] std::uint16_t TopAddress() const { return topAddress_; }
    // Sets the first address and reloads.
    void MoveTo(std::uint16_t address);
    // Reads the cache from the Flash buffer again and decodes the rows.
    void Reload();

    // Each returns true when the view moved.
    bool LineUp();    // back by exactly one instruction
    bool LineDown();  // on by the first row's instruction
    bool PageUp();    // to where the rows before the first one start
    bool PageDown();  // to the address after the last row

    // Row 1 is the first instruction row; rows run to LineCount() - 1.
    [[nodiscard]] const Row& RowAt(int row) const;
    // The address of a row that shows an instruction; none for the header,
    // for blank rows and for rows outside the window.
    [[nodiscard]] std::optional<std::uint16_t> RowAddress(int row) const;
    // The length of the instruction of a shown row, from the cache.
    [[nodiscard]] std::uint8_t RowLength(int row) const;

    // The instruction of a shown row, for editing in place; none for the
    // header, blank rows and rows outside the window.
    [[nodiscard]] std::optional<InstructionEdit> EditAt(int row) const;
    // What the edited line does: when the plan stores code, the code is
    // written into the Flash buffer (one undo step) and the rows read again;
    // otherwise nothing changes and the plan says why.
    LinePlan StoreEdit(const InstructionEdit& edit, std::string_view line);

    // Program entry: the rows show only the lines entered so far, from the
    // start address on; once they fill the window each new line scrolls it.
    void BeginEntry(std::uint16_t address);
    // After a line was stored; true when the view scrolled by a line.
    bool EntryLineStored();
    void EndEntry();
    [[nodiscard]] bool EntryActive() const { return entryActive_; }
    [[nodiscard]] int EnteredLineCount() const { return enteredLineCount_; }

    // How many instructions have been decoded for rows so far: the cost of
    // scrolling.
    [[nodiscard]] std::uint64_t DecodedLines() const { return decoded_; }

  private:
    void Layout();
    void DecodeRow(int row, std::uint32_t address, std::size_t offset);
    [[nodiscard]] int InstructionRows() const;

    int lineCount_ = 0;
    std::uint16_t topAddress_ = 0;
    std::vector<std::uint8_t> codeCache_;          // 3 bytes per row
    std::vector<std::uint32_t> lineAddressTable_;  // one per row and one behind
    std::vector<Row> rows_;
    bool entryActive_ = false;
    int enteredLineCount_ = 0;
    std::uint64_t decoded_ = 0;
};

}  // namespace zvk::views
