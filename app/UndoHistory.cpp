#include "app/UndoHistory.h"

#include <algorithm>
#include <new>

#include "app/BufferEvents.h"

namespace zvk {

void UndoHistory::Open() {
    open_.emplace();
    open_->noted.assign(std::size_t{0x10000}, false);
}

void UndoHistory::Note(std::uint16_t address, ByteState before) {
    if (!open_ || open_->noted[address]) return;
    open_->noted[address] = true;
    open_->changes.push_back({address, before, before});
}

void UndoHistory::Close(const Reader& now) {
    if (!open_) return;
    Step step = std::move(open_->changes);
    open_.reset();
    for (Change& change : step) change.after = now(change.address);
    std::erase_if(step, [](const Change& change) { return change.before == change.after; });
    if (step.empty()) return;
    step.shrink_to_fit();
    for (const Step& undone : redo_) bytes_ -= StepBytes(undone);
    redo_.clear();
    bytes_ += StepBytes(step);
    undo_.push_back(std::move(step));
    Trim();
}

void UndoHistory::Trim() {
    while (undo_.size() > limits_.maxSteps || (bytes_ > limits_.maxBytes && undo_.size() > 1)) {
        bytes_ -= StepBytes(undo_.front());
        undo_.pop_front();
    }
}

ChangedRange UndoHistory::Write(const Step& step, ByteState Change::*state, const Writer& write) {
    // A step holds each address once and is never empty.
    ChangedRange range{step.front().address, step.front().address};
    for (const Change& change : step) {
        write(change.address, change.*state);
        range.first = std::min(range.first, change.address);
        range.last = std::max(range.last, change.address);
    }
    return range;
}

std::optional<ChangedRange> UndoHistory::Undo(const Writer& write) {
    if (undo_.empty()) return std::nullopt;
    redo_.push_back(std::move(undo_.back()));
    undo_.pop_back();
    return Write(redo_.back(), &Change::before, write);
}

std::optional<ChangedRange> UndoHistory::Redo(const Writer& write) {
    if (redo_.empty()) return std::nullopt;
    undo_.push_back(std::move(redo_.back()));
    redo_.pop_back();
    return Write(undo_.back(), &Change::after, write);
}

void UndoHistory::Clear() {
    undo_.clear();
    redo_.clear();
    bytes_ = 0;
}

namespace {

struct BufferHistories {
    UndoHistory flash;
    UndoHistory eeprom;
    // True while an undo or redo writes; its own writes are no new change.
    bool applying = false;
    // True when a step could not note a byte for want of memory: it cannot
    // be undone, and neither can anything before it.
    bool lost[2] = {false, false};
};

BufferHistories& Histories() {
    static BufferHistories histories;
    return histories;
}

UndoHistory& History(BufferKind kind) {
    return kind == BufferKind::Flash ? Histories().flash : Histories().eeprom;
}

bool& Lost(BufferKind kind) { return Histories().lost[kind == BufferKind::Flash ? 0 : 1]; }

ByteState StateOf(BufferKind kind, std::uint16_t address) {
    return {BufferRead(kind, address), GetOrigin(kind, address)};
}

bool UndoOrRedo(BufferKind kind,
                std::optional<ChangedRange> (UndoHistory::*how)(const UndoHistory::Writer&)) {
    // A step of the buffer still open (a load under way) is not undone under it.
    if (History(kind).IsOpen()) return false;
    BufferHistories& histories = Histories();
    histories.applying = true;
    const auto changed = (History(kind).*how)([kind](std::uint16_t address, ByteState state) {
        BufferWrite(kind, address, state.value);
        SetOrigin(kind, address, state.origin);
    });
    histories.applying = false;
    if (!changed) return false;
    AnnounceBufferChange(kind, changed->first, changed->last);
    return true;
}

}  // namespace

UndoStep::UndoStep(BufferKind kind) : kind_(kind), opened_(false) {
    UndoHistory& history = History(kind);
    if (history.IsOpen()) return;
    try {
        history.Open();
        opened_ = true;
    } catch (const std::bad_alloc&) {
        history.Clear();
    }
}

UndoStep::~UndoStep() {
    if (!opened_) return;
    UndoHistory& history = History(kind_);
    try {
        history.Close([kind = kind_](std::uint16_t address) { return StateOf(kind, address); });
    } catch (const std::bad_alloc&) {
        Lost(kind_) = true;
    }
    if (Lost(kind_)) {
        history.Clear();
        Lost(kind_) = false;
    }
}

bool CanUndo(BufferKind kind) { return History(kind).CanUndo(); }
bool CanRedo(BufferKind kind) { return History(kind).CanRedo(); }
bool UndoBufferChange(BufferKind kind) { return UndoOrRedo(kind, &UndoHistory::Undo); }
bool RedoBufferChange(BufferKind kind) { return UndoOrRedo(kind, &UndoHistory::Redo); }

void ForgetBufferHistory(BufferKind kind) { History(kind).Clear(); }

void SetBufferHistoryLimits(UndoLimits limits) {
    BufferHistories& histories = Histories();
    histories.flash = UndoHistory(limits);
    histories.eeprom = UndoHistory(limits);
}

void NoteBufferWrite(BufferKind kind, std::uint16_t address) {
    if (Histories().applying) return;
    UndoHistory& history = History(kind);
    if (!history.IsOpen()) {
        if (history.CanUndo() || history.CanRedo()) history.Clear();
        return;
    }
    try {
        history.Note(address, StateOf(kind, address));
    } catch (const std::bad_alloc&) {
        Lost(kind) = true;
    }
}

}  // namespace zvk
