#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/Buffers.h"
#include "app/DeviceTable.h"
#include "app/UndoHistory.h"

namespace zvk {
namespace {

// A buffer's bytes and origin marks, to compare whole states.
struct Snapshot {
    std::vector<std::uint8_t> bytes;
    std::vector<ByteOrigin> marks;
    friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

Snapshot Take(BufferKind kind) {
    Snapshot s;
    for (std::uint32_t a = 0; a <= LastAddress(kind); ++a) {
        s.bytes.push_back(BufferRead(kind, static_cast<std::uint16_t>(a)));
        s.marks.push_back(GetOrigin(kind, static_cast<std::uint16_t>(a)));
    }
    return s;
}

class BufferUndo : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAppState();
        SetBufferHistoryLimits({});
        SelectDevice(9);  // AT89C55: Flash to 4FFF, EEPROM none
        ASSERT_EQ(AllocateBuffers(), 0);
        // A mixed start: bytes from a file, from the chip and edited ones,
        // so that a mark put back wrongly shows.
        for (std::uint16_t a = 0; a < 0x40; ++a) {
            FlashWrite(a, static_cast<std::uint8_t>(a * 7));
            SetOrigin(BufferKind::Flash, a, static_cast<ByteOrigin>(a % 4));
        }
        ForgetBufferHistory(BufferKind::Flash);
    }
    void TearDown() override { SetBufferHistoryLimits({}); }
};

struct OperationCase {
    const char* name;
    std::function<void()> run;
};

TEST_F(BufferUndo, EachOperationIsOneStepWithBytesAndMarksBack) {
    const std::uint8_t typed[] = {0x00, 0x3C, 0x00};
    const std::uint8_t code[] = {0x02, 0x12, 0x34};  // LJMP 1234H
    const OperationCase cases[] = {
        {"typing", [&] { (void)StoreEditedByte(0x10, typed, 1); }},
        {"fill", [] { FillBufferRange(BufferKind::Flash, 0x08, 0x2F, 0xA5); }},
        {"copy, overlapping upwards", [] { CopyBufferRange(BufferKind::Flash, 0x00, 0x1F, 0x10); }},
        {"copy, overlapping downwards",
         [] { CopyBufferRange(BufferKind::Flash, 0x10, 0x3F, 0x00); }},
        {"clear", [] { ClearBuffer(BufferKind::Flash); }},
        {"stored instruction", [&] { StoreProgramLine(0x3E, code, 3); }},
        {"assembled code", [&] { StoreAssembledCode(0x05, code, 1, 2); }},
    };
    for (const OperationCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Snapshot before = Take(BufferKind::Flash);
        c.run();
        const Snapshot after = Take(BufferKind::Flash);
        ASSERT_NE(before, after);
        ASSERT_TRUE(CanUndo(BufferKind::Flash));

        EXPECT_TRUE(UndoBufferChange(BufferKind::Flash));
        EXPECT_EQ(Take(BufferKind::Flash), before);
        EXPECT_FALSE(CanUndo(BufferKind::Flash)) << "one operation, one step";
        EXPECT_TRUE(CanRedo(BufferKind::Flash));

        EXPECT_TRUE(RedoBufferChange(BufferKind::Flash));
        EXPECT_EQ(Take(BufferKind::Flash), after);
        EXPECT_FALSE(CanRedo(BufferKind::Flash));

        EXPECT_TRUE(UndoBufferChange(BufferKind::Flash));
        EXPECT_EQ(Take(BufferKind::Flash), before);
        ForgetBufferHistory(BufferKind::Flash);
    }
}

TEST_F(BufferUndo, StepsUndoInTurnAndANewChangeDropsTheRedoSteps) {
    const Snapshot s0 = Take(BufferKind::Flash);
    FillBufferRange(BufferKind::Flash, 0x00, 0x0F, 0x11);
    const Snapshot s1 = Take(BufferKind::Flash);
    FillBufferRange(BufferKind::Flash, 0x08, 0x17, 0x22);
    EXPECT_TRUE(UndoBufferChange(BufferKind::Flash));
    EXPECT_EQ(Take(BufferKind::Flash), s1);
    EXPECT_TRUE(UndoBufferChange(BufferKind::Flash));
    EXPECT_EQ(Take(BufferKind::Flash), s0);
    EXPECT_FALSE(UndoBufferChange(BufferKind::Flash)) << "nothing older";
    EXPECT_EQ(Take(BufferKind::Flash), s0);

    EXPECT_TRUE(RedoBufferChange(BufferKind::Flash));
    CopyBufferRange(BufferKind::Flash, 0x00, 0x03, 0x30);
    EXPECT_FALSE(CanRedo(BufferKind::Flash));
    EXPECT_FALSE(RedoBufferChange(BufferKind::Flash));

    // An operation that leaves every byte and mark as it was is no step, and
    // keeps what can be redone.
    EXPECT_TRUE(UndoBufferChange(BufferKind::Flash));
    FillBufferRange(BufferKind::Flash, 0x00, 0x0F, 0x11);  // already 11, already edited
    EXPECT_TRUE(CanRedo(BufferKind::Flash));
}

TEST_F(BufferUndo, AWriteOutsideAnyStepForgetsThatBuffersHistoryOnly) {
    SelectDevice(11);  // AT89S8252: Flash and EEPROM
    ASSERT_EQ(AllocateBuffers(), 0);
    FillBufferRange(BufferKind::Flash, 0x00, 0x0F, 0x11);
    FillBufferRange(BufferKind::Eeprom, 0x00, 0x0F, 0x22);

    // A Read from the chip writes its bytes and marks outside any step.
    BufferWrite(BufferKind::Flash, 0x05, 0x99);
    SetOrigin(BufferKind::Flash, 0x05, OriginDevice);
    EXPECT_FALSE(CanUndo(BufferKind::Flash));
    EXPECT_EQ(FlashRead(0x05), 0x99);
    EXPECT_TRUE(UndoBufferChange(BufferKind::Eeprom));
    EXPECT_EQ(EepromRead(0x00), 0xFF);
    EXPECT_EQ(FlashRead(0x05), 0x99);
}

TEST_F(BufferUndo, StepsInsideAStepJoinIt) {
    const Snapshot before = Take(BufferKind::Flash);
    {
        const UndoStep load(BufferKind::Flash);
        ClearBuffer(BufferKind::Flash);
        FillBufferRange(BufferKind::Flash, 0x20, 0x2F, 0x00);
        EXPECT_FALSE(UndoBufferChange(BufferKind::Flash)) << "not while the step is open";
    }
    EXPECT_TRUE(UndoBufferChange(BufferKind::Flash));
    EXPECT_EQ(Take(BufferKind::Flash), before);
    EXPECT_FALSE(CanUndo(BufferKind::Flash));
}

TEST_F(BufferUndo, TheOldestStepsGoBeyondTheLimits) {
    SetBufferHistoryLimits({3, std::size_t{1} << 20});
    for (std::uint8_t v = 1; v <= 5; ++v) FillBufferRange(BufferKind::Flash, 0x00, 0x00, v);
    int undone = 0;
    while (UndoBufferChange(BufferKind::Flash)) ++undone;
    EXPECT_EQ(undone, 3);
    EXPECT_EQ(FlashRead(0x00), 2) << "the three newest steps came back, no more";

    // A memory limit smaller than one step: the newest step alone is kept.
    SetBufferHistoryLimits({1000, 100});
    FillBufferRange(BufferKind::Flash, 0x00, 0xFF, 0x33);
    FillBufferRange(BufferKind::Flash, 0x00, 0xFF, 0x44);
    EXPECT_TRUE(UndoBufferChange(BufferKind::Flash));
    EXPECT_EQ(FlashRead(0x00), 0x33);
    EXPECT_FALSE(CanUndo(BufferKind::Flash));
}

TEST(UndoHistoryTest, UndoWritesTheFirstStateOfAnAddressWrittenTwiceInAStep) {
    std::vector<ByteState> memory(4);
    UndoHistory history;
    const auto write = [&](std::uint16_t a, ByteState s) {
        history.Note(a, memory[a]);
        memory[a] = s;
    };
    history.Open();
    write(1, {0x10, OriginFile});
    write(1, {0x20, OriginEdited});
    write(3, {0x30, OriginEdited});
    history.Close([&](std::uint16_t a) { return memory[a]; });

    const auto restore = [&](std::uint16_t a, ByteState s) { memory[a] = s; };
    const auto undone = history.Undo(restore);
    ASSERT_TRUE(undone.has_value());
    EXPECT_EQ(undone->first, 1);
    EXPECT_EQ(undone->last, 3);
    EXPECT_EQ(memory, std::vector<ByteState>(4));
    ASSERT_TRUE(history.Redo(restore).has_value());
    EXPECT_EQ(memory[1], (ByteState{0x20, OriginEdited}));
    EXPECT_EQ(memory[3], (ByteState{0x30, OriginEdited}));
}

}  // namespace
}  // namespace zvk
