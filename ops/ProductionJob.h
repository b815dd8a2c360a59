#pragma once
// A production run: the Auto sequence on chip after chip. After each chip the
// job polls the socket with the device check, quietly, every
// kSocketPollInterval: first until the socket is empty, then until a chip is
// in it, and runs the sequence on that chip. Each chip ends as passed or
// failed (a chip of another part fails at the check) and, when a log is set,
// adds its row to it. The run ends after the chips asked for, when it is
// stopped between chips, or when the unit stops answering, whose message is
// then the only word about it.
//
// Without repeat the job is the Auto sequence on the one chip the caller has
// checked, ending as that sequence ends, with its row in the log.
//
// The same model as the Auto dialog's, with the tally and what the run waits
// for; while it waits, the status line says both and Close is enabled, while
// a chip is under way Close stays disabled as the sequence keeps it.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/Clock.h"
#include "app/Job.h"
#include "ops/AutoJob.h"
#include "ops/Production.h"

namespace zvk {

inline constexpr std::chrono::milliseconds kSocketPollInterval{500};

enum class SocketWait : std::uint8_t { None, Removal, Chip };

// Why a run that repeats cannot go on in SPI mode, caption "Error".
inline constexpr std::string_view kRepeatNeedsParallelText =
    "Repeat needs Parallel mode: without the device check a new chip cannot be told from the "
    "last one";

struct ProductionOptions {
    bool repeat = true;
    std::optional<unsigned> count;  // chips to make; none: until stopped
    // The caller has run the device check (and asked for the unit) for the
    // first chip, as the Auto command does: it starts at once.
    bool firstChipChecked = false;
    std::string image;    // the image file, for the log
    std::string logPath;  // empty: no log
    // The time of day written to the log; the system clock when empty.
    std::function<std::chrono::system_clock::time_point()> wallClock;
};

struct ProductionModel : AutoModel {
    SocketWait waiting = SocketWait::None;
    unsigned passed = 0;
    unsigned failed = 0;
    std::optional<ProductionRow> lastChip;  // the chip that ended last
    bool stopping = false;                  // the run ends after the chip under way
    bool unitLost = false;                  // the run ended because the unit did not answer
};

// "Passed 2, failed 1".
[[nodiscard]] std::string TallyText(unsigned passed, unsigned failed);
// "Remove the chip..." or "Insert a chip...".
[[nodiscard]] std::string_view WaitText(SocketWait wait);

class ProductionJob final : public Job {
  public:
    explicit ProductionJob(ProductionOptions options,
                           std::chrono::milliseconds stepBudget = kStepBudget);

    // Opens the log when one is set; false after saying why it cannot be
    // written. Before Start().
    [[nodiscard]] bool OpenLog();

    void Start() override;
    [[nodiscard]] StepResult Step() override;
    // Between chips the run ends at the next step; while a chip is under way
    // it ends once that chip has ended.
    void Cancel() override;
    // The run ends at the next step: a chip under way is given up there and
    // recorded as failed ("Aborted").
    void Abandon() { abandon_ = true; }

    ProductionModel model;

  private:
    enum class Stage { WaitRemoval, WaitChip, Chip, Done };

    StepResult Poll();
    StepResult StartChip();
    // Runs the Auto sequence on the chip in the socket.
    void BeginSequence();
    StepResult StepChip();
    StepResult ChipEnded(const StepResult& result);
    StepResult WrongChip();
    StepResult AbandonChip();
    // Counts the chip, shows it and logs it; false when the log failed.
    bool Record(ProductionRow row);
    [[nodiscard]] ProductionRow NewRow() const;
    // The row of the chip the sequence has worked on; where it failed, and
    // why, when it did not pass.
    [[nodiscard]] ProductionRow SequenceRow(bool passed, std::string_view reason) const;
    [[nodiscard]] bool LastChip() const;
    void Wait(SocketWait wait);
    StepResult End();
    void SyncFromSequence();

    ProductionOptions options_;
    std::chrono::milliseconds stepBudget_;
    ProductionLog log_;
    std::optional<AutoJob> sequence_;
    Stage stage_ = Stage::WaitChip;
    std::uint16_t checksum_ = 0;
    std::string steps_;
    std::chrono::system_clock::time_point chipTime_;
    Clock::TimePoint chipStart_;
    std::string reason_;  // the first error shown since the chip started
    bool stopRequested_ = false;
    bool abandon_ = false;
    bool logFailed_ = false;
    bool blind_ = false;  // the socket cannot be watched: no chip can be made
};

}  // namespace zvk
