// The hex editors' logic without a window: typing into the buffers, the
// caret's wraps and scrolls, the rows as drawn, and what survives a window.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/BufferEvents.h"
#include "app/Buffers.h"
#include "app/DeviceTable.h"
#include "app/UndoHistory.h"
#include "views/HexEditor.h"

namespace zvk::views {
namespace {

class HexEditorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAppState();
        SelectDevice(11);  // AT89S8252: Flash to 1FFF, EEPROM to 07FF
        ASSERT_EQ(AllocateBuffers(), 0);
    }

    HexEditorState state_;
};

TEST_F(HexEditorTest, TypingStoresDigitsAndCharactersOneUndoStepAKey) {
    HexEditor editor(kFlashEditorKind, state_);
    editor.Resize(4, 100);
    EXPECT_FALSE(editor.Type(U'g')) << "no digit";
    EXPECT_TRUE(editor.Type(U'4'));
    EXPECT_EQ(FlashRead(0), 0x4F);
    EXPECT_TRUE(editor.LowNibble());
    EXPECT_TRUE(editor.Type(U'a'));
    EXPECT_EQ(FlashRead(0), 0x4A);
    EXPECT_EQ(GetOrigin(BufferKind::Flash, 0), OriginEdited);
    EXPECT_EQ(editor.CaretColumn(), kFirstHexColumn + 4);
    EXPECT_EQ(editor.EditingAddress(), 1);

    editor.Click(kFirstCharColumn + 2, 0);
    EXPECT_FALSE(editor.Type(U'\u20AC')) << "no byte to become";
    EXPECT_TRUE(editor.Type(U'g'));
    EXPECT_EQ(FlashRead(2), 'g');
    EXPECT_EQ(editor.CachedByte(2), 'g');
    EXPECT_EQ(editor.RowText(0).substr(0, 22), " 0000    4A  FF  67  F");
    EXPECT_EQ(editor.RowText(0).substr(kFirstCharColumn, 4), "J.g.");

    // Each key was one step; undone, the bytes and marks are as they were.
    ASSERT_TRUE(UndoBufferChange(BufferKind::Flash));
    EXPECT_EQ(FlashRead(2), 0xFF);
    EXPECT_EQ(GetOrigin(BufferKind::Flash, 2), OriginNone);
    ASSERT_TRUE(UndoBufferChange(BufferKind::Flash));
    EXPECT_EQ(FlashRead(0), 0x4F);
    EXPECT_EQ(GetOrigin(BufferKind::Flash, 0), OriginEdited);
    ASSERT_TRUE(UndoBufferChange(BufferKind::Flash));
    EXPECT_EQ(FlashRead(0), 0xFF);
    EXPECT_EQ(GetOrigin(BufferKind::Flash, 0), OriginNone);
    EXPECT_FALSE(CanUndo(BufferKind::Flash));
    ASSERT_TRUE(RedoBufferChange(BufferKind::Flash));
    EXPECT_EQ(FlashRead(0), 0x4F);
    EXPECT_EQ(GetOrigin(BufferKind::Flash, 0), OriginEdited);
}

TEST_F(HexEditorTest, TheEepromEditorTypesIntoTheEepromAndKeepsItsPlace) {
    state_.verticalPosition = 0x10;
    HexEditor editor(kEepromEditorKind, state_);
    editor.Resize(4, 100);
    EXPECT_EQ(editor.TopAddress(), 0x0100) << "a new EEPROM window starts where the last was";
    ASSERT_TRUE(editor.Type(U'7'));
    EXPECT_EQ(EepromRead(0x0100), 0x7F);
    EXPECT_EQ(GetOrigin(BufferKind::Eeprom, 0x0100), OriginEdited);
    EXPECT_EQ(FlashRead(0x0100), 0xFF);
    EXPECT_TRUE(CanUndo(BufferKind::Eeprom));
    EXPECT_FALSE(CanUndo(BufferKind::Flash));

    HexEditor flash(kFlashEditorKind, state_);
    EXPECT_EQ(flash.TopAddress(), 0) << "a new Flash window starts at 0";
}

struct CaretCase {
    const char* name;
    int column, row;  // where the caret is put by a click
    std::vector<HexKey> keys;
    int wantColumn, wantRow;
    bool wantLow;
    std::uint16_t wantTop;
};

TEST_F(HexEditorTest, CaretKeysWrapAndScroll) {
    using K = HexKey;
    const CaretCase cases[] = {
        {"right over both digits", 9, 0, {K::Right, K::Right}, 13, 0, false, 0},
        {"right from the row's last digit wraps", 70, 0, {K::Right}, 9, 1, false, 0},
        {"left from the first digit wraps up", 9, 1, {K::Left}, 70, 0, true, 0},
        {"left at the very start stays", 9, 0, {K::Left}, 9, 0, false, 0},
        {"down on the last row scrolls", 9, 3, {K::Down}, 9, 3, false, 0x10},
        {"up on the top row at 0 stays", 9, 0, {K::Up}, 9, 0, false, 0},
        {"right from the last character wraps", 89, 0, {K::Right}, 74, 1, false, 0},
        {"left from the first character wraps up", 74, 1, {K::Left}, 89, 0, false, 0},
        {"home in the hex area", 30, 2, {K::Home}, 9, 0, false, 0},
        {"end in the character area", 80, 1, {K::End}, 89, 3, false, 0},
        {"end in the hex area", 9, 1, {K::End}, 70, 3, true, 0},
        {"page down then page up", 9, 0, {K::PageDown, K::PageUp}, 9, 0, false, 0},
    };
    for (const CaretCase& c : cases) {
        SCOPED_TRACE(c.name);
        HexEditorState state;
        HexEditor editor(kFlashEditorKind, state);
        editor.Resize(4, 100);
        editor.Click(c.column, c.row);
        for (HexKey key : c.keys) editor.Key(key);
        EXPECT_EQ(editor.CaretColumn(), c.wantColumn);
        EXPECT_EQ(editor.CaretRow(), c.wantRow);
        EXPECT_EQ(editor.LowNibble(), c.wantLow);
        EXPECT_EQ(editor.TopAddress(), c.wantTop);
    }
}

TEST_F(HexEditorTest, ScrollingKeepsToTheBufferAndTheCacheFollows) {
    FlashWrite(0x1FFF, 0x5A);
    HexEditor editor(kFlashEditorKind, state_);
    editor.Resize(4, 100);
    editor.Locate(0x1FFF);
    EXPECT_EQ(editor.TopAddress(), 0x1FC0) << "the last page, not past it";
    EXPECT_EQ(editor.CachedByte(63), 0x5A);
    editor.ScrollVertical(ScrollRequest::LineDown);
    EXPECT_EQ(editor.TopAddress(), 0x1FC0);
    editor.ScrollVertical(ScrollRequest::LineUp);
    EXPECT_EQ(editor.TopAddress(), 0x1FB0);
    EXPECT_EQ(editor.CachedByte(63), 0xFF);
    editor.ScrollVertical(ScrollRequest::LineDown);
    EXPECT_EQ(editor.CachedByte(63), 0x5A) << "the new row is read";

    // A found byte out of view comes to the top, the caret on it.
    editor.ShowAt(0x0123, true);
    EXPECT_EQ(editor.TopAddress(), 0x0120);
    EXPECT_EQ(editor.CaretColumn(), kFirstCharColumn + 3);
    EXPECT_EQ(editor.EditingAddress(), 0x0123);
}

// An announced change reloads the rows only when it reaches them, in the
// editor's own buffer; undo and redo are announced like any change.
TEST_F(HexEditorTest, ChangesReachingTheRowsShownReloadThem) {
    HexEditor editor(kFlashEditorKind, state_);
    const struct {
        const char* name;
        BufferChange change;
        bool reloads;
    } cases[] = {
        {"the other buffer", {BufferKind::Eeprom, 0x0000, 0x001F, false}, false},
        {"just below the rows", {BufferKind::Flash, 0x0020, 0x0030, false}, false},
        {"the last byte shown", {BufferKind::Flash, 0x001F, 0x001F, false}, true},
        {"a clear", {BufferKind::Flash, 0x0000, 0xFFFF, true}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FlashWrite(0x001F, 0x33);
        editor.Resize(2, 100);     // rows 0000-001F
        FlashWrite(0x001F, 0x44);  // unannounced: the cache still holds 33
        EXPECT_EQ(editor.Follow(c.change), c.reloads);
        EXPECT_EQ(editor.CachedByte(0x1F), c.reloads ? 0x44 : 0x33);
    }

    std::vector<BufferChange> heard;
    const BufferSubscription subscription =
        SubscribeBufferChanges([&](const BufferChange& change) { heard.push_back(change); });
    FillBufferRange(BufferKind::Flash, 0x0010, 0x0011, 0x55);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_TRUE(editor.Follow(heard[0]));
    EXPECT_EQ(editor.CachedByte(0x10), 0x55);
    heard.clear();
    ASSERT_TRUE(UndoBufferChange(BufferKind::Flash));
    ASSERT_EQ(heard.size(), 1u) << "one announcement for the step";
    EXPECT_EQ(heard[0].first, 0x0010);
    EXPECT_EQ(heard[0].last, 0x0011);
    EXPECT_TRUE(editor.Follow(heard[0]));
    EXPECT_EQ(editor.CachedByte(0x10), 0xFF);
}

// The caret rules on a narrow window and past the end of a small part.
TEST_F(HexEditorTest, ANarrowWindowScrollsSidewaysWithTheCaret) {
    HexEditor editor(kFlashEditorKind, state_);
    editor.Resize(10, 40);
    EXPECT_EQ(editor.HorizontalMaximum(), 92 - 40 + 1);
    editor.Key(HexKey::End);
    EXPECT_EQ(editor.HorizontalPosition(), 70 - 40 + 1);
    editor.Key(HexKey::Right);  // wraps to the next row and to the left end
    EXPECT_EQ(editor.HorizontalPosition(), 0);
    EXPECT_EQ(editor.CaretRow(), 9);
    EXPECT_EQ(editor.TopAddress(), 16);
    for (int i = 0; i < 20; ++i) editor.Key(HexKey::Right);  // byte 10, high digit: column 49
    EXPECT_EQ(editor.CaretColumn(), 49);
    EXPECT_EQ(editor.HorizontalPosition(), 10);
    editor.Key(HexKey::Home);
    EXPECT_EQ(editor.HorizontalPosition(), 0);
    // Left from byte 0 wraps to the row above, scrolled as End does.
    editor.Key(HexKey::Down);
    editor.Key(HexKey::Left);
    EXPECT_EQ(editor.CaretColumn(), 70);
    EXPECT_EQ(editor.CaretRow(), 0);
    EXPECT_EQ(editor.HorizontalPosition(), 31);
}

TEST_F(HexEditorTest, BytesPastTheLastAddressStayFf) {
    SelectDevice(0);  // AT89C1051: 64 rows
    HexEditor editor(kFlashEditorKind, state_);
    editor.Resize(70, 100);
    EXPECT_EQ(editor.VerticalMaximum(), 0);
    for (int i = 0; i < 65; ++i) editor.Key(HexKey::Down);
    EXPECT_EQ(editor.EditingAddress(), 0x0410);
    EXPECT_TRUE(editor.Type(U'1'));
    EXPECT_EQ(editor.CachedByte(65 * 16), 0xFF);
    EXPECT_EQ(FlashRead(0x0410), 0xFF);
    EXPECT_FALSE(CanUndo(BufferKind::Flash)) << "nothing stored, no step";
    // A window shrunk below the caret's row keeps the caret on a drawn row.
    editor.Resize(8, 100);
    EXPECT_EQ(editor.CaretRow(), 7);
    EXPECT_TRUE(editor.Type(U'2'));  // on the low digit the first key left it on
    EXPECT_EQ(FlashRead(0x0070), 0xF2);
    EXPECT_EQ(GetOrigin(BufferKind::Flash, 0x0070), OriginEdited);
}

}  // namespace
}  // namespace zvk::views
