#pragma once
// Undo and Redo of buffer changes. An operation that changes a buffer (a typed
// byte, Fill, Copy, Clear, a stored instruction, a load) runs inside one
// UndoStep; every byte it writes is noted with its value and origin mark from
// before, and when the step ends the bytes that really changed are kept with
// their old and new values and marks. Undo writes the old ones back, Redo the
// new ones. A write to a buffer outside any step (a Read from the chip, for
// one) forgets that buffer's history, so that an undo never writes stale bytes
// over what came later.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "app/AppState.h"
#include "app/Buffers.h"

namespace zvk {

// A byte of a buffer with its origin mark.
struct ByteState {
    std::uint8_t value = 0xFF;
    ByteOrigin origin = OriginNone;
    friend bool operator==(const ByteState&, const ByteState&) = default;
};

// The addresses an undo or redo wrote, first to last.
struct ChangedRange {
    std::uint16_t first = 0;
    std::uint16_t last = 0;
};

// How much history a buffer keeps. Beyond either limit the oldest steps are
// dropped; a step alone larger than maxBytes is kept (it is the one the user
// may want back).
struct UndoLimits {
    std::size_t maxSteps = 1000;
    std::size_t maxBytes = std::size_t{32} << 20;
};

// The history of one buffer: the steps to undo, newest last, and the steps
// undone that can be redone. Knows nothing of where the bytes live; the caller
// reads and writes them.
class UndoHistory {
  public:
    using Reader = std::function<ByteState(std::uint16_t address)>;
    using Writer = std::function<void(std::uint16_t address, ByteState state)>;

    explicit UndoHistory(UndoLimits limits = {}) : limits_(limits) {}

    // Starts collecting a step. Steps do not nest: the caller opens once.
    void Open();
    [[nodiscard]] bool IsOpen() const { return open_.has_value(); }
    // An address about to be written, with its state before; only the first
    // note of an address in a step counts.
    void Note(std::uint16_t address, ByteState before);
    // Ends the step: the noted addresses whose state differs now become one
    // undo step and the redo steps are dropped. A step that changed nothing
    // leaves the history as it was.
    void Close(const Reader& now);

    // Writes the newest step's old states back (the step moves to the redo
    // list); none when there is nothing to undo.
    std::optional<ChangedRange> Undo(const Writer& write);
    // Writes the newest undone step's new states again.
    std::optional<ChangedRange> Redo(const Writer& write);

    // Forgets every step (an open step stays open).
    void Clear();

    [[nodiscard]] bool CanUndo() const { return !undo_.empty(); }
    [[nodiscard]] bool CanRedo() const { return !redo_.empty(); }
    [[nodiscard]] std::size_t UndoSteps() const { return undo_.size(); }
    // The memory the kept steps take, roughly.
    [[nodiscard]] std::size_t Bytes() const { return bytes_; }

  private:
    struct Change {
        std::uint16_t address;
        ByteState before;
        ByteState after;
    };
    using Step = std::vector<Change>;
    struct OpenStep {
        std::vector<bool> noted;
        Step changes;
    };

    static std::size_t StepBytes(const Step& step) { return step.size() * sizeof(Change); }
    // Writes the before or after state of every change of a step.
    static ChangedRange Write(const Step& step, ByteState Change::*state, const Writer& write);
    void Trim();

    UndoLimits limits_;
    std::deque<Step> undo_;
    std::vector<Step> redo_;
    std::size_t bytes_ = 0;
    std::optional<OpenStep> open_;
};

// One undo step of the Flash or EEPROM buffer for as long as it lives. Inside
// another step of the same buffer it adds to that one.
class UndoStep {
  public:
    explicit UndoStep(BufferKind kind);
    ~UndoStep();
    UndoStep(const UndoStep&) = delete;
    UndoStep& operator=(const UndoStep&) = delete;

  private:
    BufferKind kind_;
    bool opened_;
};

// The buffers' histories. Undo and redo announce the addresses they wrote
// like any other change of the buffer; they return false when there was
// nothing to do.
[[nodiscard]] bool CanUndo(BufferKind kind);
[[nodiscard]] bool CanRedo(BufferKind kind);
bool UndoBufferChange(BufferKind kind);
bool RedoBufferChange(BufferKind kind);
// Forgets a buffer's history (a part change, new blocks).
void ForgetBufferHistory(BufferKind kind);
// Tests shrink the limits; a new buffer history starts with them.
void SetBufferHistoryLimits(UndoLimits limits);

// Called by the buffer writers before they write a byte: inside a step it
// notes the byte's state, outside it forgets the history.
void NoteBufferWrite(BufferKind kind, std::uint16_t address);

}  // namespace zvk
