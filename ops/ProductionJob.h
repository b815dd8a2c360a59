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
// With a serial plan each chip takes the next number from the counter once
// the check has found it and the unit has answered, just before the sequence
// writes anything, and gets its own copy of the image with the number in it.
// A number once taken is spent, whatever becomes of the chip.
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

// Often enough that a chip swapped by hand or by a handler is never missed;
// each poll is a few bytes on the line.
inline constexpr std::chrono::milliseconds kSocketPollInterval{100};

enum class SocketWait : std::uint8_t { None, Removal, Chip };

// Why a run that repeats cannot go on in SPI mode, caption "Error".
inline constexpr std::string_view kRepeatNeedsParallelText =
    "Repeat needs Parallel mode: without the device check a new chip cannot be told from the "
    "last one";

struct ProductionOptions {
    AutoRequest request;  // the sequence every chip gets
    bool repeat = true;
    std::optional<unsigned> count;  // chips to make; none: until stopped
    // The caller has run the device check (and asked for the unit) for the
    // first chip, as the Auto command does: it starts at once.
    bool firstChipChecked = false;
    std::string image;                 // the image file, for the log
    std::string logPath;               // empty: no log
    std::optional<SerialPlan> serial;  // a number in every chip
    std::string station;               // the port, for the log
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
    std::optional<std::uint64_t> serial;    // the number of the chip under way
};

// Why the plan cannot give every chip its number, checked before the first
// chip: no counter file, no Program step in the request, a place outside the part or over
// the image's bytes, a counter file that cannot be read or whose next number
// does not fit the format. nullopt when it can.
[[nodiscard]] std::optional<std::string> SerialPlanProblem(const SerialPlan& plan,
                                                           const AutoRequest& request);

// A copy of the Flash buffer up to lastAddress with the number where the
// plan puts it: in that copy, or as the EEPROM bytes. The place has been
// checked (SerialPlaceProblem); a number that lies outside is left out.
[[nodiscard]] ChipImage ChipImageWithSerial(const SerialPlan& plan, std::uint64_t number,
                                            std::uint16_t lastAddress);

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
    // The operator says the last chip is out and the next one in, where the
    // socket did not seem to change: the next step takes the chip in the
    // socket as a new one.
    void ForceNextChip();

    ProductionModel model;

  private:
    enum class Stage { WaitRemoval, WaitChip, Chip, Done };

    StepResult Poll();
    StepResult StartChip();
    // Runs the Auto sequence on the chip in the socket, with its serial
    // number when there is one; false when no number could be taken.
    [[nodiscard]] bool BeginSequence();
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
    std::optional<SerialCounter> counter_;
    bool serialFailed_ = false;  // no number could be taken: the run ended
};

}  // namespace zvk
