// The disassembly view's logic without a window: rows by instruction,
// scrolling that decodes only the new row, the end of the code, the line
// colours, and an instruction edited in place.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/Buffers.h"
#include "app/DeviceTable.h"
#include "app/UndoHistory.h"
#include "mcs51/Disassembler.h"
#include "views/DisassemblyView.h"

namespace zvk::views {
namespace {

void Put(std::uint16_t address, const std::vector<std::uint8_t>& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto a = static_cast<std::uint16_t>(address + i);
        FlashWrite(a, bytes[i]);
        SetOrigin(BufferKind::Flash, a, OriginFile);
    }
}

class DisassemblyViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAppState();
        SelectDevice(3);  // AT89C51: Flash to 0FFF
        ASSERT_EQ(AllocateBuffers(), 0);
        // LJMP 0030; MOV A,#05; NOP; then FF (MOV R7,A) to the end.
        Put(0x0000, {0x02, 0x00, 0x30, 0x74, 0x05, 0x00});
        ForgetBufferHistory(BufferKind::Flash);
    }

    // The line a fresh decode gives for an address.
    static std::string LineAt(std::uint16_t address) {
        return DisassembleInstruction(address, FlashRead(address),
                                      FlashRead(static_cast<std::uint16_t>(address + 1)),
                                      FlashRead(static_cast<std::uint16_t>(address + 2)))
            .text;
    }
};

TEST_F(DisassemblyViewTest, RowsAreInstructionsAndALineStepDecodesOneRow) {
    DisassemblyView view;
    view.SetLineCount(6);  // the header and five rows
    const std::vector<int> addresses = {0x0000, 0x0003, 0x0005, 0x0006, 0x0007};
    for (int row = 1; row < 6; ++row) {
        ASSERT_EQ(view.RowAddress(row), addresses[static_cast<std::size_t>(row - 1)]);
        EXPECT_EQ(view.RowAt(row).text, LineAt(*view.RowAddress(row)));
    }
    EXPECT_EQ(view.RowLength(1), 3);
    EXPECT_EQ(view.RowLength(2), 2);
    EXPECT_FALSE(view.RowAddress(0)) << "the header";
    EXPECT_FALSE(view.RowAddress(6)) << "outside the window";

    const std::uint64_t before = view.DecodedLines();
    EXPECT_TRUE(view.LineDown());
    EXPECT_EQ(view.TopAddress(), 0x0003);
    EXPECT_TRUE(view.LineDown());
    EXPECT_EQ(view.TopAddress(), 0x0005);
    EXPECT_TRUE(view.LineUp());
    EXPECT_EQ(view.TopAddress(), 0x0003) << "back by exactly one instruction";
    EXPECT_TRUE(view.LineUp());
    EXPECT_EQ(view.TopAddress(), 0x0000);
    EXPECT_FALSE(view.LineUp());
    EXPECT_EQ(view.DecodedLines() - before, 4u);
    for (int row = 1; row < 6; ++row) {
        EXPECT_EQ(view.RowAt(row).text, LineAt(*view.RowAddress(row)));
    }
}

TEST_F(DisassemblyViewTest, TheEndOfTheCodeGivesBlankRowsAndNoFurtherPage) {
    DisassemblyView view;
    view.SetLineCount(10);
    view.MoveTo(0x0FFE - 9);
    EXPECT_TRUE(view.PageDown());
    EXPECT_EQ(view.TopAddress(), 0x0FFE);
    EXPECT_EQ(view.RowAddress(2), 0x0FFF);
    for (int row = 3; row < 10; ++row) {
        EXPECT_FALSE(view.RowAt(row).shown);
        EXPECT_FALSE(view.EditAt(row));
    }
    EXPECT_FALSE(view.PageDown());
    EXPECT_FALSE(view.LineDown());
    EXPECT_TRUE(view.PageUp());
    EXPECT_LT(view.TopAddress(), 0x0FFE);
}

TEST_F(DisassemblyViewTest, ColourPiecesSplitAddressCodeAndWords) {
    const std::string line = LineAt(0x0000);  // LJMP 0030
    const std::vector<LinePiece> pieces = ColourPieces(line);
    ASSERT_GE(pieces.size(), 3u);
    EXPECT_EQ(pieces[0].column, 0);
    EXPECT_EQ(pieces[0].colour, kAddressColour);
    EXPECT_EQ(pieces[1].column, 6);
    EXPECT_EQ(pieces[1].colour, kCodeColour);
    std::string joined;
    for (const LinePiece& piece : pieces) {
        EXPECT_EQ(piece.column, static_cast<int>(joined.size())) << "no gap, no overlap";
        joined += piece.text;
    }
    EXPECT_EQ(joined, line);
}

struct EditCase {
    const char* name;
    std::string line;  // empty: the offered text given back
    LineOutcome outcome;
    std::vector<std::uint8_t> stored;  // at 0000 afterwards
    bool nopsAdded;
};

TEST_F(DisassemblyViewTest, AnInstructionEditedInPlace) {
    const EditCase cases[] = {
        {"shorter, padded with NOPs", "NOP", LineOutcome::Store, {0x00, 0x00, 0x00}, true},
        {"as long", "LJMP 1234", LineOutcome::Store, {0x02, 0x12, 0x34}, false},
        {"as offered", "", LineOutcome::Unchanged, {0x02, 0x00, 0x30}, false},
        {"blank", " ", LineOutcome::Blank, {0x02, 0x00, 0x30}, false},
        {"not an instruction", "FOO", LineOutcome::AsmError, {0x02, 0x00, 0x30}, false},
    };
    for (const EditCase& c : cases) {
        SCOPED_TRACE(c.name);
        DisassemblyView view;
        view.SetLineCount(6);
        const std::optional<InstructionEdit> edit = view.EditAt(1);
        ASSERT_TRUE(edit);
        EXPECT_EQ(edit->address, 0x0000);
        EXPECT_EQ(edit->length, 3);
        EXPECT_EQ(edit->text, "LJMP   0030");
        const LinePlan plan = view.StoreEdit(*edit, c.line.empty() ? edit->text : c.line);
        EXPECT_EQ(plan.outcome, c.outcome);
        EXPECT_EQ(plan.nopsAdded, c.nopsAdded);
        for (std::uint16_t a = 0; a < 3; ++a) EXPECT_EQ(FlashRead(a), c.stored[a]);
        EXPECT_EQ(view.RowAt(1).text, LineAt(0x0000)) << "the rows show what is stored";
        if (c.outcome != LineOutcome::Store) {
            EXPECT_FALSE(CanUndo(BufferKind::Flash));
            continue;
        }
        for (std::uint16_t a = 0; a < 3; ++a) {
            EXPECT_EQ(GetOrigin(BufferKind::Flash, a), OriginEdited);
        }
        // The stored instruction is one undo step, marks included.
        ASSERT_TRUE(UndoBufferChange(BufferKind::Flash));
        EXPECT_FALSE(CanUndo(BufferKind::Flash));
        for (std::uint16_t a = 0; a < 3; ++a) {
            EXPECT_EQ(FlashRead(a), (std::vector<std::uint8_t>{0x02, 0x00, 0x30}[a]));
            EXPECT_EQ(GetOrigin(BufferKind::Flash, a), OriginFile);
        }
        ASSERT_TRUE(RedoBufferChange(BufferKind::Flash));
        for (std::uint16_t a = 0; a < 3; ++a) EXPECT_EQ(FlashRead(a), c.stored[a]);
        ASSERT_TRUE(UndoBufferChange(BufferKind::Flash));
        ForgetBufferHistory(BufferKind::Flash);
    }

    // A longer instruction would overwrite the code behind it.
    Put(0x0000, {0x00});
    DisassemblyView view;
    view.SetLineCount(6);
    const LinePlan longer = view.StoreEdit(*view.EditAt(1), "MOV A,#5");
    EXPECT_EQ(longer.outcome, LineOutcome::Longer);
    EXPECT_EQ(FlashRead(1), 0x00);
}

}  // namespace
}  // namespace zvk::views
